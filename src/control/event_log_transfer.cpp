#include "control/event_log_transfer.h"
#include "control/history_recorder.h"

#include "core/language.h"
#include "files/atomic_file.h"
#include "files/event_log_csv.h"
#include "files/event_log_file.h"
#include "files/file_error.h"
#include "files/file_identity.h"
#include "files/ini_document.h"

namespace vorel {

std::string EventLogProgressText(int site, int block) {
  const auto text = [](std::string_view english, std::string_view chinese) {
    return std::string(PickText(english, chinese));
  };
  return text("Reading the event log of site ", "正在读取设备 ") + std::to_string(site) +
         text(": block ", " 的历史记录：第 ") + std::to_string(block) + text(" of ", " 块，共 ") +
         std::to_string(kEventLogBlocks) + text("", " 块");
}

TransferResult EventLogTransfer::Read(int site) {
  if (!SiteSlots::Valid(site)) return {};
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Transfer);
  if (!scope.Taken()) return {TransferStatus::Busy, {}, {}};
  ModbusLink& link = link_;
  Host& host = host_;
  TransferResult result;
  bool cancelled = false;
  for (int n = 0; n < kEventLogBlocks; ++n) {
    host.SetProgressText(EventLogProgressText(site, n + 1));
    link.DelayWithEvents(kEventLogPauseMs);
    const RegisterBlock block{static_cast<std::uint16_t>(kEventLogFirst + kEventLogBlockWords * n),
                              kEventLogBlockWords,
                              0,
                              {}};
    const RequestResult read = requests_.Read(ReadKind::EventLog, site, block);
    result.Add({block.address, block.count}, read);
    host.SetProgress((n + 1) * 100 / kEventLogBlocks);
    if (!read) break;
    // Cancel ends the read after the request under way, as a failed block would: the grid is
    // not shown as read and cannot be saved.
    if (n + 1 < kEventLogBlocks && host.ProgressCancelled()) {
      cancelled = true;
      break;
    }
  }
  result.Finish();
  if (cancelled) result.status = TransferStatus::Cancelled;
  if (result.Completed()) {
    if (slots_) slots_->NoteEventLog(site, {});
    if (SiteWindow* w = windows_.Window(site)) w->ShowEventLogComplete();
    if (history_) history_->EventLogRead(site);
  }
  scope.Resume();
  if (SiteWindow* w = windows_.Window(site)) {
    w->ShowWindow();
    w->RefillEventLog();
  }
  return result;
}

bool EventLogTransfer::SaveFile(const std::string& path, const EventLogSheet& sheet) {
  FileError error;
  if (SaveEventLogFile(path, sheet, &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

bool EventLogTransfer::ExportCsvFile(const std::string& path, const EventLogSheet& sheet) {
  FileError error;
  if (WriteFileAtomically(path, EventLogCsv(sheet, true), &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

void EventLogTransfer::Save(int site) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return;
  const std::optional<std::string> path =
      host_.AskSaveFileName(kEventLogFileFilter, "log", "default");
  if (!path) return;
  Host& host = host_;
  host.ShowProgress(true);
  const bool saved = SaveFile(*path, w->EventLogCells());
  host.SetProgress(saved ? 100 : 0);
  host.ShowProgress(false);
  host.SetProgress(0);
}

void EventLogTransfer::Open(int site) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return;
  const std::optional<std::string> path = host_.AskOpenFileName(kEventLogFileFilter, "log");
  if (!path) return;
  Host& host = host_;
  host.ShowProgress(true);
  EventLogSheet sheet = w->EventLogCells();
  const EventLogFileRead read = OpenEventLogFile(*path, sheet);
  host.SetProgress(read == EventLogFileRead::Read ? 100 : 0);
  host.ShowProgress(false);
  host.SetProgress(0);
  if (read != EventLogFileRead::Read) {
    // The grid keeps what it showed.
    host.ShowMessage(EventLogFileMessage(read, *path));
    return;
  }
  if ((w = windows_.Window(site))) {
    if (slots_) slots_->NoteEventLog(site, IdentifyFile(*path, kMaxEventLogFileBytes));
    w->ShowEventLogFile(sheet);
    w->ShowWindow();
  }
}

void EventLogTransfer::ExportCsv(int site) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return;
  const std::optional<std::string> path =
      host_.AskSaveFileName(kEventLogCsvFilter, "csv", "default");
  if (!path) return;
  ExportCsvFile(*path, w->EventLogCells());
}

}  // namespace vorel
