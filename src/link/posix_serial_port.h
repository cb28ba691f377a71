// The serial port on Linux: a termios terminal device opened by path (USB adapters, on-board
// ports, pseudo-terminals and symlinks to them), in raw mode, non-blocking underneath so that
// every wait has a deadline. A worker thread may Write while the main thread counts and reads
// input: the file descriptor is shared, open and close exclude everything else.
#pragma once

#include <atomic>
#include <shared_mutex>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace vorel {

// The path opened for a port name: names with a '/' are paths; "COMn" is /dev/ttyS(n-1); any
// other name is looked up under /dev.
std::string SerialPortPath(const std::string& name);

// The serial ports of the machine (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*... as the kernel
// lists them under /sys/class/tty with a device behind them), sorted.
std::vector<std::string> ListSerialPortNames();

class PosixSerialPort : public SerialPort {
 public:
  PosixSerialPort() = default;
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

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

  // True once the device has gone away (hang-up or I/O error, e.g. an unplugged adapter);
  // every operation then fails at once until the port is opened again. An open port that
  // nobody has used since is looked at without waiting.
  bool Gone() const override;
  // False on devices without modem lines (pseudo-terminals).
  bool ModemLinesSupported() const { return modemLines_; }

 private:
  void MarkGone() const { gone_.store(true, std::memory_order_relaxed); }
  bool Marked() const { return gone_.load(std::memory_order_relaxed); }
  bool SetLine(int bit, bool on);
  void CloseLocked();

  mutable std::shared_mutex mutex_;  // shared: I/O; exclusive: open and close
  int fd_ = -1;
  mutable std::atomic<bool> gone_{false};
  bool modemLines_ = false;
};

}  // namespace vorel
