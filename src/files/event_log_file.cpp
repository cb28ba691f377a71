#include "files/event_log_file.h"

#include "core/language.h"

namespace vorel {
namespace {

// clang-format off
constexpr std::array<std::string_view, kEventLogColumns - 1> kKeys{
    "Reason",             // Event
    "Date",               // Date
    "Time",               // Time
    "EngineSpeed",        // Speed(RPM)
    "Anlg1",              // AI1
    "Anlg2",              // AI2
    "Anlg3",              // AI3
    "Start Battary Volt", // StartBatt(V)
    "Gen Frequency",      // G_Freq(Hz)
    "Gen Volt L1",        // VG_L1(V)
    "Gen Volt L2",        // VG_L2(V)
    "Gen Volt L3",        // VG_L3(V)
    "Gen Current L11",    // Ig1(A)
    "Gen Current L12",    // Ig2(A)
    "Gen Current L13",    // Ig3(A)
    "PF_L1",              // PF_L1(A)
    "PF_L2",              // PF_L2(A)
    "PF_L3",              // PF_L3(A)
    "ActPower",           // Act Pwr(KW)
    "BI05...BI01",        // BInput
    "BO03...BO01",        // BOutput
    "RO02...RO01",        // ROutput
    "Mains Frequncy",     // M_Freq(Hz)
    "Mains Volt L1",      // VM_L1(V)
    "Mains Volt L2",      // VM_L2(V)
    "Mains Volt L3",      // VM_L3(V)
};
// clang-format on

}  // namespace

std::string EventLogSection(int row) {
  return "HisItem" + std::to_string(row);
}

void WriteEventLog(const EventLogSheet& sheet, IniDocument& document) {
  for (int row = 1; row <= kEventLogRows; ++row) {
    const std::string section = EventLogSection(row);
    for (int c = 1; c < kEventLogColumns; ++c)
      document.WriteString(section, kKeys[static_cast<std::size_t>(c - 1)], sheet.Cell(row, c));
  }
}

void ReadEventLog(const IniDocument& document, EventLogSheet& sheet) {
  for (int row = 1; row <= kEventLogRows; ++row) {
    const std::string section = EventLogSection(row);
    for (int c = 1; c < kEventLogColumns; ++c)
      sheet.Cell(row, c) =
          document.ReadString(section, kKeys[static_cast<std::size_t>(c - 1)], "0");
  }
}

bool SaveEventLogFile(const std::filesystem::path& path, const EventLogSheet& sheet,
                      FileError* error) {
  IniDocument document;
  // An existing file that cannot be read is not replaced: what else it holds would be lost.
  if (!document.Load(path, error, kMaxEventLogFileBytes)) return false;
  WriteEventLog(sheet, document);
  return document.Save(path, error);
}

EventLogFileRead OpenEventLogFile(const std::filesystem::path& path, EventLogSheet& sheet) {
  IniDocument document;
  if (!document.Load(path, nullptr, kMaxEventLogFileBytes)) return EventLogFileRead::Unreadable;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    bool anySection = false;
    for (int row = 1; row <= kEventLogRows && !anySection; ++row)
      anySection = document.HasSection(EventLogSection(row));
    if (!anySection) return EventLogFileRead::NotEventLogFile;
  }
  ReadEventLog(document, sheet);
  return EventLogFileRead::Read;
}

std::string EventLogFileMessage(EventLogFileRead read, const std::string& path) {
  std::string_view pattern;
  switch (read) {
    case EventLogFileRead::Read:
      return {};
    case EventLogFileRead::Unreadable:
      pattern = PickText("Unable to read %s", "无法读取文件 %s");
      break;
    case EventLogFileRead::NotEventLogFile:
      pattern = PickText("%s is not an event-log file", "%s 不是历史记录文件");
      break;
  }
  std::string message(pattern);
  message.replace(message.find("%s"), 2, path);
  return message;
}

}  // namespace vorel
