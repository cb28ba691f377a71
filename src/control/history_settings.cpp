#include "control/history_settings.h"

#include <cstdlib>

#include "control/settings.h"
#include "files/ini_document.h"

namespace vorel {

HistorySettings LoadHistorySettings() {
  HistorySettings settings;
  IniDocument doc;
  FileError error;
  if (!doc.Load(VportIniPath(), &error, kMaxSettingsBytes)) return settings;
  settings.database = doc.ReadString("History", "Database", "");
  const std::string days = doc.ReadString("History", "KeepSamplesDays", "");
  char* end = nullptr;
  const long value = std::strtol(days.c_str(), &end, 10);
  if (!days.empty() && *end == '\0' && value >= 1 && value <= 36500)
    settings.keepSamplesDays = static_cast<int>(value);
  return settings;
}

std::optional<HistoryLocation> HistoryLocationOf(const std::string& database, std::string* error) {
  if (database.empty()) {
    HistoryLocation location;
    location.file = DefaultHistoryFile();
    return location;
  }
  return ParseHistoryLocation(database, error);
}

}  // namespace vorel
