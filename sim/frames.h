// Request frames as they arrive on the line and the reply frames the simulator sends back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vorel::sim {

inline constexpr std::size_t kMaxFrame = 1100;  // largest reply: 4 + 830 + 2, plus a fault byte

// Modbus exception codes used by the simulator.
enum class Exception : std::uint8_t {
  kIllegalFunction = 0x01,
  kIllegalAddress = 0x02,
  kIllegalValue = 0x03,
  kRefused = 0x04,  // locked protection, wrong mode, injected fault
};

// A reply under construction; fixed storage, nothing allocated per reply.
struct Reply {
  std::array<std::uint8_t, kMaxFrame> bytes{};
  std::size_t size = 0;

  std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
  void Put(std::uint8_t b) { bytes[size++] = b; }
  void PutWord(std::uint16_t w) {
    Put(static_cast<std::uint8_t>(w >> 8));
    Put(static_cast<std::uint8_t>(w & 0xFFU));
  }
  void Seal();  // appends the CRC
};

// Length of the request frame that starts at buf[0]: known for functions 1 to 6, 15, 16 once
// enough header bytes are there; std::nullopt while the header is still short, 0 when the
// function has no length rule (the frame then ends at a silence on the line).
std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> buf);

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at);

// Exception reply: address, function | 0x80, code, CRC.
void BuildException(Reply& out, std::uint8_t address, std::uint8_t function, Exception code);

}  // namespace vorel::sim
