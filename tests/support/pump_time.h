// Running an event pump in a test: for a stretch of its time, or until something comes true.
#pragma once

#include <cstdint>

#include "link/event_pump.h"

namespace vorel::test {

// Dispatches events for `ms` of the pump's time.
inline void RunFor(EventPump& pump, int ms) {
  const std::uint64_t end = pump.NowMs() + static_cast<std::uint64_t>(ms);
  while (pump.NowMs() < end) pump.Pump(static_cast<int>(end - pump.NowMs()));
}

// Dispatches events until `done` or `ms` have passed; whether `done` came true.
template <class F>
bool RunUntil(EventPump& pump, F done, int ms) {
  const std::uint64_t end = pump.NowMs() + static_cast<std::uint64_t>(ms);
  while (!done() && pump.NowMs() < end) pump.Pump(10);
  return done();
}

}  // namespace vorel::test
