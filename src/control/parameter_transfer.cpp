#include "control/parameter_transfer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "control/exchange_scope.h"
#include "control/history_recorder.h"
#include "control/progress_texts.h"
#include "control/safe_write.h"
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

BlockSpan SpanOf(const RegisterBlock& block) {
  return {block.address, block.count};
}

TransferResult Busy() {
  return {TransferStatus::Busy, {}, {}};
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

std::string ParameterProgressText(int site, int group) {
  const auto text = [](std::string_view english, std::string_view chinese) {
    return std::string(PickText(english, chinese));
  };
  return text("Reading the parameters of site ", "正在读取设备 ") + std::to_string(site) +
         text(": group ", " 的参数：第 ") + std::to_string(group) + text(" of ", " 组，共 ") +
         std::to_string(kParameterGroups.size()) + text("", " 组");
}

TransferResult ParameterTransfer::Read(int site) {
  if (!SiteSlots::Valid(site)) return {};
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Transfer);
  if (!scope.Taken()) return Busy();
  ModbusLink& link = link_;
  TransferResult result;
  bool cancelled = false;
  for (std::size_t i = 0; i < kParameterGroups.size(); ++i) {
    host_.SetProgressText(ParameterProgressText(site, static_cast<int>(i + 1)));
    link.DelayWithEvents(kRequestPauseMs);
    const RequestResult read = requests_.Read(ReadKind::Parameter, site, kParameterGroups[i]);
    result.Add(SpanOf(kParameterGroups[i]), read);
    if (!read) break;
    host_.SetProgress(25 * static_cast<int>(i + 1));
    // Cancel ends the read after the request under way, as a failed group would: the read
    // does not count as complete.
    if (i + 1 < kParameterGroups.size() && host_.ProgressCancelled()) {
      cancelled = true;
      break;
    }
  }
  result.Finish();
  if (cancelled) result.status = TransferStatus::Cancelled;
  if (result.Completed()) {
    if (lastRead_.empty()) lastRead_.resize(kSiteCount);
    const auto image = images_.Image(site);
    lastRead_[static_cast<std::size_t>(site - 1)].assign(image.begin(), image.end());
    sourceFiles_[static_cast<std::size_t>(site - 1)].clear();
    if (history_) history_->ParametersRead(site, ParameterSetKind::Read);
    loadedSources_[static_cast<std::size_t>(site - 1)].reset();
  }
  // The window shows the controller's words again, not a file's.
  if (result.Completed()) slots_.SetFileLoaded(site, false);
  if (SiteWindow* w = windows_.Window(site)) w->LoadAllPages();
  scope.Resume();
  windows_.ShowSiteCaption(site);
  if (SiteWindow* w = windows_.Window(site)) w->ShowWindow();
  slots_.SetFileLoaded(site, false);
  return result;
}

TransferResult ParameterTransfer::Write(int s) {
  if (!SiteSlots::Valid(s)) return {};
  SiteImages& images = images_;
  Host& host = host_;
  if (images.Word(s, reg::kProtection.address) != kUnlockedMark) {
    host.ShowMessage(Text("Please unlock the write protection!", "参数保护未解锁!"));
    return {};
  }
  if (images.Word(s, reg::kOperatingMode.address) != kModeOff) {
    host.ShowMessage(
        Text("Please set the controller to MAINTENANCE mode!", "请在模式状态下修改参数!!"));
    return {};
  }
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Transfer);
  if (!scope.Taken()) return Busy();
  SiteWindow* window = windows_.Window(s);
  // The words the tool knew before the store pass are the "old" side of the audit trail.
  // After a complete Read the words it brought are the old side instead.
  std::array<std::uint16_t, kImageWords> known{};
  for (int a = 0; a < kImageWords; ++a) known[static_cast<std::size_t>(a)] = images.Word(s, a);
  if (!lastRead_.empty() && !lastRead_[static_cast<std::size_t>(s - 1)].empty())
    std::copy(lastRead_[static_cast<std::size_t>(s - 1)].begin(),
              lastRead_[static_cast<std::size_t>(s - 1)].end(), known.begin());
  if (window) window->StoreAllPages();
  // Only what the controller acknowledged goes into the audit trail and the last-read copy.
  std::vector<AuditChange> changes;
  TransferResult result;

  const int n = reg::kParamConfig1.count;          // N: the progress scale
  const int m = reg::kWriteCountConfig.count;      // M: the scale of the channel steps
  std::array<std::uint16_t, kImageWords> words{};  // write buffer, filled from the image
  auto send = [&](std::uint16_t address, int count) {
    for (int k = 0; k < count; ++k)
      words[static_cast<std::size_t>(k)] = images.Word(s, address + k);
    const RequestResult written = requests_.WriteBlock(
        s, address, std::span<const std::uint16_t>(words.data(), static_cast<std::size_t>(count)));
    result.Add({address, static_cast<std::uint16_t>(count)}, written);
    if (!written) return;
    for (int k = 0; k < count; ++k) {
      changes.push_back({static_cast<std::uint16_t>(address + k),
                         known[static_cast<std::size_t>(address + k)],
                         words[static_cast<std::size_t>(k)]});
    }
  };
  auto pause = [&](int ms) { link_.DelayWithEvents(ms); };
  auto failed = [&] { return result.failed.has_value(); };

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
  result.Finish();
  if (!lastRead_.empty()) {
    std::vector<std::uint16_t>& controller = lastRead_[static_cast<std::size_t>(s - 1)];
    if (!controller.empty())
      for (const AuditChange& c : changes) controller[c.reg] = c.after;
  }
  if (!RecordWrite(s, "write", std::move(changes), failed() ? "failed" : ""))
    result.MarkUnrecorded();
  // The question's Yes opens the curve editors, whose Write is an exchange of its own. A window
  // closed during the write is gone now: no question for it.
  scope.End();
  if (windows_.Window(s)) {
    const Answer answer =
        host.AskQuestion(s, Text("Sensor chart setpoint", "写模拟通道确认"),
                         Text("Modify sensor chart?", "是否写模拟通道传感器曲线？"));
    SiteWindow* w = windows_.Window(s);
    if (w && answer == Answer::Yes) w->OpenCurveEditors();
  }
  if (SiteWindow* w = windows_.Window(s)) {
    w->LoadAllPages();
    w->ShowWindow();
    w->RefillEventLog();
  }
  return result;
}

