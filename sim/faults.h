// Injected reply faults for reliability tests. A fault changes only what goes on the line; the
// request has already been carried out on the site as usual.
#pragma once

#include <cstdint>
#include <random>

#include "damage.h"

namespace vorel::sim {

struct FaultOptions {
  // Probabilities 0..1 per reply.
  double noReply = 0;
  double badCrc = 0;
  double exception = 0;
  double pieces = 0;
  double late = 0;
  double extraByte = 0;
  double otherAddress = 0;
  double truncated = 0;
  int delayMs = 2500;   // a late reply starts this much later
  int pieceGapMs = 30;  // pause between the pieces of a reply in pieces
  std::uint64_t seed = 1;
  // Selection: only requests that match (function, first register, site; -1 = any) count; the
  // first `after` matching requests pass untouched, and at most `limit` replies are faulted
  // (-1 = no limit).
  int function = -1;
  int reg = -1;
  int site = -1;
  long after = 0;
  long limit = -1;
  // The event-log read of block `logBlock` (1 to 56: the 64 registers from 0x0200 + 64 *
  // (logBlock - 1), the logBlock-th read of a whole log) gets no reply, the first
  // `logBlockTimes` times it is asked for (0: every time). 0 = off.
  int logBlock = 0;
  long logBlockTimes = 1;
  // Damaged replies to the function-3 reads of one register each (-1 = off), counted by the
  // selection above like the probabilities (every matching read is damaged).
  int shortReg = -1;
  int emptyReg = -1;
  int zeroCountReg = -1;
  int offsetPastReg = -1;
  // A write (function 6 or 16) that covers this register is acknowledged but not stored
  // (-1 = off): a controller that says yes and keeps its old values. Independent of the
  // selection above.
  int forgetWriteReg = -1;

  // The damage of a read of `reg` (None: no damage option names it).
  Damage DamageOf(int function, int reg) const {
    if (function != 0x03 || reg < 0) return Damage::None;
    if (reg == shortReg) return Damage::Short;
    if (reg == emptyReg) return Damage::Empty;
    if (reg == zeroCountReg) return Damage::ZeroCount;
    if (reg == offsetPastReg) return Damage::OffsetPast;
    return Damage::None;
  }

  bool Any() const {
    return noReply > 0 || badCrc > 0 || exception > 0 || pieces > 0 || late > 0 || extraByte > 0 ||
           otherAddress > 0 || truncated > 0;
  }
};

struct FaultPlan {
  bool noReply = false;
  bool badCrc = false;
  bool exception = false;
  bool pieces = false;
  bool late = false;
  bool extraByte = false;
  bool otherAddress = false;
  bool truncated = false;
  Damage damage = Damage::None;

  bool Any() const {
    return noReply || badCrc || exception || pieces || late || extraByte || otherAddress ||
           truncated || damage != Damage::None;
  }
};

class FaultInjector {
 public:
  explicit FaultInjector(const FaultOptions& options) : options_(options), random_(options.seed) {}

  // Decides the faults of the reply to one request.
  FaultPlan Decide(int site, int function, int reg);
  const FaultOptions& options() const { return options_; }

 private:
  bool Roll(double p);

  FaultOptions options_;
  std::mt19937_64 random_;
  long matched_ = 0;
  long faulted_ = 0;
  long logBlockFailed_ = 0;
};

}  // namespace vorel::sim
