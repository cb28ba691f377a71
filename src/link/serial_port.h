// The serial facility the link needs: one port, opened with six persisted settings and the
// fixed ones (DTR/RTS inactive, 4000 ms total read and write timeouts). Frames are written
// from worker threads while the main thread counts and reads input, so Write must be safe to
// call concurrently with InputCount/Read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorel {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OnePointFive, Two };
enum class FlowControl { None, RtsCts, DtrDsr, XonXoff };

struct PortSettings {
  std::string name = "COM1";
  int baud = 9600;
  int dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  FlowControl flowControl = FlowControl::None;
};

inline constexpr int kPortTimeoutMs = 4000;

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the named port; on failure returns false and says why in `error`.
  virtual bool Open(const PortSettings& settings, std::string* error) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual void PurgeInput() = 0;
  virtual void PurgeOutput() = 0;
  // Writes all bytes or fails after the write timeout (or when the port is gone).
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  virtual bool WriteText(std::string_view text) = 0;
  // Bytes waiting to be read; 0 when closed or gone.
  virtual int InputCount() = 0;
  // Up to into.size() bytes, waiting at most the read timeout for missing ones; returns the
  // number read.
  virtual int Read(std::span<std::uint8_t> into) = 0;
  virtual std::string ReadText(int n) = 0;
  // Blocks until input is waiting or `ms` have passed; true when input is waiting. Wait loops
  // sleep here instead of spinning.
  virtual bool WaitForInput(int ms) = 0;
  // Modem lines. On ports without them (pseudo-terminals) they are unsupported: the setters
  // return false and carrier detect reads off.
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetRts(bool on) = 0;
  virtual bool CarrierDetect() = 0;
};

}  // namespace vorel
