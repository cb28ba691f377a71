#include "control/report_fields_settings.h"

#include <filesystem>
#include <string_view>

#include "control/settings.h"
#include "files/file_error.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

struct Key {
  std::string_view name;
  std::string ReportFields::*field;
};
constexpr Key kKeys[] = {{"Customer", &ReportFields::customer},
                         {"Site", &ReportFields::site},
                         {"Technician", &ReportFields::technician},
                         {"Notes", &ReportFields::notes}};

std::string Section(const std::string& serial) {
  return "Report " + serial;
}

// A value is one line: line breaks and backslashes are written as \n, \r and \\.
std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

}  // namespace

ReportFields LoadReportFields(const std::string& serial) {
  ReportFields fields;
  IniDocument doc;
  if (serial.empty() || !doc.Load(VportIniPath(), nullptr, kMaxSettingsBytes)) return fields;
  for (const Key& key : kKeys)
    fields.*key.field = Unescape(doc.ReadString(Section(serial), key.name, ""));
  return fields;
}

bool SaveReportFields(const std::string& serial, const ReportFields& fields) {
  if (serial.empty()) return false;
  const std::filesystem::path ini = VportIniPath();
  std::error_code ec;
  std::filesystem::create_directories(ini.parent_path(), ec);
  IniDocument doc;
  // A file that exists but cannot be read is never replaced, so nothing in it is lost.
  if (!doc.Load(ini, nullptr, kMaxSettingsBytes)) return false;
  for (const Key& key : kKeys)
    doc.WriteString(Section(serial), key.name, Escape(fields.*key.field));
  FileError error;
  return doc.Save(ini, &error);
}

}  // namespace vorel
