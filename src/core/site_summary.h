// One site at a glance, computed from its value image alone: mode, engine state, the key
// values and the alarm list, with texts in the current language and numbers formatted as the
// monitor page formats them. The fleet overview, the alarm notices and journal, vorel-cli
// status and the watch service all read a site through this; nothing here talks to a
// controller.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/monitor_format.h"
#include "core/remote_commands.h"

namespace vorel {

class SiteImages;

// The engine's state in four steps, from the gen-set state word; Unknown for a word the
// controller's state table lacks.
enum class EngineState { Stopped, Cranking, Running, OnLoad, Unknown };
EngineState EngineStateOf(std::int16_t genSetState);
// "Stopped", "Cranking", "Running", "On load" in the current language; empty for Unknown.
std::string EngineStateText(EngineState state);
// The command-line name: "stopped", "cranking", "running", "on-load", "unknown".
std::string_view EngineStateName(EngineState state);

// How serious an alarm is, from the top four bits of its code.
enum class AlarmSeverity { Warning, Unload, Shutdown };
AlarmSeverity AlarmSeverityOf(std::uint16_t code);
// "warning", "unload", "shutdown" (settings and the command line).
std::string_view AlarmSeverityName(AlarmSeverity severity);
// "Warning", "Unload", "Shutdown" in the current language.
std::string AlarmSeverityText(AlarmSeverity severity);

// One line of the site's alarm list.
struct SiteAlarm {
  std::uint16_t code = 0;    // the word with bit 11 set: the alarm's identity and text code
  bool highlighted = false;  // bit 11 as stored (the monitor page's silver line)
  std::string text;          // the monitor page's text, current language
  AlarmSeverity severity = AlarmSeverity::Warning;
  friend bool operator==(const SiteAlarm&, const SiteAlarm&) = default;
};

struct SiteSummary {
  int site = 0;
  std::uint16_t productCode = 0;
  std::string deviceName;
  std::string generatorName;
  std::optional<OperatingMode> mode;
  std::string modeText;  // the mode's caption, or the word in hexadecimal
  std::int16_t genSetState = 0;
  EngineState engine = EngineState::Unknown;
  std::string engineText;  // EngineStateText, or the page's gen-set state text when Unknown
  ScaledNumber activePowerKw;
  ScaledNumber voltageL1L2;
  ScaledNumber frequencyHz;
  ScaledNumber batteryVolts;
  std::vector<SiteAlarm> alarms;  // in list order; the last one is the newest

  bool InAlarm() const { return !alarms.empty(); }
  // The newest alarm's text, empty when the list is empty.
  std::string NewestAlarmText() const {
    return alarms.empty() ? std::string() : alarms.back().text;
  }
};

// The site as its value image holds it now.
SiteSummary SummarizeSite(const SiteImages& images, int site);
// The alarm list alone (cheaper when only the alarms matter).
std::vector<SiteAlarm> SiteAlarms(const SiteImages& images, int site);

// What changed between two alarm lists of one site, compared by code (a line that only
// changed bit 11 is neither new nor gone); each in the order of the list it comes from.
// A code listed twice counts twice.
struct AlarmChanges {
  std::vector<SiteAlarm> appeared;
  std::vector<SiteAlarm> cleared;
  bool Empty() const { return appeared.empty() && cleared.empty(); }
};
AlarmChanges CompareAlarms(std::span<const SiteAlarm> previous, std::span<const SiteAlarm> current);

}  // namespace vorel
