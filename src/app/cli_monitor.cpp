#include "app/cli_monitor.h"

#include <unistd.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_json.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/busy_notice.h"
#include "control/command_sender.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/alarm_codes.h"
#include "core/language.h"
#include "core/load_state.h"
#include "core/monitor_format.h"
#include "core/monitor_snapshot.h"

namespace vorel {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kDefaultIntervalMs = 1000;
constexpr int kMinIntervalMs = 100;
constexpr int kMaxIntervalMs = 3600 * 1000;

struct MonitorOptions {
  int site = 0;
  bool once = false;
  bool csv = false;
  bool markStale = false;  // --mark-stale: failed polls as rows too, with a status column
  int intervalMs = kDefaultIntervalMs;
  std::optional<RemoteCommand> command;
  bool yes = false;
};

std::optional<int> Number(std::string_view text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

// Fills `options`; an exit status when the arguments are wrong.
std::optional<int> Parse(std::string_view name, const std::vector<std::string_view>& args,
                         MonitorOptions& options) {
  const auto usageError = [name](std::string_view problem) {
    return CommandUsageError(name, problem);
  };
  if (args.empty()) return usageError("missing SITE");
  const auto site = Number(args[0], 1, kSiteCount);
  if (!site) return usageError("SITE must be 1 to 32");
  options.site = *site;
  std::size_t i = 1;
  if (name == "command") {
    if (args.size() < 2) return usageError("command needs a command name");
    options.command = RemoteCommandNamed(args[1]);
    if (!options.command) return usageError("unknown command name " + std::string(args[1]));
    i = 2;
  }
  for (; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (name == "monitor" && a == "--once") {
      options.once = true;
    } else if (name == "monitor" && a == "--csv") {
      options.csv = true;
    } else if (name == "monitor" && a == "--mark-stale") {
      options.markStale = true;
    } else if (name == "monitor" && a == "--interval") {
      if (i + 1 >= args.size()) return usageError("missing value after --interval");
      const auto ms = Number(args[++i], kMinIntervalMs, kMaxIntervalMs);
      if (!ms) return usageError("--interval must be 100 to 3600000 ms");
      options.intervalMs = *ms;
    } else if (name == "command" && a == "--yes") {
      options.yes = true;
    } else {
      return usageError("unknown argument");
    }
  }
  if (options.markStale && !options.csv) return usageError("--mark-stale needs --csv");
  if (options.csv && CliJson()) return usageError("--csv and --json exclude each other");
  return std::nullopt;
}

// One CSV field, quoted when it needs it.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

using Snapshot = MonitorSnapshot;

void PrintSnapshot(const Snapshot& s) {
  for (std::size_t i = 0; i < s.lines.size(); ++i) {
    const auto& [title, value] = s.lines[i];
    if (i < s.stateLines) {
      PrintOut("%s\n", value.c_str());
    } else {
      PrintOut("%s: %s\n", title.c_str(), value.c_str());
    }
  }
  PrintOut("%s:", std::string(PickText("Alarms", "报警")).c_str());
  if (s.alarms.empty()) PrintOut(" %s", std::string(PickText("none", "无")).c_str());
  WriteOut("\n");
  for (const std::string& a : s.alarms) PrintOut("  %s\n", a.c_str());
  FlushOut();
}

// One CSV row: the time the reply arrived and the values, or (`status` given) with the
// status column after them. A failed poll (`failed`) leaves every value field empty: the
// values it would repeat are not the controller's now.
void PrintCsv(const Snapshot& s, bool header, const QDateTime& time, bool failed,
              const std::optional<std::string>& status) {
  std::string line;
  if (header) {
    line = "time";
    for (const auto& entry : s.lines) line += "," + CsvField(entry.first);
    line += "," + CsvField(std::string(PickText("Alarms", "报警")));
    if (status) line += ",status";
    WriteOut(line + "\n");
  }
  line = time.toString(Qt::ISODate).toStdString();
  for (const auto& entry : s.lines) line += "," + (failed ? std::string() : CsvField(entry.second));
  std::string alarms;
  if (!failed)
    for (const std::string& a : s.alarms) alarms += (alarms.empty() ? "" : "; ") + a;
  line += "," + CsvField(alarms);
  if (status) line += "," + CsvField(*status);
  WriteOut(line + "\n");
  FlushOut();
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// One poll as one JSON line: a failed poll carries no values, only why it failed.
void PrintJsonPoll(const Snapshot& s, int site, const QDateTime& time, bool ok,
                   const std::string& status) {
  QJsonArray state;
  QJsonArray values;
  QJsonArray alarms;
  if (ok) {
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
      const auto& [title, value] = s.lines[i];
      if (i < s.stateLines) {
        state.append(Q(value));
      } else {
        values.append(QJsonObject{{"title", Q(title)}, {"value", Q(value)}});
      }
    }
    for (const std::string& a : s.alarms) alarms.append(Q(a));
  }
  WriteJson(QJsonObject{{"command", "monitor"},
                        {"site", site},
                        {"time", time.toString(Qt::ISODate)},
                        {"ok", ok},
                        {"status", Q(status)},
                        {"state", state},
                        {"values", values},
                        {"alarms", alarms}});
}

// A question such as "Start the engine of site N?" on a terminal; true for y or yes.
bool ConfirmOnTerminal(const std::string& question) {
  std::fprintf(stderr, "%s [y/N] ", question.c_str());
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES";
}

}  // namespace

const char* const kMonitorUsage =
    "  monitor SITE [--once] [--interval MS] [--csv [--mark-stale]]\n"
    "                             identify the site, then poll its live values every MS\n"
    "                             (default 1000) and print what its monitor page shows: the\n"
    "                             state lines, one line per value, the active alarms;\n"
    "                             --once prints one snapshot, --csv one CSV row per poll\n"
    "                             that answered, timed when the reply arrived; a failed\n"
    "                             poll prints nothing (its message goes to stderr), with\n"
    "                             --mark-stale a row of empty values whose last column,\n"
    "                             status, says why (ok on the others)\n"
    "  command SITE off|manual|auto|test|start|stop|mute|reset [--yes]\n"
    "                             identify the site and send one command as the monitor's\n"
    "                             button does; start, and stop or off while the set is on\n"
    "                             load, ask on a terminal and need --yes otherwise\n";

bool IsMonitorCommand(std::string_view name) {
  return name == "monitor" || name == "command";
}

std::optional<int> ParseMonitorArguments(std::string_view name,
                                         const std::vector<std::string_view>& args) {
  MonitorOptions options;
  return Parse(name, args, options);
}

int RunMonitorCommand(std::string_view name, const std::vector<std::string_view>& args,
                      const PortSettings& port, CliHost& host, EventPump& pump) {
  MonitorOptions options;
  if (auto stop = Parse(name, args, options)) return *stop;
  try {
    SetLanguageSetting(LoadLanguage());
    ReadAccessLevel();
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  if (options.command == RemoteCommand::Start && !options.yes) {
    if (!isatty(STDIN_FILENO)) {
      std::fprintf(stderr, "vorel-cli: start needs --yes when not run on a terminal\n");
      return kExitUsage;
    }
  }

  CliSession cli(host, pump);
  if (!cli.Open(port)) return kExitFailed;
  const int site = options.site;
  if (!cli.Identify(site)) return kExitFailed;
  Session& session = cli.session();

  int status = kExitOk;
  if (options.command) {
    bool confirmed = true;
    if (*options.command == RemoteCommand::Start && !options.yes)
      confirmed = ConfirmOnTerminal(StartQuestionText(site));
    const bool stops =
        *options.command == RemoteCommand::Stop || *options.command == RemoteCommand::Off;
    if (stops && !options.yes) {
      // Whether the set carries a load is known only from a fresh read of its live values;
      // without one nothing is sent (the failure went to stderr).
      if (!session.ReadBlock<ValueRead>(site, reg::kLiveValues)) {
        std::fprintf(stderr, "vorel-cli: not sent: whether site %d is on load is unknown\n", site);
        return kExitFailed;
      }
      if (GeneratorOnLoad(session.Images(), site)) {
        if (!isatty(STDIN_FILENO)) {
          std::fprintf(stderr,
                       "vorel-cli: site %d is on load: %s needs --yes when not run on a "
                       "terminal\n",
                       site, std::string(args[1]).c_str());
          return kExitUsage;
        }
        confirmed = ConfirmOnTerminal(OnLoadQuestionText(site));
      }
    }
    if (!confirmed) {
      std::fprintf(stderr, "vorel-cli: not sent\n");
      status = kExitFailed;
    } else {
      status = TellIfBusy(host, session.Commands().Send(site, *options.command, true)).Completed()
                   ? kExitOk
                   : kExitFailed;
    }
  } else {
    const bool factory = IsFactoryLevel();
    bool first = true;
    for (;;) {
      const RequestResult result = session.ReadBlock<ValueRead>(site, reg::kLiveValues);
      const QDateTime arrived = QDateTime::currentDateTime();
      const bool ok = static_cast<bool>(result);
      if (cli.session().Connector().PortWasLost()) {  // already said; nothing more can be read
        status = kExitFailed;
        break;
      }
      // A failed poll brought nothing new: the values the image still holds are not shown as
      // the controller's (the failure itself went to stderr), except as an empty row with its
      // status when asked for.
      if (CliJson()) {
        PrintJsonPoll(TakeMonitorSnapshot(session.Images(), site, factory), site, arrived, ok,
                      ok ? "ok" : PollFailureMessage(result.outcome));
        first = false;
      } else if (ok || (options.csv && options.markStale)) {
        // The titles are those of the site's configuration even when the poll failed.
        const Snapshot snapshot = TakeMonitorSnapshot(session.Images(), site, factory);
        if (options.csv) {
          std::optional<std::string> rowStatus;
          if (options.markStale) rowStatus = ok ? "ok" : PollFailureMessage(result.outcome);
          PrintCsv(snapshot, first, arrived, !ok, rowStatus);
        } else {
          if (!first) WriteOut("\n");
          PrintSnapshot(snapshot);
        }
        first = false;
      }
      if (!OutputOk()) {  // nobody reads what follows; the end of the command says why
        status = kExitFailed;
        break;
      }
      if (options.once) {
        status = ok ? kExitOk : kExitFailed;
        break;
      }
      session.Link().DelayWithEvents(options.intervalMs);
    }
  }
  return status;
}

}  // namespace vorel
