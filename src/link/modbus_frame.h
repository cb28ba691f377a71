// Modbus RTU frames of the tool: the CRC-16 that guards every frame, the function-3 read
// request and the function-16 write request.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/register_table.h"

namespace vorel {

inline constexpr std::uint8_t kReadFunction = 0x03;
inline constexpr std::uint8_t kWriteFunction = 0x10;
inline constexpr std::uint8_t kExceptionFlag = 0x80;

inline constexpr std::size_t kReadFrameBytes = 8;
// Function 16 carries at most 123 registers; the frame is 9 + 2 * count bytes.
inline constexpr int kMaxWriteCount = 123;
inline constexpr std::size_t kMaxWriteFrameBytes = 9 + 2 * kMaxWriteCount;

using ReadFrame = std::array<std::uint8_t, kReadFrameBytes>;
using WriteFrame = std::array<std::uint8_t, kMaxWriteFrameBytes>;

// CRC-16/MODBUS: preset 0xFFFF, reflected polynomial 0xA001, no final XOR. Sent low byte first.
std::uint16_t Crc16Modbus(std::span<const std::uint8_t> bytes);

// True when the last two bytes are the CRC of the bytes before them (low byte first).
bool CrcMatches(std::span<const std::uint8_t> frame);

// The 8-byte read request for the block: site, 3, address and count high byte first, CRC.
void BuildReadFrame(int site, const RegisterBlock& block, ReadFrame& out);

// The write request for the block with the first `block.count` words of `data`. Returns the
// frame length, or 0 (nothing built) when the count is outside 1 to 123 or `data` holds fewer
// words than the count.
std::size_t BuildWriteFrame(int site, const RegisterBlock& block, std::span<const std::uint16_t> data,
                            WriteFrame& out);

}  // namespace vorel
