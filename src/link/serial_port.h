// The serial port of a connection: one port, opened with six persisted settings and the fixed
// ones (DTR/RTS inactive, 4000 ms total read and write timeouts). The byte stream itself is the
// ByteChannel the link uses; this adds opening, text for the modem and the modem lines.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/byte_channel.h"

namespace vorel {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OnePointFive, Two };
// Custom leaves the individual line settings as they are: no handshake is switched on.
enum class FlowControl { None, RtsCts, Custom, XonXoff };

struct PortSettings {
  std::string name = "COM1";
  int baud = 9600;
  int dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  FlowControl flowControl = FlowControl::None;
  // The adapter hears its own requests (two-wire RS-485): the link drops the echo.
  bool discardEcho = false;
  // A reply is complete the moment its last byte is in and its CRC holds, instead of being
  // collected in 100 ms steps (ModbusLink::SetFastCollection).
  bool fastReplies = false;
};

inline constexpr int kPortTimeoutMs = 4000;

class SerialPort : public ByteChannel {
 public:
  ~SerialPort() override = default;

  // Opens the named port; on failure returns false and says why in `error`.
  virtual bool Open(const PortSettings& settings, std::string* error) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool WriteText(std::string_view text) = 0;
  // Up to n bytes as text, like Read.
  virtual std::string ReadText(int n) = 0;
  // Modem lines. On ports without them (pseudo-terminals) they are unsupported: the setters
  // return false and carrier detect reads off.
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetRts(bool on) = 0;
  virtual bool CarrierDetect() = 0;
  // Why the port went away, in the current language, when the port knows more than that it
  // is gone (a TCP connection closed by the server or reset); "" otherwise.
  virtual std::string GoneReason() const { return {}; }
  // True when the last failed Open's `error` is a whole message for the user rather than the
  // system's reason: the port itself opened, but what opening it includes failed (a dial).
  virtual bool OpenErrorIsMessage() const { return false; }
  // What Open does while it waits for something slow (a TCP port's name lookup and connect):
  // the window's events run, for at most `ms` each time. Without it Open simply blocks.
  void SetOpenWait(std::function<void(int ms)> wait) { openWait_ = std::move(wait); }

 protected:
  std::function<void(int ms)> openWait_;
};

}  // namespace vorel
