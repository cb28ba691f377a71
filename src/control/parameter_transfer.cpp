#include "control/parameter_transfer.h"

#include <array>

#include "control/session.h"
#include "core/language.h"

namespace vorel {
namespace {

constexpr int kDescriptorPauseMs = 8;
// Words of the write buffer of one descriptor step.
constexpr int kDescriptorWords = 17;

// The fixed steps of a write, in order.
enum class Condition { Always, DateChanged, TimeChanged, SerialNumber };
struct FixedStep {
  std::uint16_t address;
  std::uint16_t count;
  Condition condition;
};
// clang-format off
constexpr std::array<FixedStep, 9> kFixedSteps{{
    {0x0073, 1, Condition::Always},
    {0x0075, 1, Condition::Always},
    {0x011A, 1, Condition::Always},
    {0x0098, 1, Condition::Always},
    {0x009F, 2, Condition::Always},
    {0x000E, 2, Condition::DateChanged},
    {0x000C, 2, Condition::TimeChanged},
    {0x0118, 1, Condition::Always},
    {0x0006, 3, Condition::SerialNumber},
}};
// clang-format on

constexpr std::array<RegisterBlock, 4> kParameterGroups{reg::kParamValues1, reg::kParamValues2,
                                                        reg::kParamValues3, reg::kParamValues4};

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

}  // namespace

std::uint16_t PasswordValue(const std::string& text) {
  int value = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const char c = k < text.size() ? text[k] : ' ';
    value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
  }
  return static_cast<std::uint16_t>(value);
}

void ParameterTransfer::Read(int site) {
  if (!SiteSlots::Valid(site) || !session_.BeginExchange()) return;
  ModbusLink& link = session_.Link();
  session_.Poll().BeginTransfer();
  for (std::size_t i = 0; i < kParameterGroups.size(); ++i) {
    link.DelayWithEvents(kRequestPauseMs);
    if (!session_.ReadBlock<ParameterRead>(site, kParameterGroups[i])) break;
    session_.host().SetProgress(25 * static_cast<int>(i + 1));
  }
  if (SiteWindow* w = session_.Window(site)) w->LoadAllPages();
  session_.Poll().EndTransfer();
  session_.ShowSiteCaption(site);
  if (SiteWindow* w = session_.Window(site)) w->ShowWindow();
  session_.Slots().SetFileLoaded(site, false);
  session_.EndExchange();
}

