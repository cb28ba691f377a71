#include "control/curve_writer.h"

#include <array>
#include <vector>

#include "control/session.h"
#include "core/language.h"

namespace vorel {
namespace {

// Bits 0 to 9 of the second property word (condition, unit, decimals) stay; bits 10 to 15
// take the sensor type.
constexpr std::uint16_t kKeptBits = 0x03FF;
constexpr int kTypeShift = 10;

}  // namespace

CurveWriteResult CurveWriter::Write(int s, int channel, const SensorCurve& curve) {
  if (!SiteSlots::Valid(s) || channel < 0 || channel > 2) return CurveWriteResult::Refused;
  SiteImages& images = session_.Images();
  const std::int16_t state = session_.Slots().WindowState(s);
  if (state == kWindowNone) return CurveWriteResult::Refused;
  if (state != kWindowOnline) {
    CurveToImage(images, s, channel, curve);
    return CurveWriteResult::Stored;
  }
  Host& host = session_.host();
  if (images.Word(s, reg::kProtection.address) != kUnlockedMark) {
    host.ShowMessage(
        std::string(PickText("Please unlock the write protection!", "参数保护未解锁!")));
    return CurveWriteResult::Refused;
  }
  if (images.Word(s, reg::kOperatingMode.address) != kModeOff) {
    host.ShowMessage(std::string(
        PickText("Please set the controller to MAINTENANCE mode!", "请在模式状态下修改参数!")));
    return CurveWriteResult::Refused;
  }
  if (!session_.BeginExchange()) return CurveWriteResult::Busy;
  session_.Poll().BeginTransfer();
  auto pause = [&] { session_.Link().DelayWithEvents(kRequestPauseMs); };
  pause();

  // The words as they were, for the audit trail.
  std::vector<AuditChange> changes;
  const std::uint16_t typeAddress = reg::kAnalogueProperty2.address + channel;
  auto remember = [&](std::uint16_t address, int count) {
    for (int k = 0; k < count; ++k) {
      const auto reg = static_cast<std::uint16_t>(address + k);
      changes.push_back({reg, images.Word(s, reg), 0});
    }
  };
  remember(typeAddress, 1);
  remember(CurveResistanceAddress(channel), kCurvePoints);
  remember(CurveValueAddress(channel), kCurvePoints);

  CurveToImage(images, s, channel, curve);
  const std::uint16_t typeWord = static_cast<std::uint16_t>(
      (images.Word(s, typeAddress) & kKeptBits) | (kUserDefinedSensor << kTypeShift));
  images.SetWord(s, typeAddress, typeWord);

  bool ok = session_.WriteBlock(s, typeAddress, {&typeWord, 1});
  pause();
  std::array<std::uint16_t, kCurvePoints> words{};
  for (std::size_t k = 0; k < words.size(); ++k)
    words[k] = static_cast<std::uint16_t>(curve[k].ohms);
  ok = session_.WriteBlock(s, CurveResistanceAddress(channel), words) && ok;
  host.SetProgress(50);
  pause();
  for (std::size_t k = 0; k < words.size(); ++k)
    words[k] = static_cast<std::uint16_t>(curve[k].value);
  ok = session_.WriteBlock(s, CurveValueAddress(channel), words) && ok;
  host.SetProgress(100);
  pause();

  session_.Poll().EndTransfer();
  for (AuditChange& change : changes) change.after = images.Word(s, change.reg);
  session_.Parameters().RecordWrite(s, "curve", std::move(changes),
                                    ok ? "" : "not every block was answered");
  session_.EndExchange();
  return ok ? CurveWriteResult::Written : CurveWriteResult::Failed;
}

}  // namespace vorel
