// How old each online site's live values are. The poller tells it when a poll brought new
// values, when one failed and how long its sweeps over the line take; the refresh step asks
// whether a site's values are stale: a poll failed since the last good one, or no good poll for
// three poll periods. A poll period is how long a sweep over the line takes: a longer sweep
// lengthens it at once, shorter ones shorten it gradually. A silent site's probe waiting out
// its timeout is allowed for on its own, so that it greys no other site.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/site_images.h"

namespace vorel {

inline constexpr int kStalePollPeriods = 3;

class LiveDataAge {
 public:
  // Polling (re)starts at `nowMs` (pump clock) / `wallMs` (wall clock): a site never polled
  // since counts its age from here. The good polls and failures already known stay; the poll
  // period is measured again (until the first sweep has been timed only a failure makes
  // values stale).
  void PollingStarted(std::uint64_t nowMs, std::int64_t wallMs);
  // A poll of the site brought new values; the reply arrived at `nowMs` / `wallMs`.
  void GoodPoll(int site, std::uint64_t nowMs, std::int64_t wallMs);
  // A poll (or a probe) of the site failed.
  void FailedPoll(int site);
  // A sweep over the line that nothing paused took `ms`; `minimumMs` is what its steps alone
  // take.
  void SweepTook(std::uint64_t ms, std::uint64_t minimumMs);
  // A probe of a stopped site was sent at `nowMs`; it may hold the line up to `allowanceMs`,
  // which a site whose last good poll came before it gets on top of its three periods.
  void ProbeSent(std::uint64_t nowMs, std::uint64_t allowanceMs);
  // 0 until a sweep has been timed.
  std::uint64_t PeriodMs() const { return periodMs_; }

  // The site's values are not live any more.
  bool Stale(int site, std::uint64_t nowMs) const;
  // Wall-clock milliseconds of the last good poll (or of the start of polling, before any).
  std::int64_t SinceWallMs(int site) const;
  // A good poll of the site was recorded since it was last forgotten.
  bool EverPolled(int site) const;
  // Everything forgotten (a new session).
  void Clear();

 private:
  struct Site {
    bool polled = false;
    bool failed = false;
    std::uint64_t lastGoodMs = 0;
    std::int64_t lastGoodWallMs = 0;
  };
  const Site* At(int site) const;

  std::array<Site, kSiteCount> sites_{};
  bool started_ = false;
  std::uint64_t startMs_ = 0;
  std::int64_t startWallMs_ = 0;
  std::uint64_t periodMs_ = 0;
  bool probed_ = false;
  std::uint64_t probeMs_ = 0;
  std::uint64_t probeAllowanceMs_ = 0;
};

// Wall-clock milliseconds since the epoch.
std::int64_t SystemWallClockMs();

// "no reply since hh:mm:ss" / "hh:mm:ss 起无应答" in the current language, local time.
std::string NoReplySinceText(std::int64_t wallMs);

}  // namespace vorel
