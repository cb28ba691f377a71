// What the event-log page asks of the session: reading the controller's 112 records into the
// site's event-log image, saving the grid into a log file, showing a log file, and exporting
// the grid as CSV. The grid itself lives in the site's window (SiteWindow).
#pragma once

#include <string>

#include "control/exchange_scope.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "control/transfer_result.h"
#include "core/event_log.h"
#include "link/host.h"
#include "link/modbus_link.h"

namespace vorel {

inline constexpr int kEventLogBlocks = 56;
inline constexpr int kEventLogBlockWords = 64;
inline constexpr int kEventLogPauseMs = 40;
// The dialogs of the log file and of the CSV export.
inline constexpr const char* kEventLogFileFilter = "历史记录 (*.log)|*.log";
inline constexpr const char* kEventLogCsvFilter = "CSV (*.csv)|*.csv";

// "Reading the event log of site 1: block 23 of 56" in the current language.
std::string EventLogProgressText(int site, int block);

class HistoryRecorder;

class EventLogTransfer {
 public:
  // Complete reads go to the history too.
  void SetHistory(HistoryRecorder* history) { history_ = history; }
  // Where each window's log came from (a read or a file) is noted there.
  void SetSlots(SiteSlots* siteSlots) { slots_ = siteSlots; }
  EventLogTransfer(Host& host, ModbusLink& link, const SiteWindows& windows,
                   ExchangeControl& exchange, RegisterRequests& requests)
      : host_(host), link_(link), windows_(windows), exchange_(exchange), requests_(requests) {}

  // The 56 blocks of 64 registers, each after a pause of 40 ms, with progress; the read stops
  // after a block that fails. Only a complete read shows the grid and enables Save. The grid is
  // redrawn from the image in both cases. The progress window names the block; its Cancel
  // stops the read after the request under way (Cancelled).
  TransferResult Read(int site);
  // The window's grid into a log file chosen by the user (atomic; a failure leaves the old
  // file and reports "Unable to write to %s").
  void Save(int site);
  // A log file chosen by the user into the window's grid, shown as read: the grid is not
  // redrawn from the event-log image afterwards. A file that cannot be read or is no log file
  // is reported and the grid stays as it was.
  void Open(int site);
  // The window's grid as CSV into a file chosen by the user.
  void ExportCsv(int site);

  // The file work without dialogs, for vorel-cli and the tests. False, with the message shown
  // through the host, when the file cannot be written.
  bool SaveFile(const std::string& path, const EventLogSheet& sheet);
  bool ExportCsvFile(const std::string& path, const EventLogSheet& sheet);

 private:
  HistoryRecorder* history_ = nullptr;
  SiteSlots* slots_ = nullptr;
  Host& host_;
  ModbusLink& link_;
  const SiteWindows& windows_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
};

}  // namespace vorel
