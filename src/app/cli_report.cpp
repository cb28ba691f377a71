#include "app/cli_report.h"

#include <cstdio>
#include <optional>
#include <string>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/settings.h"
#include "core/event_log.h"
#include "core/language.h"
#include "core/register_table.h"

namespace vorel {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

int ReportUsage(const char* problem) {
  return CommandUsageError("report", problem);
}

}  // namespace

const char* const kReportUsage =
    "  report SITE --out FILE.html\n"
    "                             read the site's parameters, live values and event log and\n"
    "                             write the service report: one HTML page to mail or print\n"
    "                             (--out - writes it to standard output)\n";

int RunReportCommand(const PortSettings& port, std::span<const std::string_view> args,
                     CliHost& host, EventPump& pump) {
  int site = 0;
  std::optional<std::string> out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--out") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return ReportUsage("missing FILE");
      out = std::string(args[++i]);
    } else if (site == 0 && !a.empty() && a.size() <= 2 &&
               a.find_first_not_of("0123456789") == std::string_view::npos) {
      site = std::stoi(std::string(a));
      if (!IsSite(site)) return ReportUsage("SITE must be 1 to 32");
    } else {
      return ReportUsage("unexpected argument");
    }
  }
  if (site == 0) return ReportUsage("report needs a SITE");
  if (!out) return ReportUsage("report needs --out FILE");
  try {
    SetLanguageSetting(LoadLanguage());
    ReadAccessLevel();
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }

  CliSession cli(host, pump);
  if (!cli.Open(port) || !cli.Identify(site)) return kExitFailed;
  Session& session = cli.session();
  const TransferResult parameters = session.Parameters().Read(site);
  // The end of a transfer restarts polling; nothing here polls, and a poll step running inside
  // the next exchange would take its replies.
  session.Poll().StopAll();
  if (!parameters.Completed()) {
    std::fprintf(stderr, "Address %d: the parameters could not be read\n", site);
    return kExitFailed;
  }
  if (!session.ReadBlock<ValueRead>(site, reg::kLiveValues)) {
    std::fprintf(stderr, "Address %d: the live values could not be read\n", site);
    return kExitFailed;
  }
  const bool logRead = session.EventLog().Read(site).Completed();
  session.Poll().StopAll();
  EventLogSheet sheet;
  SetEventLogTitles(session.Images(), site, sheet);
  DisplayEventLog(session.Images(), site, sheet);
  if (!logRead) {
    std::fprintf(stderr,
                 "Address %d: the event log could not be read completely; the report is written "
                 "without it\n",
                 site);
  }
  const EventLogSheet* log = logRead ? &sheet : nullptr;
  if (*out == "-") {  // standard output
    if (!WriteOut(session.Reports().Html(site, log))) return kExitFailed;
  } else if (!session.Reports().WriteTo(site, *out, log)) {
    return kExitFailed;
  }
  return logRead ? kExitOk : kExitFailed;
}

}  // namespace vorel