TransferResult ParameterTransfer::SendPassword(int site, std::uint16_t address,
                                               const std::string& text, bool modeOff) {
  if (!SiteSlots::Valid(site)) return {};
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Polling);
  if (!scope.Taken()) return Busy();
  TransferResult result;
  // Mode OFF stops a running engine: only after the user said so. Nothing is sent when the
  // state cannot be read.
  if (modeOff) {
    const std::optional<bool> running = EngineRunning(requests_, images_, site);
    if (!running) return {};
    if (*running &&
        host_.AskQuestion(site, Text("Unlock", "解锁"), EngineRunningQuestion(site)) != Answer::Yes)
      return {};
  }
  const std::uint16_t modeFound = images_.Word(site, reg::kOperatingMode.address);
  if (modeOff) {
    const std::uint16_t off = kModeOff;
    result.Add(SpanOf(reg::kOperatingMode),
               requests_.WriteBlock(site, reg::kOperatingMode.address, {&off, 1}));
    images_.SetWord(site, reg::kOperatingMode.address, kModeOff);
  }
  const std::uint16_t password = PasswordValue(text);
  result.Add({address, 1}, requests_.WriteBlock(site, address, {&password, 1}));
  if (modeOff && modeFound != kModeOff) {
    link_.DelayWithEvents(kRequestPauseMs);
    const RequestResult back =
        requests_.WriteBlock(site, reg::kOperatingMode.address, {&modeFound, 1});
    result.Add(SpanOf(reg::kOperatingMode), back);
    if (back) images_.SetWord(site, reg::kOperatingMode.address, modeFound);
  }
  return result.Finish();
}

TransferResult ParameterTransfer::Unlock(int site, const std::string& password) {
  return SendPassword(site, reg::kProtection.address, password, true);
}

void ParameterTransfer::SetSourceFile(int site, std::string path) {
  if (!SiteSlots::Valid(site)) return;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  sourceFiles_[static_cast<std::size_t>(site - 1)] = ec ? std::move(path) : absolute.string();
}

void ParameterTransfer::RecordParameterSet(int site, ParameterSetKind kind) {
  if (history_) history_->ParametersRead(site, kind);
}

void ParameterTransfer::SetLoadedSource(int site, LoadedSource source) {
  if (SiteSlots::Valid(site))
    loadedSources_[static_cast<std::size_t>(site - 1)] = std::move(source);
}

const std::optional<LoadedSource>& ParameterTransfer::LoadedSourceOf(int site) const {
  static const std::optional<LoadedSource> none;
  return SiteSlots::Valid(site) ? loadedSources_[static_cast<std::size_t>(site - 1)] : none;
}

bool ParameterTransfer::RecordWrite(int site, const char* action, std::vector<AuditChange> changes,
                                    const char* note) {
  const SiteImages& images = images_;
  AuditRecord record;
  record.action = action;
  record.port = port_.Name();
  record.site = site;
  record.productCode = static_cast<std::int16_t>(images.Word(site, reg::kProductCode.address));
  for (int k = 0; k < reg::kSerialNumber.count; ++k) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", images.RegisterWord(site, reg::kSerialNumber, k));
    record.serialNumber += hex;
  }
  record.changes = std::move(changes);
  record.note = note;
  // Only a parameter write or a restore takes its values from a file.
  if (SiteSlots::Valid(site) && (record.action == "write" || record.action == "restore"))
    record.file = sourceFiles_[static_cast<std::size_t>(site - 1)];
  if (history_) history_->Wrote(record);
  FileError error;
  if (AppendAuditRecord(record, &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(AuditLogPath(), error));
  return false;
}

TransferResult ParameterTransfer::ReadSensorBlock(int site) {
  if (!slots_.IsOnline(site)) return {};
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Polling);
  if (!scope.Taken()) return Busy();
  link_.DelayWithEvents(kRequestPauseMs);
  TransferResult result;
  result.Add(SpanOf(reg::kParamValues4),
             requests_.Read(ReadKind::Parameter, site, reg::kParamValues4));
  return result.Finish();
}

}  // namespace vorel
