#include "link/fake_event_pump.h"

#include <algorithm>
#include <limits>

namespace vorel {

int FakeEventPump::StartTimer(int intervalMs, std::function<void()> onTimeout) {
  const auto interval = static_cast<std::uint64_t>(std::max(1, intervalMs));
  timers_.push_back({nextId_, interval, NowMs() + interval, std::move(onTimeout)});
  return nextId_++;
}

void FakeEventPump::StopTimer(int id) {
  std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

std::uint64_t FakeEventPump::NextDue() const {
  std::uint64_t due = std::numeric_limits<std::uint64_t>::max();
  for (const Timer& t : timers_) due = std::min(due, t.due);
  return due;
}

void FakeEventPump::FireDue() {
  // A callback may start or stop timers: look the timer up again after every call.
  for (;;) {
    const std::uint64_t now = NowMs();
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [now](const Timer& t) { return t.due <= now; });
    if (it == timers_.end()) return;
    it->due += it->interval;
    auto callback = it->onTimeout;
    callback();
  }
}

void FakeEventPump::AdvanceTo(std::uint64_t when) {
  for (;;) {
    FireDue();
    const std::uint64_t next = NextDue();
    if (next > when) break;
    if (beforeTimeMoves) beforeTimeMoves();
    now_.store(std::max(NowMs(), next), std::memory_order_release);
  }
  if (when > NowMs()) {
    if (beforeTimeMoves) beforeTimeMoves();
    now_.store(when, std::memory_order_release);
  }
  FireDue();
}

void FakeEventPump::Advance(std::uint64_t ms) {
  AdvanceTo(NowMs() + ms);
}

void FakeEventPump::Pump(int maxWaitMs) {
  if (maxWaitMs <= 0) {
    FireDue();
    return;
  }
  AdvanceTo(std::min(NowMs() + static_cast<std::uint64_t>(maxWaitMs), NextDue()));
}

}  // namespace vorel
