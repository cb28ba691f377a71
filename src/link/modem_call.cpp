#include "link/modem_call.h"

#include <string_view>

namespace vorel {
namespace {

// The modem's result code when the carrier goes, with the line end that completes it.
constexpr std::string_view kNoCarrier = "NO CARRIER\r";

}  // namespace

void ModemCall::Feed(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(mutex_);
  // Only the end of the older bytes can begin the word that these complete.
  tail_.append(bytes.begin(), bytes.end());
  if (tail_.find(kNoCarrier) != std::string::npos) SetState(State::NoCarrier);
  if (tail_.size() >= kNoCarrier.size()) tail_.erase(0, tail_.size() - (kNoCarrier.size() - 1));
}

void ModemCall::Feed(const std::string& text) {
  Feed(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void ModemCall::Up() {
  std::lock_guard lock(mutex_);
  tail_.clear();
  SetState(State::Up);
}

}  // namespace vorel
