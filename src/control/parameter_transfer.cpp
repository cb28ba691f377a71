#include "control/parameter_transfer.h"

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
    sourceFiles_[static_cast<std::size_t>(site - 1)].clear();
    if (history_) history_->ParametersRead(site, ParameterSetKind::Read);
    loadedSources_[static_cast<std::size_t>(site - 1)].reset();
  }
  // The window shows the controller's words again, not a file's.
  if (result.Completed()) slots_.SetFileLoaded(site, false);
  slots_.NoteParameters(site, {}, !result.Completed());
  if (SiteWindow* w = windows_.Window(site)) w->LoadAllPages();
  scope.Resume();
  windows_.ShowSiteCaption(site);
  if (SiteWindow* w = windows_.Window(site)) w->ShowWindow();
  slots_.SetFileLoaded(site, false);
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
