#include "faults.h"

namespace vorel::sim {
namespace {

constexpr int kLogBlockFirst = 0x0200;  // the tool reads the event log in blocks of 64 registers
constexpr int kLogBlockWords = 64;

}  // namespace

bool FaultInjector::Roll(double p) {
  if (p <= 0) return false;
  if (p >= 1) return true;
  return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < p;
}

FaultPlan FaultInjector::Decide(int site, int function, int reg) {
  FaultPlan plan;
  if (options_.logBlock > 0 && function == 0x03 &&
      reg == kLogBlockFirst + kLogBlockWords * (options_.logBlock - 1) &&
      (options_.logBlockTimes == 0 || logBlockFailed_ < options_.logBlockTimes)) {
    ++logBlockFailed_;
    plan.noReply = true;
    return plan;
  }
  const Damage damage = options_.DamageOf(function, reg);
  if (!options_.Any() && damage == Damage::None) return plan;
  if (options_.function >= 0 && function != options_.function) return plan;
  if (options_.reg >= 0 && reg != options_.reg) return plan;
  if (options_.site >= 0 && site != options_.site) return plan;
  ++matched_;
  if (matched_ <= options_.after) return plan;
  if (options_.limit >= 0 && faulted_ >= options_.limit) return plan;
  plan.noReply = Roll(options_.noReply);
  plan.exception = Roll(options_.exception);
  plan.otherAddress = Roll(options_.otherAddress);
  plan.badCrc = Roll(options_.badCrc);
  plan.extraByte = Roll(options_.extraByte);
  plan.pieces = Roll(options_.pieces);
  plan.late = Roll(options_.late);
  plan.truncated = Roll(options_.truncated);
  plan.damage = damage;
  if (plan.Any()) ++faulted_;
  return plan;
}

}  // namespace vorel::sim
