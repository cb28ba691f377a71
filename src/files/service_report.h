// The service report: one self-contained HTML page about a site that a technician can mail or
// print, made from the site's images (parameters through the editor model's load pass, as a
// window that has just read them shows them). It shows the identity, the monitor snapshot with the
// active alarms, every parameter with its title, value and unit grouped by setpoint grid, the
// channel and binary I/O tables and the event log, all in the current language. Every part names
// its source (the controller and when it was read, or the file and its identity), so that a
// loaded or opened file is never passed off as the controller's. The technician's fields, the
// changes written on this visit and the controller's clock drift come first. Inline CSS only (no
// links, no scripts), UTF-8, every text HTML-escaped.
#pragma once

#include <string>
#include <string_view>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/event_log.h"
#include "core/report_fields.h"
#include "files/audit_entries.h"
#include "files/file_identity.h"

namespace vorel {

class SiteImages;

struct ServiceReportInput {
  const SiteImages* images = nullptr;
  int site = 0;
  // Rows shown only at the factory access level are left out otherwise.
  bool factoryLevel = false;
  // Identity texts that do not come from the value image alone (UTF-8).
  std::string deviceName;
  std::string firmware;
  std::int64_t madeAt = 0;  // seconds since the epoch: when the report was made
  // A window opened from a file has no live values: no monitor snapshot, no clock.
  bool online = true;
  // Where the identity, parameters and channel tables come from (a parameter file loaded into
  // an online window included), and where the event log does.
  PartSource parameters;
  PartSource eventLog;
  // The event-log grid's texts; nullptr when no log was read or opened.
  const EventLogSheet* eventLogSheet = nullptr;
  ReportFields fields;
  // The audit trail's lines of this visit for this controller.
  std::vector<AuditEntry> changes;
  // When the PC read the live values the image holds, the controller clock among them
  // (seconds since the epoch); 0: not read.
  std::int64_t liveReadAt = 0;
};

std::string ServiceReportHtml(const ServiceReportInput& input);

// The controller's clock in the image minus the PC's clock `pcTime` (seconds since the epoch),
// in seconds; nullopt when the image's date or time is not a valid clock.
std::optional<std::int64_t> ClockDriftSeconds(const SiteImages& images, int site,
                                              std::int64_t pcTime);

// "2026-12-11 13:05:22" in local time.
std::string LocalTimeText(std::int64_t seconds);

// `&`, `<`, `>`, `"` and `'` as character references.
std::string HtmlEscape(std::string_view text);

// A parameter title split into its text and the unit in its trailing parentheses:
// "Nomin Power (KW)" gives {"Nomin Power", "KW"}; a title without one gives {title, ""}.
struct TitleAndUnit {
  std::string title;
  std::string unit;
};
TitleAndUnit SplitTitleUnit(std::string_view title);

}  // namespace vorel
