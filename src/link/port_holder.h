// The one serial port of a connection, held in a fixed place so that the link can refer to it
// for the life of the program while the port itself is created at Connect and destroyed at
// Disconnect. Without a port every operation fails like a closed port. Attach and Release take
// the link's send lock, so no request worker is writing while the port changes.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "link/modem_call.h"
#include "link/serial_port.h"

namespace vorel {

class PortHolder : public SerialPort {
 public:
  // The lock that request workers hold while they write (the link's send lock).
  void SetSendLock(std::mutex* sendLock) { sendLock_ = sendLock; }

  void Attach(std::unique_ptr<SerialPort> port);
  // Closes and destroys the port, if any.
  void Release();
  SerialPort* Get() const { return port_.get(); }
  // The name of the port last opened ("" before the first Open).
  const std::string& Name() const { return name_; }

  // With a modem on the line, every byte read or purged is looked at for the modem's word
  // that the call has dropped. A port attached anew starts with the call up.
  void WatchModemCall(bool on) { watchCall_.store(on, std::memory_order_release); }
  ModemCall& Call() { return call_; }
  const ModemCall& Call() const { return call_; }

  bool Open(const PortSettings& settings, std::string* error) override;
  void Close() override;
  bool IsOpen() const override;
  void PurgeInput() override;
  void PurgeOutput() override;
  bool Write(std::span<const std::uint8_t> bytes) override;
  bool WriteText(std::string_view text) override;
  int InputCount() override;
  int Read(std::span<std::uint8_t> into) override;
  std::string ReadText(int n) override;
  bool WaitForInput(int ms) override;
  bool SetDtr(bool on) override;
  bool SetRts(bool on) override;
  bool CarrierDetect() override;
  bool Gone() const override;
  std::string GoneReason() const override;
  bool OpenErrorIsMessage() const override { return port_ && port_->OpenErrorIsMessage(); }

 private:
  std::mutex* sendLock_ = nullptr;
  std::unique_ptr<SerialPort> port_;
  std::string name_;
  std::atomic<bool> watchCall_{false};
  ModemCall call_;
};

}  // namespace vorel
