// The monitor page as labelled lines: the state lines, one line per grid value with its row
// and column titles, and the active alarms. vorel-cli monitor prints it and the service report
// shows it; both take it from here so that a value is titled the same everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vorel {

class SiteImages;

struct MonitorSnapshot {
  // The first lines: gen-set, mains and transfer-switch state labels (their value carries its
  // own prefix, so the title is not shown).
  std::size_t stateLines = 0;
  std::vector<std::pair<std::string, std::string>> lines;  // title, value
  std::vector<std::string> alarms;                         // the alarm lines shown
};

// What the site's monitor page shows now, in the current language.
MonitorSnapshot TakeMonitorSnapshot(const SiteImages& images, int site, bool factoryLevel);

}  // namespace vorel
