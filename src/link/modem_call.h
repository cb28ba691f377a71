// Whether the dial-up call behind the port is up, as far as the modem has said: a modem whose
// call drops says "NO CARRIER" on the line, in the middle of whatever the link was waiting for.
// Every byte the port reads or purges passes through here, so the link can end the request at
// once instead of waiting out its reply timeout, and the poller can stop until the next dial.
// The port's reads and purges run on the main thread and on request workers alike.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

namespace vorel {

class ModemCall {
 public:
  // Looks for the modem's "NO CARRIER" in the bytes, across calls.
  void Feed(std::span<const std::uint8_t> bytes);
  void Feed(const std::string& text);
  // A dial connected (or a new port came): the call is up.
  void Up();
  // The tool hung up.
  void Ended() { SetState(State::HungUp); }
  // The call is over, whoever ended it.
  bool Lost() const { return state_.load(std::memory_order_acquire) != State::Up; }
  // The modem said NO CARRIER (rather than the tool hanging up).
  bool CarrierDropped() const { return state_.load(std::memory_order_acquire) == State::NoCarrier; }

 private:
  enum class State { Up, HungUp, NoCarrier };
  void SetState(State state) { state_.store(state, std::memory_order_release); }

  std::mutex mutex_;
  std::string tail_;  // the end of what was fed, which may start the word
  std::atomic<State> state_{State::Up};
};

}  // namespace vorel
