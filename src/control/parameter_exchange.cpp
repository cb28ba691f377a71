// The exchanges a parameter window starts: reading the four parameter groups, writing every
// writable register, unlocking the parameter protection and setting a new password.
#include <array>

#include "control/connection.h"
#include "core/language.h"
#include "link/request_worker.h"

namespace vorel {
namespace {

constexpr std::uint16_t kPasswordRegister = 0x0004;
constexpr std::uint16_t kNewPasswordRegister = 0x0005;
constexpr std::uint16_t kModeRegister = 0x0113;
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

constexpr std::array<RegisterBlock, 4> kParameterGroups{reg::kParamValues1, reg::kParamValues2,
                                                    reg::kParamValues3, reg::kParamValues4};

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

}  // namespace

std::uint16_t PasswordValue(const std::string& text) {
  int value = 0;
  for (std::size_t k = 0; k < text.size() && k < 4; ++k) {
    const char c = text[k];
    value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
  }
  return static_cast<std::uint16_t>(value);
}

bool Connection::WriteBlock(int site, std::uint16_t address, std::span<const std::uint16_t> words) {
  const RegisterBlock block{address, static_cast<std::uint16_t>(words.size()), 0, {}};
  WriteRequest(*link_, static_cast<std::uint8_t>(site), block,
                 RegisterWords(words.begin(), words.end()))
      .WaitFor();
  link_->WaitForReply(site);
  return !SiteFailed(site);
}

void Connection::ReadParameters(int site) {
  if (!SiteSlots::Valid(site) || !BeginExchange()) return;
  BeginTransfer();
  for (std::size_t i = 0; i < kParameterGroups.size(); ++i) {
    link_->DelayWithEvents(kRequestPauseMs);
    if (!ReadBlock<ParameterRead>(site, kParameterGroups[i])) break;
    host_.SetProgress(25 * static_cast<int>(i + 1));
  }
  if (SiteWindow* w = Window(site)) w->LoadAllPages();
  EndTransfer();
  ShowSiteCaption(site);
  if (SiteWindow* w = Window(site)) w->ShowWindow();
  slots_.SetFileLoaded(site, false);
  EndExchange();
}

void Connection::WriteParameters(int s) {
  if (!SiteSlots::Valid(s)) return;
  if (images_->Word(s, kPasswordRegister) != kUnlockedMark) {
    host_.ShowMessage(Text("Please unlock the write protection!", "参数保护未解锁!"));
    return;
  }
  if (images_->Word(s, kModeRegister) != kModeOff) {
    host_.ShowMessage(
        Text("Please set the controller to MAINTENANCE mode!", "请在模式状态下修改参数!!"));
    return;
  }
  if (!BeginExchange()) return;
  SiteWindow* window = Window(s);
  BeginTransfer();
  if (window) window->StoreAllPages();

  const int n = reg::kParamConfig1.count;          // N: the progress scale
  const int m = reg::kWriteCountConfig.count;      // M: the scale of the channel steps
  std::array<std::uint16_t, kImageWords> words{};  // write buffer, filled from the image
  auto send = [&](std::uint16_t address, int count) {
    for (int k = 0; k < count; ++k)
      words[static_cast<std::size_t>(k)] = images_->Word(s, address + k);
    return WriteBlock(
        s, address, std::span<const std::uint16_t>(words.data(), static_cast<std::size_t>(count)));
  };
  auto pause = [&](int ms) { link_->DelayWithEvents(ms); };

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
      host_.SetProgress(static_cast<int>(k + 1) * 100 / (n + 14));
      pause(kRequestPauseMs);
      if (SiteFailed(s)) return;
    }

    const auto descriptors = images_->ParameterDescriptors(s, reg::kParamConfig1);
    for (std::size_t j = 0; j < descriptors.size(); ++j) {
      const ParameterDescriptor& d = descriptors[j];
      // The password register is never written by a parameter write; a descriptor that does
      // not fit the buffer or the image is not sent either.
      const bool sendable = d.address != kPasswordRegister && d.count >= 1 &&
                            d.count <= kDescriptorWords && d.address + d.count <= kImageWords;
      if (sendable) {
        send(d.address, d.count);
        pause(kRequestPauseMs);
        if (SiteFailed(s)) return;
        host_.SetProgress((static_cast<int>(j) + 10) * 100 / (n + 14));
      }
      pause(kDescriptorPauseMs);
    }

    send(0x0039, 17);
    pause(kDescriptorPauseMs);
    if (SiteFailed(s)) return;
    host_.SetProgress((n + 11) * 100 / (m + 14));
    pause(kRequestPauseMs);

    send(0x0078, 17);
    pause(kRequestPauseMs);
    if (SiteFailed(s)) return;
    host_.SetProgress((n + 12) * 100 / (m + 14));
    pause(kRequestPauseMs);

    send(0x0126, 3);
    host_.SetProgress((n + 13) * 100 / (m + 14));
    pause(kRequestPauseMs);
    if (SiteFailed(s)) return;

    send(0x0129, 3);
    pause(kRequestPauseMs);
    if (SiteFailed(s)) return;
    host_.SetProgress(100);
  }();

  pause(kRequestPauseMs);
  EndTransfer();
  const Answer answer =
      host_.AskQuestion(s, Text("Sensor chart setpoint", "写模拟通道确认"),
                        Text("Modify sensor chart?", "是否写模拟通道传感器曲线？"));
  if (answer == Answer::Yes && onModifySensorCharts) onModifySensorCharts(s);
  if (SiteWindow* w = Window(s)) {
    w->LoadAllPages();
    w->ShowWindow();
    w->RefillEventLog();
  }
  EndExchange();
}

void Connection::SendPassword(int site, std::uint16_t address, const std::string& text,
                              bool modeOff) {
  if (!SiteSlots::Valid(site)) return;
  RunSingleCommand([&] {
    if (modeOff) {
      const std::uint16_t off = kModeOff;
      WriteBlock(site, kModeRegister, {&off, 1});
      images_->SetWord(site, kModeRegister, kModeOff);
    }
    const std::uint16_t password = PasswordValue(text);
    WriteBlock(site, address, {&password, 1});
  });
}

void Connection::UnlockParameters(int site) {
  SiteWindow* w = Window(site);
  SendPassword(site, kPasswordRegister, w ? w->UnlockPasswordText() : std::string(), true);
}

void Connection::ChangePassword(int site) {
  SiteWindow* w = Window(site);
  SendPassword(site, kNewPasswordRegister, w ? w->NewPasswordText() : std::string(), false);
}

}  // namespace vorel
