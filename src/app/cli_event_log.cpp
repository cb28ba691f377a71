#include "app/cli_event_log.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <optional>
#include <string>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_json.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/event_log.h"
#include "core/event_log_rows.h"
#include "core/language.h"
#include "files/event_log_csv.h"
#include "files/event_log_file.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

int LogUsage(const char* problem) {
  return CommandUsageError("log", problem);
}

// The grid as the CSV has it (the date and time joined in the first column), as JSON.
bool WriteEventLogJson(int site, const EventLogSheet& sheet) {
  const auto q = [](const std::string& text) { return QString::fromStdString(text); };
  QJsonArray columns{"Date-time"};
  for (int c = 1; c < kEventLogColumns; ++c) columns.append(q(sheet.Cell(0, c)));
  QJsonArray rows;
  for (int row = 1; row <= kEventLogRows; ++row) {
    QJsonArray cells{q(EventDateTime(sheet.Cell(row, 2), sheet.Cell(row, 3)))};
    for (int c = 1; c < kEventLogColumns; ++c) cells.append(q(sheet.Cell(row, c)));
    rows.append(cells);
  }
  return WriteJson(
      QJsonObject{{"command", "log"}, {"site", site}, {"columns", columns}, {"rows", rows}});
}

}  // namespace

int RunEventLogCommand(const PortSettings& port, std::span<const std::string_view> args,
                       CliHost& host, EventPump& pump) {
  int site = 0;
  std::optional<std::string> csvPath;
  std::optional<std::string> logPath;
  std::optional<std::string> language;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--language") {
      if (i + 1 >= args.size() || (args[i + 1] != "english" && args[i + 1] != "chinese"))
        return LogUsage("--language needs english or chinese");
      language = std::string(args[++i]);
    } else if (a == "--csv" || a == "--log") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return LogUsage("missing FILE");
      (a == "--csv" ? csvPath : logPath) = std::string(args[++i]);
      if (csvPath == "-" && logPath == "-") return LogUsage("only one FILE can be -");
    } else if (site == 0 && !a.empty() && a.size() <= 2 &&
               a.find_first_not_of("0123456789") == std::string_view::npos) {
      site = std::stoi(std::string(a));
      if (!IsSite(site)) return LogUsage("SITE must be 1 to 32");
    } else {
      return LogUsage("unexpected argument");
    }
  }
  if (site == 0) return LogUsage("log needs a SITE");
  if (CliJson() && (csvPath == "-" || logPath == "-"))
    return LogUsage("--json already writes to standard output");
  // The event texts in the language the window would show them in: the setting, unless
  // --language names one.
  if (!language) {
    try {
      language = LoadLanguage();
    } catch (const SettingsError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      language = "english";
    }
  }
  SetLanguageSetting(*language);

  CliSession cli(host, pump);
  if (!cli.Open(port)) return kExitFailed;
  if (!cli.Identify(site)) return kExitFailed;
  Session& session = cli.session();
  if (!session.EventLog().Read(site).Completed()) {
    std::fprintf(stderr, "Address %d: the event log could not be read completely\n", site);
    return kExitFailed;
  }
  EventLogSheet sheet;
  SetEventLogTitles(session.Images(), site, sheet);
  if (!DisplayEventLog(session.Images(), site, sheet)) {
    std::fprintf(stderr, "Address %d: the event-log position is out of range; rows left empty\n",
                 site);
  }
  bool ok = true;
  // "-" names standard output: the bytes the file would hold.
  if (logPath == "-") {
    IniDocument document;
    WriteEventLog(sheet, document);
    ok = WriteOut(document.ToBytes()) && ok;
  } else if (logPath) {
    ok = session.EventLog().SaveFile(*logPath, sheet) && ok;
  }
  if (csvPath == "-") {
    ok = WriteOut(EventLogCsv(sheet, true)) && ok;
  } else if (csvPath) {
    ok = session.EventLog().ExportCsvFile(*csvPath, sheet) && ok;
  }
  if (CliJson()) {
    ok = WriteEventLogJson(site, sheet) && ok;
  } else if (!logPath && !csvPath) {
    ok = WriteOut(EventLogCsv(sheet, false)) && ok;
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace vorel
