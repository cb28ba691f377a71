// The service report: one self-contained HTML page about a site that a technician can mail or
// print, made from the site's images (parameters through the editor model's load pass, as a
// window that has just read them shows them). It shows the identity, the monitor snapshot with the
// active alarms, every parameter with its title, value and unit grouped by setpoint grid, the
// channel and binary I/O tables and the event log, all in the current language. Inline CSS only (no
// links, no scripts), UTF-8, every text HTML-escaped.
#pragma once

#include <string>
#include <string_view>

#include "core/event_log.h"

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
  std::string readAt;  // date and time the values were read
  // A window opened from a file has no live values: no monitor snapshot.
  bool online = true;
  // An online window into which a parameter file was loaded: its parameters are the file's,
  // not the controller's (the monitor still is the controller's).
  bool parametersFromFile = false;
  // The event-log grid's texts; nullptr when no log was read or opened.
  const EventLogSheet* eventLog = nullptr;
};

std::string ServiceReportHtml(const ServiceReportInput& input);

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
