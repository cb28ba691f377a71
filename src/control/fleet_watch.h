// Watches the alarm lists of every online site: after each good poll of a site (seen from its
// value image, which polling fills, so no request is added) it compares the list with the one
// of the previous poll, records what appeared and cleared in the alarm journal and tells the
// listener of each alarm that is new. A site's first good poll sets its starting list: those
// alarms are journalled as present, not announced.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "control/alarm_journal.h"
#include "core/site_images.h"

namespace vorel {

class EventPump;
class LiveDataAge;
class SiteSlots;

// The pure part: one site's list against its previous one.
class AlarmTracker {
 public:
  // The events since the previous list of the site (all of its alarms, marked atFirstPoll,
  // the first time).
  std::vector<AlarmEvent> Update(const SiteImages& images, int site, std::int64_t wallMs);
  // The site's list is forgotten (it went offline); its next list is a first one again.
  void Forget(int site);
  void Clear();

 private:
  std::array<std::optional<std::vector<SiteAlarm>>, kSiteCount> last_;
};

// How often the images are looked at: well under the time between two polls of one site.
inline constexpr int kFleetWatchIntervalMs = 500;

class FleetWatch {
 public:
  using NewAlarmListener = std::function<void(const AlarmEvent&)>;
  using WallClock = std::function<std::int64_t()>;

  FleetWatch(EventPump& pump, const SiteImages& images, const SiteSlots& slots,
             const LiveDataAge& age, AlarmJournal& journal);
  ~FleetWatch();
  FleetWatch(const FleetWatch&) = delete;
  FleetWatch& operator=(const FleetWatch&) = delete;

  void SetNewAlarmListener(NewAlarmListener listener) { listener_ = std::move(listener); }
  void SetWallClock(WallClock clock) { wallClock_ = std::move(clock); }

  void Start();
  void Stop();  // and every list forgotten (a new connection starts afresh)
  bool Running() const { return timer_ != 0; }
  // One look at every site now (the timer's step).
  void Check();

  AlarmJournal& Journal() { return journal_; }

 private:
  EventPump& pump_;
  const SiteImages& images_;
  const SiteSlots& slots_;
  const LiveDataAge& age_;
  AlarmJournal& journal_;
  NewAlarmListener listener_;
  WallClock wallClock_;
  AlarmTracker tracker_;
  std::array<std::uint64_t, kSiteCount> seenChanges_{};
  int timer_ = 0;
};

}  // namespace vorel
