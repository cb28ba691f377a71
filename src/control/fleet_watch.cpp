#include "control/fleet_watch.h"

#include "control/live_data_age.h"
#include "control/site_slots.h"
#include "core/conversions.h"
#include "core/cp936.h"
#include "core/register_table.h"
#include "link/event_pump.h"

namespace vorel {
namespace {

std::string SiteName(const SiteImages& images, int site) {
  std::string name = GeneratorNameText(images, site);
  return name.empty() ? Cp936ToUtf8(images.DeviceNameText(site)) : name;
}

AlarmEvent EventOf(const SiteImages& images, int site, bool appeared, bool first,
                   const SiteAlarm& alarm, std::int64_t wallMs) {
  // The journal keeps the code, not the text of the language of the moment.
  SiteAlarm coded = alarm;
  coded.text.clear();
  return {site,
          SiteName(images, site),
          appeared,
          first,
          images.Word(site, reg::kProductCode.address),
          coded,
          wallMs,
          images.ControllerDateText(site) + " " + images.ControllerTimeText(site)};
}

}  // namespace

std::vector<AlarmEvent> AlarmTracker::Update(const SiteImages& images, int site,
                                             std::int64_t wallMs) {
  std::vector<AlarmEvent> events;
  if (!IsSite(site)) return events;
  std::vector<SiteAlarm> now = SiteAlarms(images, site);
  auto& last = last_[static_cast<std::size_t>(site - 1)];
  if (!last) {
    for (const SiteAlarm& a : now) events.push_back(EventOf(images, site, true, true, a, wallMs));
  } else {
    const AlarmChanges changes = CompareAlarms(*last, now);
    for (const SiteAlarm& a : changes.cleared)
      events.push_back(EventOf(images, site, false, false, a, wallMs));
    for (const SiteAlarm& a : changes.appeared)
      events.push_back(EventOf(images, site, true, false, a, wallMs));
  }
  last = std::move(now);
  return events;
}

void AlarmTracker::Forget(int site) {
  if (IsSite(site)) last_[static_cast<std::size_t>(site - 1)].reset();
}

void AlarmTracker::Clear() {
  for (auto& l : last_) l.reset();
}

FleetWatch::FleetWatch(EventPump& pump, const SiteImages& images, const SiteSlots& slots,
                       const LiveDataAge& age, AlarmJournal& journal)
    : pump_(pump),
      images_(images),
      slots_(slots),
      age_(age),
      journal_(journal),
      wallClock_(SystemWallClockMs) {}

FleetWatch::~FleetWatch() {
  Stop();
}

void FleetWatch::Start() {
  if (timer_ == 0) timer_ = pump_.StartTimer(kFleetWatchIntervalMs, [this] { Check(); });
}

void FleetWatch::Stop() {
  if (timer_ != 0) pump_.StopTimer(timer_);
  timer_ = 0;
  tracker_.Clear();
  seenChanges_.fill(0);
}

void FleetWatch::Check() {
  for (int n = 1; n <= kSiteCount; ++n) {
    auto& seen = seenChanges_[static_cast<std::size_t>(n - 1)];
    // Only lists that a good poll brought count: before it the image holds no alarm list.
    if (!slots_.IsOnline(n) || !age_.EverPolled(n)) {
      if (seen != 0) tracker_.Forget(n);
      seen = 0;
      continue;
    }
    const std::uint64_t changes = images_.ChangeCount(n);
    if (changes == seen) continue;
    seen = changes;
    for (const AlarmEvent& e : tracker_.Update(images_, n, wallClock_())) {
      journal_.Record(e);
      if (e.appeared && !e.atFirstPoll && listener_) listener_(e);
    }
  }
}

}  // namespace vorel
