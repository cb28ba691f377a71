#include "link/modbus_frame.h"

namespace vorel {
namespace {

// Byte-wise table of the bit-wise algorithm (shift right, XOR 0xA001 when a 1 is shifted out).
constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                       : static_cast<std::uint16_t>(crc >> 1);
    }
    table[i] = crc;
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

void PutCrc(std::uint8_t* frame, std::size_t length) {
  const std::uint16_t crc = Crc16Modbus({frame, length});
  frame[length] = static_cast<std::uint8_t>(crc & 0xFF);
  frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
}

}  // namespace

std::uint16_t Crc16Modbus(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ b) & 0xFF]);
  }
  return crc;
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
  if (frame.size() < 2) return false;
  const std::size_t n = frame.size() - 2;
  const std::uint16_t crc = Crc16Modbus(frame.first(n));
  return frame[n] == (crc & 0xFF) && frame[n + 1] == (crc >> 8);
}

void BuildReadFrame(int site, const RegisterBlock& block, ReadFrame& out) {
  out[0] = static_cast<std::uint8_t>(site);
  out[1] = kReadFunction;
  out[2] = static_cast<std::uint8_t>(block.address >> 8);
  out[3] = static_cast<std::uint8_t>(block.address & 0xFF);
  out[4] = static_cast<std::uint8_t>(block.count >> 8);
  out[5] = static_cast<std::uint8_t>(block.count & 0xFF);
  PutCrc(out.data(), 6);
}

std::size_t BuildWriteFrame(int site, const RegisterBlock& block, std::span<const std::uint16_t> data,
                            WriteFrame& out) {
  const int n = block.count;
  if (n < 1 || n > kMaxWriteCount || data.size() < static_cast<std::size_t>(n)) return 0;
  out[0] = static_cast<std::uint8_t>(site);
  out[1] = kWriteFunction;
  out[2] = static_cast<std::uint8_t>(block.address >> 8);
  out[3] = static_cast<std::uint8_t>(block.address & 0xFF);
  out[4] = static_cast<std::uint8_t>(n >> 8);
  out[5] = static_cast<std::uint8_t>(n & 0xFF);
  out[6] = static_cast<std::uint8_t>((2 * n) & 0xFF);
  for (int i = 0; i < n; ++i) {
    out[7 + 2 * i] = static_cast<std::uint8_t>(data[i] >> 8);
    out[8 + 2 * i] = static_cast<std::uint8_t>(data[i] & 0xFF);
  }
  const std::size_t length = 7 + 2 * static_cast<std::size_t>(n);
  PutCrc(out.data(), length);
  return length + 2;
}

}  // namespace vorel
