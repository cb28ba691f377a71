// Desktop notices of new alarms: which ones are announced (on or off, by severity, with or
// without a sound) and the notice's text.
#pragma once

#include <array>
#include <string>

#include "control/alarm_journal.h"

namespace vorel {

struct AlarmNoticeSettings {
  bool enabled = true;
  bool sound = false;
  // By AlarmSeverity: Warning, Unload, Shutdown.
  std::array<bool, 3> severities{true, true, true};

  bool Announces(const AlarmEvent& event) const;
};

// "Site 5 (Pump house): over-speed stop" / "设备 5 (Pump house)：超速停机"; without a name
// the brackets are left off.
std::string AlarmNoticeText(const AlarmEvent& event);
// The notice's title: "Vorel2000 alarm" / "Vorel2000 报警".
std::string AlarmNoticeTitle();

// vport.ini, section Notices: Enabled and Sound (booleans stored "-1"/"0"), Severities (the
// announced severity names separated by commas, e.g. "warning,shutdown"). Missing keys keep
// `current`; a bad value throws SettingsError.
AlarmNoticeSettings LoadAlarmNoticeSettings(const AlarmNoticeSettings& current);
void SaveAlarmNoticeSettings(const AlarmNoticeSettings& settings);

}  // namespace vorel
