#include "link/port_holder.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vorel {
namespace {

// The most of the input a purge looks at for the modem's word before it drops the rest.
constexpr std::size_t kWatchedPurgeBytes = 512;

}  // namespace

void PortHolder::Attach(std::unique_ptr<SerialPort> port) {
  std::unique_lock<std::mutex> lock;
  if (sendLock_) lock = std::unique_lock(*sendLock_);
  port_ = std::move(port);
  call_.Up();
}

void PortHolder::Release() {
  std::unique_lock<std::mutex> lock;
  if (sendLock_) lock = std::unique_lock(*sendLock_);
  if (port_ && port_->IsOpen()) port_->Close();
  port_.reset();
}

bool PortHolder::Open(const PortSettings& settings, std::string* error) {
  if (!port_) {
    if (error) *error = "no serial port";
    return false;
  }
  name_ = settings.name;
  port_->SetOpenWait(openWait_);
  return port_->Open(settings, error);
}

void PortHolder::Close() {
  if (port_) port_->Close();
}

bool PortHolder::IsOpen() const {
  return port_ && port_->IsOpen();
}

void PortHolder::PurgeInput() {
  if (!port_) return;
  if (watchCall_.load(std::memory_order_acquire)) {
    // What is thrown away may be the modem saying the call dropped: look at it first (a
    // bounded look: a flooding line cannot hold the purge).
    std::uint8_t seen[kWatchedPurgeBytes];
    const int waiting = std::min<int>(port_->InputCount(), static_cast<int>(sizeof seen));
    if (waiting > 0) {
      const int n = port_->Read({seen, static_cast<std::size_t>(waiting)});
      call_.Feed(std::span<const std::uint8_t>(seen, static_cast<std::size_t>(std::max(0, n))));
    }
  }
  port_->PurgeInput();
}

void PortHolder::PurgeOutput() {
  if (port_) port_->PurgeOutput();
}

bool PortHolder::Write(std::span<const std::uint8_t> bytes) {
  return port_ && port_->Write(bytes);
}

bool PortHolder::WriteText(std::string_view text) {
  return port_ && port_->WriteText(text);
}

int PortHolder::InputCount() {
  return port_ ? port_->InputCount() : 0;
}

int PortHolder::Read(std::span<std::uint8_t> into) {
  if (!port_) return 0;
  const int n = port_->Read(into);
  if (n > 0 && watchCall_.load(std::memory_order_acquire))
    call_.Feed(into.first(static_cast<std::size_t>(n)));
  return n;
}

std::string PortHolder::ReadText(int n) {
  if (!port_) return {};
  std::string text = port_->ReadText(n);
  if (watchCall_.load(std::memory_order_acquire)) call_.Feed(text);
  return text;
}

bool PortHolder::WaitForInput(int ms) {
  if (port_) return port_->WaitForInput(ms);
  // No port: nothing can arrive, but a wait loop must still not spin.
  std::this_thread::sleep_for(std::chrono::milliseconds(ms > 0 ? ms : 0));
  return false;
}

bool PortHolder::SetDtr(bool on) {
  return port_ && port_->SetDtr(on);
}

bool PortHolder::SetRts(bool on) {
  return port_ && port_->SetRts(on);
}

bool PortHolder::Gone() const {
  return port_ && port_->Gone();
}

std::string PortHolder::GoneReason() const {
  return port_ ? port_->GoneReason() : std::string();
}

bool PortHolder::CarrierDetect() {
  return port_ && port_->CarrierDetect();
}

}  // namespace vorel
