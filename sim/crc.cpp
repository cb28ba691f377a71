#include "crc.h"

#include <array>

namespace vorel::sim {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1U) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                       : static_cast<std::uint16_t>(crc >> 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ b) & 0xFFU]);
  }
  return crc;
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
  if (frame.size() < 3) return false;
  const std::uint16_t crc = Crc16(frame.first(frame.size() - 2));
  return frame[frame.size() - 2] == (crc & 0xFFU) && frame[frame.size() - 1] == (crc >> 8);
}

std::size_t AppendCrc(std::uint8_t* frame, std::size_t length) {
  const std::uint16_t crc = Crc16({frame, length});
  frame[length] = static_cast<std::uint8_t>(crc & 0xFFU);
  frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
  return length + 2;
}

}  // namespace vorel::sim
