// Frames as tests write them: a byte vector and the same bytes followed by their CRC.
#pragma once

#include <cstdint>
#include <vector>

#include "link/modbus_frame.h"

namespace vorel::test {

using Bytes = std::vector<std::uint8_t>;

// The bytes followed by their CRC, low byte first.
inline Bytes WithCrc(Bytes bytes) {
  const std::uint16_t crc = Crc16Modbus(bytes);
  bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  return bytes;
}

}  // namespace vorel::test
