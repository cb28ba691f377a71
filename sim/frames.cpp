#include "frames.h"

#include "crc.h"

namespace vorel::sim {

void Reply::Seal() {
  size = AppendCrc(bytes.data(), size);
}

std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> buf) {
  if (buf.size() < 2) return std::nullopt;
  switch (buf[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
      return std::size_t{8};
    case 0x0F:
    case 0x10:
      if (buf.size() < 7) return std::nullopt;
      return std::size_t{9} + buf[6];
    default:
      return std::size_t{0};
  }
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void BuildException(Reply& out, std::uint8_t address, std::uint8_t function, Exception code) {
  out.size = 0;
  out.Put(address);
  out.Put(static_cast<std::uint8_t>(function | 0x80U));
  out.Put(static_cast<std::uint8_t>(code));
  out.Seal();
}

}  // namespace vorel::sim