void ParameterTransfer::Write(int s) {
  if (!SiteSlots::Valid(s)) return;
  SiteImages& images = session_.Images();
  Host& host = session_.host();
  if (images.Word(s, reg::kProtection.address) != kUnlockedMark) {
    host.ShowMessage(Text("Please unlock the write protection!", "参数保护未解锁!"));
    return;
  }
  if (images.Word(s, reg::kOperatingMode.address) != kModeOff) {
    host.ShowMessage(
        Text("Please set the controller to MAINTENANCE mode!", "请在模式状态下修改参数!!"));
    return;
  }
  if (!session_.BeginExchange()) return;
  SiteWindow* window = session_.Window(s);
  session_.Poll().BeginTransfer();
  if (window) window->StoreAllPages();

  const int n = reg::kParamConfig1.count;          // N: the progress scale
  const int m = reg::kWriteCountConfig.count;      // M: the scale of the channel steps
  std::array<std::uint16_t, kImageWords> words{};  // write buffer, filled from the image
  auto send = [&](std::uint16_t address, int count) {
    for (int k = 0; k < count; ++k)
      words[static_cast<std::size_t>(k)] = images.Word(s, address + k);
    return session_.WriteBlock(
        s, address, std::span<const std::uint16_t>(words.data(), static_cast<std::size_t>(count)));
  };
  auto pause = [&](int ms) { session_.Link().DelayWithEvents(ms); };
  auto failed = [&] { return session_.SiteFailed(s); };

  [&] {
    for (std::size_t k = 0; k < kFixedSteps.size(); ++k) {
      const FixedStep& step = kFixedSteps[k];
      switch (step.condition) {
        case Condition::Always:
          break;
        case Condition::DateChanged:
          if (!window || !window->DateChanged()) continue;
          window->ClearDateChanged();
          break;
        case Condition::TimeChanged:
          if (!window || !window->TimeChanged()) continue;
          window->ClearTimeChanged();
          break;
        case Condition::SerialNumber:
          if (!window || !window->SerialNumberEditable()) continue;
          break;
      }
      send(step.address, step.count);
      host.SetProgress(static_cast<int>(k + 1) * 100 / (n + 14));
      pause(kRequestPauseMs);
      if (failed()) return;
    }

    const auto descriptors = images.ParameterDescriptors(s, reg::kParamConfig1);
    for (std::size_t j = 0; j < descriptors.size(); ++j) {
      const ParameterDescriptor& d = descriptors[j];
      // The password register is never written by a parameter write; a descriptor that does
      // not fit the buffer or the image is not sent either.
      const bool sendable = d.address != reg::kProtection.address && d.count >= 1 &&
                            d.count <= kDescriptorWords && d.address + d.count <= kImageWords;
      if (sendable) {
        send(d.address, d.count);
        pause(kRequestPauseMs);
        if (failed()) return;
        host.SetProgress((static_cast<int>(j) + 10) * 100 / (n + 14));
      }
      pause(kDescriptorPauseMs);
    }

    send(0x0039, 17);
    pause(kDescriptorPauseMs);
    if (failed()) return;
    host.SetProgress((n + 11) * 100 / (m + 14));
    pause(kRequestPauseMs);

    send(0x0078, 17);
    pause(kRequestPauseMs);
    if (failed()) return;
    host.SetProgress((n + 12) * 100 / (m + 14));
    pause(kRequestPauseMs);

    send(0x0126, 3);
    host.SetProgress((n + 13) * 100 / (m + 14));
    pause(kRequestPauseMs);
    if (failed()) return;

    send(0x0129, 3);
    pause(kRequestPauseMs);
    if (failed()) return;
    host.SetProgress(100);
  }();

  pause(kRequestPauseMs);
  session_.Poll().EndTransfer();
  const Answer answer =
      host.AskQuestion(s, Text("Sensor chart setpoint", "写模拟通道确认"),
                       Text("Modify sensor chart?", "是否写模拟通道传感器曲线？"));
  if (SiteWindow* w = session_.Window(s)) {
    if (answer == Answer::Yes) w->OpenCurveEditors();
  }
  if (SiteWindow* w = session_.Window(s)) {
    w->LoadAllPages();
    w->ShowWindow();
    w->RefillEventLog();
  }
  session_.EndExchange();
}

void ParameterTransfer::SendPassword(int site, std::uint16_t address, const std::string& text,
                                     bool modeOff) {
  if (!SiteSlots::Valid(site)) return;
  session_.Poll().RunSingleCommand([&] {
    if (modeOff) {
      const std::uint16_t off = kModeOff;
      session_.WriteBlock(site, reg::kOperatingMode.address, {&off, 1});
      session_.Images().SetWord(site, reg::kOperatingMode.address, kModeOff);
    }
    const std::uint16_t password = PasswordValue(text);
    session_.WriteBlock(site, address, {&password, 1});
  });
}

void ParameterTransfer::Unlock(int site, const std::string& password) {
  SendPassword(site, reg::kProtection.address, password, true);
}

void ParameterTransfer::ChangePassword(int site, const std::string& password) {
  SendPassword(site, reg::kNewPassword.address, password, false);
}

void ParameterTransfer::ReadSensorBlock(int site) {
  if (!session_.IsOnline(site)) return;
  session_.Poll().RunSingleCommand([&] {
    session_.Link().DelayWithEvents(kRequestPauseMs);
    session_.ReadBlock<ParameterRead>(site, reg::kParamValues4);
  });
}

}  // namespace vorel
