// An event pump on fake time for tests: the clock moves only when something waits, and due
// timers fire in time order as it moves, so a 2 s or 8 s timeout costs no real time.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "link/event_pump.h"

namespace vorel {

class FakeEventPump : public EventPump {
 public:
  std::uint64_t NowMs() const override { return now_.load(std::memory_order_acquire); }
  // Advances the clock to the next due timer or by `maxWaitMs`, whichever comes first, and
  // fires what is due. 0 fires what is due without moving the clock.
  void Pump(int maxWaitMs) override;
  int StartTimer(int intervalMs, std::function<void()> onTimeout) override;
  void StopTimer(int id) override;

  // Called whenever the clock is about to move (tests wait here for request workers, so that
  // fake time never runs ahead of a frame still being written on another thread).
  std::function<void()> beforeTimeMoves;

  // Moves the clock forward by `ms`, firing every timer that falls due on the way.
  void Advance(std::uint64_t ms);
  // Moves the clock to `when` (never backwards), firing due timers on the way.
  void AdvanceTo(std::uint64_t when);

 private:
  struct Timer {
    int id;
    std::uint64_t interval;
    std::uint64_t due;
    std::function<void()> onTimeout;
  };
  void FireDue();
  std::uint64_t NextDue() const;

  std::atomic<std::uint64_t> now_{0};
  std::vector<Timer> timers_;
  int nextId_ = 1;
};

}  // namespace vorel
