#include "link/port_holder.h"

#include <chrono>
#include <thread>

namespace vorel {

void PortHolder::Attach(std::unique_ptr<SerialPort> port) {
  std::unique_lock<std::mutex> lock;
  if (sendLock_) lock = std::unique_lock(*sendLock_);
  port_ = std::move(port);
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
  return port_->Open(settings, error);
}

void PortHolder::Close() {
  if (port_) port_->Close();
}

bool PortHolder::IsOpen() const {
  return port_ && port_->IsOpen();
}

void PortHolder::PurgeInput() {
  if (port_) port_->PurgeInput();
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
  return port_ ? port_->Read(into) : 0;
}

std::string PortHolder::ReadText(int n) {
  return port_ ? port_->ReadText(n) : std::string();
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
