#include "control/event_log_transfer.h"

#include "control/session.h"
#include "files/atomic_file.h"
#include "files/event_log_csv.h"
#include "files/event_log_file.h"
#include "files/file_error.h"
#include "files/ini_document.h"

namespace vorel {

bool EventLogTransfer::Read(int site) {
  if (!SiteSlots::Valid(site) || !session_.BeginExchange()) return false;
  ModbusLink& link = session_.Link();
  Host& host = session_.host();
  session_.Poll().BeginTransfer();
  bool complete = true;
  for (int n = 0; n < kEventLogBlocks; ++n) {
    link.DelayWithEvents(kEventLogPauseMs);
    const RegisterBlock block{static_cast<std::uint16_t>(kEventLogFirst + kEventLogBlockWords * n),
                              kEventLogBlockWords,
                              0,
                              {}};
    const bool answered = session_.ReadBlock<EventLogRead>(site, block);
    host.SetProgress((n + 1) * 100 / kEventLogBlocks);
    if (!answered) {
      complete = false;
      break;
    }
  }
  if (complete) {
    if (SiteWindow* w = session_.Window(site)) w->ShowEventLogComplete();
  }
  session_.Poll().EndTransfer();
  if (SiteWindow* w = session_.Window(site)) {
    w->ShowWindow();
    w->RefillEventLog();
  }
  session_.EndExchange();
  return complete;
}

bool EventLogTransfer::SaveFile(const std::string& path, const EventLogSheet& sheet) {
  FileError error;
  if (SaveEventLogFile(path, sheet, &error)) return true;
  session_.host().ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

bool EventLogTransfer::ExportCsvFile(const std::string& path, const EventLogSheet& sheet) {
  FileError error;
  if (WriteFileAtomically(path, EventLogCsv(sheet, true), &error)) return true;
  session_.host().ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

void EventLogTransfer::Save(int site) {
  SiteWindow* w = session_.Window(site);
  if (!w) return;
  const std::optional<std::string> path =
      session_.host().AskSaveFileName(kEventLogFileFilter, "log", "default");
  if (!path) return;
  Host& host = session_.host();
  host.ShowProgress(true);
  const bool saved = SaveFile(*path, w->EventLogCells());
  host.SetProgress(saved ? 100 : 0);
  host.ShowProgress(false);
  host.SetProgress(0);
}

void EventLogTransfer::Open(int site) {
  SiteWindow* w = session_.Window(site);
  if (!w) return;
  const std::optional<std::string> path =
      session_.host().AskOpenFileName(kEventLogFileFilter, "log");
  if (!path) return;
  Host& host = session_.host();
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
  if ((w = session_.Window(site))) {
    w->ShowEventLogFile(sheet);
    w->ShowWindow();
  }
}

void EventLogTransfer::ExportCsv(int site) {
  SiteWindow* w = session_.Window(site);
  if (!w) return;
  const std::optional<std::string> path =
      session_.host().AskSaveFileName(kEventLogCsvFilter, "csv", "default");
  if (!path) return;
  ExportCsvFile(*path, w->EventLogCells());
}

}  // namespace vorel
