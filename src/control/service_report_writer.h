// The "Service report..." button of a parameter window and vorel-cli report: the site's
// identity, monitor snapshot, parameters, channel tables and event log as one HTML page,
// written atomically.
#pragma once

#include <string>

#include "core/event_log.h"

namespace vorel {

class Session;

inline constexpr const char* kServiceReportFilter = "HTML (*.html)|*.html";

class ServiceReportWriter {
 public:
  explicit ServiceReportWriter(Session& session) : session_(session) {}

  // The save dialog, then the report of the window's site. An online window whose event log
  // has not been read (or opened from a file) reads it first, with the progress window, so
  // that the report is complete; a read that fails leaves the log out. A window opened from a
  // parameter file gives its identity, parameters and a log file opened into it, without live
  // values.
  void Write(int site);

  // The report into `path` from the images as they are; `eventLog` is left out when null.
  // "Unable to write to %s" through the host, and false, when the file cannot be written.
  bool WriteTo(int site, const std::string& path, const EventLogSheet* eventLog);

 private:
  Session& session_;
};

}  // namespace vorel
