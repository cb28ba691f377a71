// CRC-16/MODBUS of the simulator: preset 0xFFFF, reflected polynomial 0xA001, no final XOR,
// sent low byte first. Kept apart from the tool's own code on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vorel::sim {

std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// True when the last two bytes of `frame` are the CRC of the bytes before them.
bool CrcMatches(std::span<const std::uint8_t> frame);

// Writes the CRC of frame[0, length) at frame[length] and frame[length + 1]; returns length + 2.
std::size_t AppendCrc(std::uint8_t* frame, std::size_t length);

}  // namespace vorel::sim
