#include "control/live_data_age.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "core/language.h"

namespace vorel {
namespace {

// A shorter sweep takes this share of the way from the period towards itself.
constexpr std::uint64_t kPeriodEasing = 16;

}  // namespace

const LiveDataAge::Site* LiveDataAge::At(int site) const {
  return IsSite(site) ? &sites_[static_cast<std::size_t>(site - 1)] : nullptr;
}

void LiveDataAge::PollingStarted(std::uint64_t nowMs, std::int64_t wallMs) {
  started_ = true;
  startMs_ = nowMs;
  startWallMs_ = wallMs;
  periodMs_ = 0;
}

void LiveDataAge::GoodPoll(int site, std::uint64_t nowMs, std::int64_t wallMs) {
  if (!IsSite(site)) return;
  Site& s = sites_[static_cast<std::size_t>(site - 1)];
  s.polled = true;
  s.failed = false;
  s.lastGoodMs = nowMs;
  s.lastGoodWallMs = wallMs;
}

void LiveDataAge::FailedPoll(int site) {
  if (IsSite(site)) sites_[static_cast<std::size_t>(site - 1)].failed = true;
}

void LiveDataAge::SweepTook(std::uint64_t ms, std::uint64_t minimumMs) {
  if (ms >= periodMs_) {
    periodMs_ = ms;
  } else {
    periodMs_ -= (periodMs_ - ms) / kPeriodEasing;
  }
  periodMs_ = std::max(periodMs_, minimumMs);
}

void LiveDataAge::ProbeSent(std::uint64_t nowMs, std::uint64_t allowanceMs) {
  probed_ = true;
  probeMs_ = nowMs;
  probeAllowanceMs_ = allowanceMs;
}

bool LiveDataAge::Stale(int site, std::uint64_t nowMs) const {
  const Site* s = At(site);
  if (!s) return false;
  if (s->failed) return true;
  if (periodMs_ == 0) return false;
  std::uint64_t since = started_ ? startMs_ : nowMs;
  if (s->polled) since = std::max(since, s->lastGoodMs);
  std::uint64_t allowed = kStalePollPeriods * periodMs_;
  if (probed_ && probeMs_ >= since) allowed += probeAllowanceMs_;
  return nowMs > since && nowMs - since >= allowed;
}

std::int64_t LiveDataAge::SinceWallMs(int site) const {
  const Site* s = At(site);
  if (s && s->polled) return s->lastGoodWallMs;
  return startWallMs_;
}

bool LiveDataAge::EverPolled(int site) const {
  const Site* s = At(site);
  return s && s->polled;
}

void LiveDataAge::Clear() {
  *this = LiveDataAge();
}

std::int64_t SystemWallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string NoReplySinceText(std::int64_t wallMs) {
  const auto seconds = static_cast<std::time_t>(wallMs / 1000);
  std::tm local{};
  char clock[16] = "--:--:--";
  if (localtime_r(&seconds, &local)) {
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  }
  const std::string english = std::string("no reply since ") + clock;
  const std::string chinese = std::string(clock) + " 起无应答";
  return std::string(PickText(english, chinese));
}

}  // namespace vorel
