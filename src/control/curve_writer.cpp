#include "control/curve_writer.h"

#include <algorithm>
#include <array>
#include <vector>

#include "control/exchange_scope.h"
#include "control/parameter_transfer.h"
#include "core/language.h"

namespace vorel {
CurveWriteResult CurveWriteResultOf(const TransferResult& result) {
  switch (result.status) {
    case TransferStatus::Completed:
      return CurveWriteResult::Written;
    case TransferStatus::Failed:
      return CurveWriteResult::Failed;
    case TransferStatus::Offline:
      return CurveWriteResult::Stored;
    case TransferStatus::Busy:
      return CurveWriteResult::Busy;
    case TransferStatus::Refused:
    case TransferStatus::Cancelled:
      break;
  }
  return CurveWriteResult::Refused;
}

TransferResult CurveWriter::Write(int s, int channel, const SensorCurve& curve) {
  TransferResult result;
  if (!SiteSlots::Valid(s) || channel < 0 || channel > 2) return result;
  SiteImages& images = images_;
  const std::int16_t state = slots_.WindowState(s);
  if (state == kWindowNone) return result;
  if (state != kWindowOnline) {
    CurveToImage(images, s, channel, curve);
    result.status = TransferStatus::Offline;
    return result;
  }
  Host& host = host_;
  if (images.Word(s, reg::kProtection.address) != kUnlockedMark) {
    host.ShowMessage(
        std::string(PickText("Please unlock the write protection!", "参数保护未解锁!")));
    return result;
  }
  if (images.Word(s, reg::kOperatingMode.address) != kModeOff) {
    host.ShowMessage(std::string(
        PickText("Please set the controller to MAINTENANCE mode!", "请在模式状态下修改参数!")));
    return result;
  }
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Transfer);
  if (!scope.Taken()) {
    result.status = TransferStatus::Busy;
    return result;
  }
  auto pause = [&] { link_.DelayWithEvents(kRequestPauseMs); };
  pause();

  // The words as they were, for the audit trail.
  std::vector<AuditChange> before;
  const std::uint16_t typeAddress = reg::kAnalogueProperty2.address + channel;
  auto remember = [&](std::uint16_t address, int count) {
    for (int k = 0; k < count; ++k) {
      const auto reg = static_cast<std::uint16_t>(address + k);
      before.push_back({reg, images.Word(s, reg), 0});
    }
  };
  remember(typeAddress, 1);
  remember(CurveResistanceAddress(channel), kCurvePoints);
  remember(CurveValueAddress(channel), kCurvePoints);

  CurveToImage(images, s, channel, curve);
  const std::uint16_t typeWord = static_cast<std::uint16_t>(
      (images.Word(s, typeAddress) & kCurveTypeKeptBits) | (kUserDefinedSensor << kCurveTypeShift));
  images.SetWord(s, typeAddress, typeWord);

  auto write = [&](std::uint16_t address, std::span<const std::uint16_t> words) {
    result.Add({address, static_cast<std::uint16_t>(words.size())},
               requests_.WriteBlock(s, address, words));
  };
  write(typeAddress, {&typeWord, 1});
  pause();
  std::array<std::uint16_t, kCurvePoints> words{};
  for (std::size_t k = 0; k < words.size(); ++k)
    words[k] = static_cast<std::uint16_t>(curve[k].ohms);
  write(CurveResistanceAddress(channel), words);
  host.SetProgress(50);
  pause();
  for (std::size_t k = 0; k < words.size(); ++k)
    words[k] = static_cast<std::uint16_t>(curve[k].value);
  write(CurveValueAddress(channel), words);
  host.SetProgress(100);
  pause();

  scope.Resume();
  result.Finish();
  std::vector<AuditChange> changes;
  for (AuditChange change : before) {
    const bool acknowledged =
        std::any_of(result.answered.begin(), result.answered.end(), [&](const BlockSpan& b) {
          return change.reg >= b.address && change.reg < b.address + b.count;
        });
    if (!acknowledged) continue;
    change.after = images.Word(s, change.reg);
    changes.push_back(change);
  }
  if (!parameters_.RecordWrite(s, "curve", std::move(changes),
                               result.Completed() ? "" : "not every block was answered"))
    result.MarkUnrecorded();
  return result;
}

}  // namespace vorel
