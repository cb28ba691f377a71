#include "app/cli_report.h"

#include "app/cli_dates.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <optional>
#include <string>

#include "app/cli_dates.h"
#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/report_fields_settings.h"
#include "control/settings.h"
#include "core/event_log.h"
#include "core/language.h"
#include "core/register_table.h"

namespace vorel {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

std::int64_t StartOfToday() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

int ReportUsage(const char* problem) {
  return CommandUsageError("report", problem);
}

}  // namespace

const char* const kReportUsage =
    "  report SITE --out FILE.html [--customer TEXT] [--site-name TEXT]\n"
    "         [--technician TEXT] [--notes TEXT] [--since YYYY-MM-DD[THH:MM]]\n"
    "         [--language english|chinese]\n"
    "                             read the site's parameters, live values and event log and\n"
    "                             write the service report: one HTML page to mail or print\n"
    "                             (--out - writes it to standard output). The fields are kept\n"
    "                             per controller and used again when not given; the report\n"
    "                             lists the writes to the controller since --since (default:\n"
    "                             the start of today); --language overrides the language set\n"
    "                             in the tool\n";

int RunReportCommand(const PortSettings& port, std::span<const std::string_view> args,
                     CliHost& host, EventPump& pump) {
  int site = 0;
  std::optional<std::string> out;
  // The fields given on the command line; the others are the ones kept for the controller.
  std::optional<std::string> given[4];
  const std::string_view fieldOptions[4] = {"--customer", "--site-name", "--technician", "--notes"};
  std::int64_t since = 0;
  std::optional<std::string> language;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const auto field = std::find(std::begin(fieldOptions), std::end(fieldOptions), a);
    if (a == "--out") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return ReportUsage("missing FILE");
      out = std::string(args[++i]);
    } else if (field != std::end(fieldOptions)) {
      if (i + 1 >= args.size()) return ReportUsage("missing TEXT");
      given[field - std::begin(fieldOptions)] = std::string(args[++i]);
    } else if (a == "--language") {
      if (i + 1 >= args.size() || (args[i + 1] != "english" && args[i + 1] != "chinese"))
        return ReportUsage("--language needs english or chinese");
      language = std::string(args[++i]);
    } else if (a == "--since") {
      const std::optional<std::int64_t> time =
          i + 1 < args.size() ? ParseLocalDate(args[++i]) : std::nullopt;
      if (!time) return ReportUsage("--since needs YYYY-MM-DD or YYYY-MM-DDTHH:MM");
      since = *time;
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
    if (!language) language = LoadLanguage();
    ReadAccessLevel();
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  if (language) SetLanguageSetting(*language);

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
  // The live values hold the controller clock: the PC's time of this reply is its match.
  const std::int64_t liveReadAt = std::time(nullptr);
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
  const std::string serial = session.Images().SerialNumberText(site);
  ReportOptions options{LoadReportFields(serial), since ? since : StartOfToday(), liveReadAt};
  std::string* fields[4] = {&options.fields.customer, &options.fields.site,
                            &options.fields.technician, &options.fields.notes};
  bool anyGiven = false;
  for (int k = 0; k < 4; ++k) {
    if (!given[k]) continue;
    *fields[k] = *given[k];
    anyGiven = true;
  }
  if (anyGiven && !SaveReportFields(serial, options.fields))
    std::fprintf(stderr, "The report's fields could not be kept in %s\n", VportIniPath().c_str());
  if (*out == "-") {  // standard output
    if (!WriteOut(session.Reports().Html(site, log, options))) return kExitFailed;
  } else if (!session.Reports().WriteTo(site, *out, log, options)) {
    return kExitFailed;
  }
  return logRead ? kExitOk : kExitFailed;
}

}  // namespace vorel
