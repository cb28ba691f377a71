// The port of a connection chosen by its name when it opens: tcp://HOST:PORT opens a TCP
// port, every other name the serial port. Every place that opens a port makes this one, so a
// name typed into the port dialog, stored in vport.ini or given to vorel-cli works alike.
#pragma once

#include <memory>

#include "link/serial_port.h"

namespace vorel {

class NamedPort : public SerialPort {
 public:
  // Picks the kind of port for the settings' name, then opens it.
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

 private:
  std::unique_ptr<SerialPort> port_;
};

}  // namespace vorel
