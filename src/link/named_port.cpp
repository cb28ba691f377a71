#include "link/named_port.h"

#include <chrono>
#include <thread>

#include "link/posix_serial_port.h"
#include "link/tcp_port.h"

namespace vorel {

bool NamedPort::Open(const PortSettings& settings, std::string* error) {
  if (port_) port_->Close();
  if (IsTcpPortName(settings.name)) {
    port_ = std::make_unique<TcpPort>();
  } else {
    port_ = std::make_unique<PosixSerialPort>();
  }
  port_->SetOpenWait(openWait_);
  return port_->Open(settings, error);
}

void NamedPort::Close() {
  if (port_) port_->Close();
}

bool NamedPort::IsOpen() const {
  return port_ && port_->IsOpen();
}

void NamedPort::PurgeInput() {
  if (port_) port_->PurgeInput();
}

void NamedPort::PurgeOutput() {
  if (port_) port_->PurgeOutput();
}

bool NamedPort::Write(std::span<const std::uint8_t> bytes) {
  return port_ && port_->Write(bytes);
}

bool NamedPort::WriteText(std::string_view text) {
  return port_ && port_->WriteText(text);
}

int NamedPort::InputCount() {
  return port_ ? port_->InputCount() : 0;
}

int NamedPort::Read(std::span<std::uint8_t> into) {
  return port_ ? port_->Read(into) : 0;
}

std::string NamedPort::ReadText(int n) {
  return port_ ? port_->ReadText(n) : std::string();
}

bool NamedPort::WaitForInput(int ms) {
  if (port_) return port_->WaitForInput(ms);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms > 0 ? ms : 0));
  return false;
}

bool NamedPort::SetDtr(bool on) {
  return port_ && port_->SetDtr(on);
}

bool NamedPort::SetRts(bool on) {
  return port_ && port_->SetRts(on);
}

bool NamedPort::CarrierDetect() {
  return port_ && port_->CarrierDetect();
}

bool NamedPort::Gone() const {
  return port_ && port_->Gone();
}

std::string NamedPort::GoneReason() const {
  return port_ ? port_->GoneReason() : std::string();
}

}  // namespace vorel
