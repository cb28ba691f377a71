// One request at a time with a controller, outside any connection sequence: open the port,
// send a plain read or a write through its request worker, wait for the reply. The
// command-line front end runs its read and write commands on it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/site_images.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/modbus_link.h"
#include "link/serial_port.h"

namespace vorel {

// Largest count of a plain function-3 read (the reply's byte count is one byte).
inline constexpr int kMaxReadCount = 125;

class RegisterExchange {
 public:
  RegisterExchange(SerialPort& port, Host& host, EventPump& pump);
  ~RegisterExchange();

  // Opens the port and starts the 100 ms reply tick; the port's echo setting goes to the link.
  bool Open(const PortSettings& settings, std::string* error);

  // Event-driven collection (ModbusLink::SetFastCollection), without the 4 ms pause before a
  // read or write: for scripts. Off, the exchange keeps the windows' paced timing.
  void SetFast(bool on) { link_->SetFastCollection(on); }

  // One plain read (PlainRead) of `count` registers; the words as received. A failure's
  // message is shown through the Host (a reply with another count of words: Incomplete).
  RequestResult Read(int site, std::uint16_t address, std::uint16_t count,
                     std::vector<std::uint16_t>* words);
  // One write (WriteRequest) of the words at `address`.
  RequestResult Write(int site, std::uint16_t address, std::span<const std::uint16_t> words);

  // Reads the identification block of `site`, waiting at most `timeoutMs` for the reply and
  // reporting nothing; the product code when the site answered correctly (a reply that is
  // not a valid frame of the site counts as no answer).
  std::optional<std::int16_t> Probe(int site, int timeoutMs);

  ModbusLink& Link() { return *link_; }
  TrafficLog& Traffic() { return traffic_; }

 private:
  SerialPort& port_;
  Host& host_;
  EventPump& pump_;
  std::unique_ptr<SiteImages> images_;
  TrafficLog traffic_;
  std::unique_ptr<ModbusLink> link_;
};

}  // namespace vorel
