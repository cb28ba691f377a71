// A small in-memory controller for control-layer tests, answering the frames written to a
// FakeSerialPort: plain reads and writes of a 512-word register image, the descriptor tables
// of the block-transfer areas and the value blocks packed by them. Sites can be silenced and
// single requests made to fail.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "link/fake_serial_port.h"

namespace vorel::test {

struct FakeRequest {
  int site;
  int function;
  std::uint16_t address;
  std::uint16_t count;
  std::vector<std::uint16_t> words;  // of a write
};

class FakeController {
 public:
  struct Site {
    std::array<std::uint16_t, 512> regs{};
    // Descriptors (address, count) of CONFIG 0x8053 and of 0x8052, 0x8035, 0x8036, 0x8037.
    std::vector<std::pair<std::uint16_t, std::uint8_t>> live;
    std::array<std::vector<std::pair<std::uint16_t, std::uint8_t>>, 4> parameters;
    std::uint16_t password = 1234;
    // The event log, registers 0x0200 to 0x0FFF.
    std::array<std::uint16_t, 112 * 32> log{};
  };

  // A controller of this type and device name at `site`, status word 0x0003, a few live values
  // and a small parameter descriptor table that includes the password register.
  Site& AddSite(int site, std::int16_t productCode = 3101,
                const std::string& deviceName = "Vorel2000 V5.10");
  static void SetDeviceName(Site& s, const std::string& name);

  // The port's responder.
  FakeSerialPort::Reply Answer(std::span<const std::uint8_t> frame);

  std::map<int, Site> sites;
  // No answer to a request when true; an exception reply when `except` is true.
  std::function<bool(const FakeRequest&)> silent;
  std::function<bool(const FakeRequest&)> except;
  // Changes the data bytes of a read's reply before its byte count and CRC are made (a
  // controller that sends a damaged reply with a correct CRC).
  std::function<void(const FakeRequest&, std::vector<std::uint8_t>& data)> damage;
  std::uint64_t replyDelayMs = 0;
  std::vector<FakeRequest> requests;  // every request in order
};

// Only the requests of one function, or their addresses.
std::vector<std::uint16_t> Addresses(const std::vector<FakeRequest>& requests, int function);

}  // namespace vorel::test
