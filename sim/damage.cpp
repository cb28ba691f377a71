#include "damage.h"

#include <algorithm>

#include "core/register_table.h"
#include "site_layout.h"

namespace vorel::sim {

const char* DamageName(Damage damage) {
  switch (damage) {
    case Damage::None:
      break;
    case Damage::Short:
      return " short";
    case Damage::Empty:
      return " empty";
    case Damage::ZeroCount:
      return " zero-count";
    case Damage::OffsetPast:
      return " offset-past";
  }
  return "";
}

void DamageReply(Damage damage, std::uint16_t reg, Reply& reply) {
  if (damage == Damage::None || reply.size < 5 || reply.bytes[1] != 0x03) return;
  // A block-transfer reply carries a 16-bit byte count, a plain read one byte.
  const bool extended = reg >= vorel::kExtendedReplyFirst;
  const std::size_t header = extended ? 4 : 3;
  if (reply.size < header + 2) return;
  std::size_t data = reply.size - header - 2;  // without the CRC
  std::uint8_t* bytes = reply.bytes.data() + header;
  switch (damage) {
    case Damage::None:
      break;
    case Damage::Short:
      data = data / 4 * 2;  // half the words
      break;
    case Damage::Empty:
      data = 0;
      break;
    case Damage::ZeroCount:
    case Damage::OffsetPast: {
      const BlockLayout* layout = FindLayout(reg);
      if (layout == nullptr || layout->config != reg || layout->items.empty()) return;
      const std::size_t size = layout->parameters ? 10 : 6;
      if (data < size) return;
      std::uint8_t* last = bytes + data - size;
      if (damage == Damage::ZeroCount) {
        last[2] = 0;
      } else {
        // The VALUE block holds the words of every item; the offset is its end.
        unsigned words = 0;
        for (const BlockItem& item : layout->items) words += item.count;
        last[size - 2] = static_cast<std::uint8_t>(words >> 8);
        last[size - 1] = static_cast<std::uint8_t>(words & 0xFFU);
      }
      break;
    }
  }
  if (extended) {
    reply.bytes[2] = static_cast<std::uint8_t>(data >> 8);
    reply.bytes[3] = static_cast<std::uint8_t>(data & 0xFFU);
  } else {
    reply.bytes[2] = static_cast<std::uint8_t>(data);
  }
  reply.size = header + data;
  reply.Seal();
}

}  // namespace vorel::sim
