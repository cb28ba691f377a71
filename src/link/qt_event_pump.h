// The event pump on Qt's event loop of the calling (main) thread: the millisecond tick from a
// monotonic clock, dispatching that sleeps in the event loop until an event or the deadline
// arrives, and QTimer-based repeating timers.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <map>
#include <memory>

#include "link/event_pump.h"

namespace vorel {

class QtEventPump : public EventPump {
 public:
  QtEventPump();
  ~QtEventPump() override;

  std::uint64_t NowMs() const override;
  void Pump(int maxWaitMs) override;
  int StartTimer(int intervalMs, std::function<void()> onTimeout) override;
  void StopTimer(int id) override;

 private:
  QElapsedTimer clock_;
  QTimer wake_;  // ends a blocking wait in the event loop
  std::map<int, std::unique_ptr<QTimer>> timers_;
  int nextId_ = 1;
};

}  // namespace vorel
