// Damaged replies with a correct CRC: a reply to a read that carries less than was asked for,
// or a descriptor table that lays its values out wrongly. The byte count always matches the
// data sent, so only a master that checks what the data must hold notices.
#pragma once

#include <cstdint>

#include "frames.h"

namespace vorel::sim {

enum class Damage {
  None,
  Short,       // half the data words of the reply
  Empty,       // no data words
  ZeroCount,   // the last descriptor of a CONFIG reply has count 0
  OffsetPast,  // the last descriptor of a CONFIG reply points past its VALUE block's data
};

const char* DamageName(Damage damage);

// Applies the damage to `reply`, the normal reply to a function-3 read of `reg`; any other
// reply (an exception) is left as it is.
void DamageReply(Damage damage, std::uint16_t reg, Reply& reply);

}  // namespace vorel::sim
