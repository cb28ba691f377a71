#include "control/alarm_notice.h"

#include <sstream>

#include "control/settings.h"
#include "core/language.h"
#include "files/file_error.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

constexpr std::string_view kSection = "Notices";
constexpr AlarmSeverity kSeverities[] = {AlarmSeverity::Warning, AlarmSeverity::Unload,
                                         AlarmSeverity::Shutdown};

std::size_t Index(AlarmSeverity s) {
  return static_cast<std::size_t>(s);
}

[[noreturn]] void BadValue(const std::string& text, std::string_view key) {
  throw SettingsError("'" + text + "' is not a valid value (key " + std::string(key) +
                      " of section [" + std::string(kSection) + "] in " + VportIniPath().string() +
                      ")");
}

bool Bool(const IniDocument& doc, std::string_view key, bool current) {
  if (!doc.HasKey(kSection, key)) return current;
  const std::string text = doc.ReadString(kSection, key, "");
  bool ok = false;
  const bool value = ParseIniBool(text, &ok);
  if (!ok) BadValue(text, key);
  return value;
}

}  // namespace

bool AlarmNoticeSettings::Announces(const AlarmEvent& event) const {
  return enabled && event.appeared && !event.atFirstPoll && severities[Index(event.alarm.severity)];
}

std::string AlarmNoticeText(const AlarmEvent& event) {
  std::string text = std::string(PickText("Site ", "设备 ")) + std::to_string(event.site);
  if (!event.siteName.empty()) text += " (" + event.siteName + ")";
  return text + std::string(PickText(": ", "：")) + JournalAlarmText(event);
}

std::string AlarmNoticeTitle() {
  return std::string(PickText("Vorel2000 alarm", "Vorel2000 报警"));
}

AlarmNoticeSettings LoadAlarmNoticeSettings(const AlarmNoticeSettings& current) {
  const std::filesystem::path path = VportIniPath();
  IniDocument doc;
  FileError error;
  if (!doc.Load(path, &error, kMaxSettingsBytes))
    throw SettingsFileError("Unable to read " + path.string() + ": " + EnglishReason(error));
  AlarmNoticeSettings s = current;
  s.enabled = Bool(doc, "Enabled", s.enabled);
  s.sound = Bool(doc, "Sound", s.sound);
  if (doc.HasKey(kSection, "Severities")) {
    const std::string text = doc.ReadString(kSection, "Severities", "");
    std::array<bool, 3> chosen{};
    std::istringstream in(text);
    for (std::string name; std::getline(in, name, ',');) {
      if (name.empty()) continue;
      bool known = false;
      for (AlarmSeverity severity : kSeverities) {
        if (AlarmSeverityName(severity) == name) {
          chosen[Index(severity)] = true;
          known = true;
        }
      }
      if (!known) BadValue(text, "Severities");
    }
    s.severities = chosen;
  }
  return s;
}

void SaveAlarmNoticeSettings(const AlarmNoticeSettings& settings) {
  const std::filesystem::path path = VportIniPath();
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  IniDocument doc;
  FileError error;
  std::string severities;
  for (AlarmSeverity severity : kSeverities) {
    if (!settings.severities[Index(severity)]) continue;
    if (!severities.empty()) severities += ',';
    severities += AlarmSeverityName(severity);
  }
  // A file that exists but cannot be read is never replaced.
  if (doc.Load(path, &error, kMaxSettingsBytes)) {
    SeedNewVportIni(path, doc);
    doc.WriteString(kSection, "Enabled", settings.enabled ? "-1" : "0");
    doc.WriteString(kSection, "Sound", settings.sound ? "-1" : "0");
    doc.WriteString(kSection, "Severities", severities);
    if (doc.Save(path, &error)) return;
  }
  throw SettingsError(UnableToWriteMessage(path, error));
}

}  // namespace vorel
