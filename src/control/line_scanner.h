// Scanning the line: which addresses answer, with which product codes, at one speed or at
// each of the usual speeds in turn. Each address gets one identification read with a short
// timeout of its own; nothing is reported through the Host, so a silent address costs only
// its timeout. Used by vorel-cli scan and the main window's Scan line window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "link/event_pump.h"
#include "link/host.h"
#include "link/serial_port.h"
#include "link/traffic_log.h"

namespace vorel {

// The speeds of `scan --baud auto`, in the order they are tried: the usual ones first.
inline constexpr std::array<int, 7> kScanSpeeds = {9600, 19200, 38400, 4800, 2400, 57600, 115200};

// How long each address is waited for at `baud`: the identification request and its reply on
// the wire, plus kScanMarginMs for the controller to turn around (57 ms at 115200 baud, 346 ms
// at 2400).
inline constexpr int kScanMarginMs = 50;
int ScanTimeoutMs(int baud);

struct ScanHit {
  int baud = 0;
  int site = 0;
  std::int16_t productCode = 0;
};

class LineScanner {
 public:
  LineScanner(SerialPort& port, Host& host, EventPump& pump);

  // Called before each address is tried; returning false stops the scan.
  std::function<bool(int baud, int site)> onProbe;
  // Called for each address that answered.
  std::function<void(const ScanHit&)> onFound;
  // Called when a speed is done (also when nothing answered at it).
  std::function<void(int baud)> onSpeedDone;
  // Where the frames of the scan are recorded (none: nowhere).
  TrafficLog* traffic = nullptr;

  // Tries sites 1 to 32 at each speed (the port's other settings as in `base`), waiting
  // `timeoutMs` per address, or ScanTimeoutMs(speed) when it is 0. `fast` collects replies
  // event-driven. False when the port could not be opened (the reason in `error`) or the
  // scan was stopped; the port is closed at the end.
  bool Run(const PortSettings& base, std::span<const int> speeds, int timeoutMs, bool fast,
           std::string* error);

 private:
  SerialPort& port_;
  Host& host_;
  EventPump& pump_;
};

}  // namespace vorel
