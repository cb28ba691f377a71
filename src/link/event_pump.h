// Time and event dispatch as the link and control layers see them: the millisecond tick,
// dispatching pending user-interface events, and repeating timers. The Qt implementation runs
// on the real event loop; tests use a fake whose time only moves when asked, so a 2 s or 8 s
// timeout is tested without waiting for it.
#pragma once

#include <cstdint>
#include <functional>

namespace vorel {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // The millisecond tick.
  virtual std::uint64_t NowMs() const = 0;
  // Dispatches pending events, waiting up to `maxWaitMs` for one to arrive.
  virtual void Pump(int maxWaitMs) = 0;
  // A repeating timer on the event loop; returns an id for StopTimer.
  virtual int StartTimer(int intervalMs, std::function<void()> onTimeout) = 0;
  virtual void StopTimer(int id) = 0;
};

}  // namespace vorel
