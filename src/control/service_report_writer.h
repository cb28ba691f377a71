// The "Service report..." button of a parameter window and vorel-cli report: the site's
// identity, monitor snapshot, parameters, channel tables and event log as one HTML page,
// written atomically.
#pragma once

#include <cstdint>
#include <string>

#include "control/event_log_transfer.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "core/event_log.h"
#include "core/report_fields.h"
#include "core/site_images.h"
#include "link/host.h"

namespace vorel {

inline constexpr const char* kServiceReportFilter = "HTML (*.html)|*.html";

class LiveDataAge;

// What the technician adds to a report: the fields, and from when the audit trail's writes to
// the controller count as this visit's (0: since the site's window was opened).
struct ReportOptions {
  ReportFields fields;
  std::int64_t changesSince = 0;
  // When the live values in the image, the controller clock among them, were read (seconds
  // since the epoch); 0: as the last good poll brought them.
  std::int64_t liveReadAt = 0;
};

class ServiceReportWriter {
 public:
  // The event log of an online site is read through `eventLog` when its window does not
  // show it yet.
  ServiceReportWriter(Host& host, const SiteImages& images, const SiteSlots& siteSlots,
                      const SiteWindows& windows, EventLogTransfer& eventLog)
      : host_(host), images_(images), slots_(siteSlots), windows_(windows), eventLog_(eventLog) {}

  // When each site's live values (the controller clock among them) last came in.
  void SetDataAge(const LiveDataAge* age) { age_ = age; }

  // The fields (remembered per controller), the save dialog, then the report of the window's
  // site. An online window whose event log
  // has not been read (or opened from a file) reads it first, with the progress window, so
  // that the report is complete; a read that fails leaves the log out. A window opened from a
  // parameter file gives its identity, parameters and a log file opened into it, without live
  // values.
  void Write(int site);

  // The report into `path` from the images as they are; `eventLog` is left out when null.
  // "Unable to write to %s" through the host, and false, when the file cannot be written.
  bool WriteTo(int site, const std::string& path, const EventLogSheet* eventLog,
               const ReportOptions& options = {});
  // The page WriteTo writes.
  std::string Html(int site, const EventLogSheet* eventLog,
                   const ReportOptions& options = {}) const;

 private:
  Host& host_;
  const SiteImages& images_;
  const SiteSlots& slots_;
  const SiteWindows& windows_;
  EventLogTransfer& eventLog_;
  const LiveDataAge* age_ = nullptr;
};

}  // namespace vorel
