// Where the history is kept and for how long: section [History] of vport.ini, keys Database
// (an SQLite file's path or "postgresql://user@host/db"; empty or missing: the default file)
// and KeepSamplesDays (default 90). A password never goes into vport.ini.
#pragma once

#include <optional>
#include <string>

#include "store/history_location.h"

namespace vorel {

struct HistorySettings {
  std::string database;  // as written; empty for the default file
  int keepSamplesDays = 90;
};

// Missing keys keep their defaults; a KeepSamplesDays that is not a whole number from 1 to
// 36500 stays 90.
HistorySettings LoadHistorySettings();

// The location the settings (or vorel-cli's --history) name; nothing, with the reason, for a
// text that is not one.
std::optional<HistoryLocation> HistoryLocationOf(const std::string& database, std::string* error);

}  // namespace vorel
