// vorel-cli: the headless front end. Commands:
// PATH may be tcp://HOST:PORT: the frames then go over TCP to a serial device server.
//   vorel-cli [--port PATH] [--baud N] read SITE ADDRESS COUNT
//   vorel-cli [--port PATH] [--baud N] write SITE ADDRESS WORD...
//   vorel-cli [--port PATH] [--baud N] identify SITE...
//   vorel-cli [--port PATH] [--baud N|auto] scan
//   vorel-cli [--port PATH] [--baud N] log SITE [--csv FILE] [--log FILE]
//   vorel-cli [--port PATH] [--baud N] report SITE --out FILE.html
//   vorel-cli [--port PATH] [--baud N] monitor SITE [--once] [--interval MS] [--csv [--mark-stale]]
//   vorel-cli [--port PATH] [--baud N] status [SITE]... [--json]
//   vorel-cli [--port PATH] [--baud N] command SITE off|manual|auto|...|reset [--yes]
//   vorel-cli [--port PATH] [--baud N] backup|restore|diff ...
//   vorel-cli [--port PATH] [--baud N] watch SITE... --mqtt HOST:PORT --metrics ADDR:PORT
//   vorel-cli watch --config FILE
//   vorel-cli [--port PATH] [--baud N] curve SITE AI1|AI2|AI3 [--export FILE |
//                                            --import FILE --password PW]
// Exit status: 0 done, 1 the exchange failed (message on standard error), 2 usage error.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli_audit.h"
#include "app/cli_curve.h"
#include "app/cli_event_log.h"
#include "app/cli_help.h"
#include "app/cli_history.h"
#include "app/cli_host.h"
#include "app/cli_identify.h"
#include "app/cli_json.h"
#include "app/cli_modem.h"
#include "app/cli_monitor.h"
#include "app/cli_output.h"
#include "app/cli_parameter_file.h"
#include "app/cli_port_defaults.h"
#include "app/cli_report.h"
#include "app/cli_safe_write.h"
#include "app/cli_scan.h"
#include "app/cli_status.h"
#include "app/cli_trace.h"
#include "app/cli_view.h"
#include "app/cli_watch.h"
#include "control/connect_sequence.h"
#include "control/register_exchange.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/language.h"
#include "core/site_images.h"
#include "link/exception_meaning.h"
#include "link/modbus_frame.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/tcp_port.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The usage text is laid out so that help2man makes the manual page of it: each entry a tag
// and its description from column 29, blank lines between the parts, and the headings that
// help2man turns into sections.
constexpr const char* kUsage =
    "Usage: vorel-cli [OPTION]... COMMAND ARGS...\n"
    "The service tool for generating-set controllers without windows, for scripts: read and\n"
    "write registers, identify, scan, watch and command the controllers on a serial line,\n"
    "through a dial-up modem or over TCP, read their event logs, back up and restore their\n"
    "parameters.\n"
    "\n"
    "Commands:\n"
    "  read SITE ADDRESS COUNT    read COUNT (1-125) holding registers (function 3)\n"
    "  write SITE ADDRESS WORD...\n"
    "                             write 1 to 123 registers (function 16); a write to parameter\n"
    "                             registers needs --password PW and goes through the checked\n"
    "                             write with the options of restore; 0x8010 and 0x0113 are\n"
    "                             written by 'command'\n"
    "  identify SITE...           identify each controller as Connect does and print its\n"
    "                             identification, then 'Address N: connected' or the reason\n"
    "                             of the failure; exit 0 only when every site connected\n"
    "  log SITE [--csv FILE] [--log FILE] [--language english|chinese]\n"
    "                             read the whole event log; write it as CSV (to standard\n"
    "                             output without a file option) and/or as an event-log file\n"
    "  curve SITE AI1|AI2|AI3 [--export FILE | --import FILE --password PW]\n"
    "                             write the channel's sensor curve as CSV (to standard output\n"
    "                             without a file option), or check a CSV curve file and write\n"
    "                             the curve through the checked write (--stop-engine,\n"
    "                             --stay-off and --dry-run as for restore)\n";

// After the commands of every family.
constexpr const char* kUsageNotes =
    "\n"
    "SITE is 1 to 32; ADDRESS and WORD are 0 to 65535, decimal or 0x-hexadecimal.\n"
    "'vorel-cli help COMMAND' or 'vorel-cli COMMAND --help' shows one command; the user guide\n"
    "(Help in vorel) explains every command with examples.\n"
    "\n"
    "Options:\n"
    "  --port PATH                the serial port (default: the Port of the ComPort1\n"
    "                             settings); tcp://HOST:PORT reaches the controllers through\n"
    "                             a serial device server over TCP: the frames pass\n"
    "                             unchanged, the server's own line settings apply (--baud is\n"
    "                             ignored), the connection must be accepted within 3 s, and\n"
    "                             the reply timeouts are those of a local line\n"
    "  --baud N                   the baud rate (default: that of the ComPort1 settings)\n"
    "  --echo                     drop the echo of each request that a two-wire adapter\n"
    "                             hears before the reply (a mismatch is a line error); the\n"
    "                             DiscardEcho setting of ComPort1 does the same\n"
    "  --fast                     complete each reply as soon as its last byte arrives (the\n"
    "                             default for read, write, scan and backup)\n"
    "  --paced                    collect replies in the desktop tool's 100 ms steps\n"
    "  --modem --dial NUMBER      dial through a modem first and hang up at the end (--dial\n"
    "                             alone when the settings' modem option is on); the\n"
    "                             progress goes to standard error\n"
    "  --trace FILE               write every frame of the command to FILE, one line each:\n"
    "                             milliseconds since the port opened, TX or RX, site,\n"
    "                             function, first register+count, length, the bytes in\n"
    "                             hexadecimal and the outcome (request, reply, CRC error,\n"
    "                             exception NN, timeout)\n"
    "  --history URL              keep the history in URL (an SQLite file or\n"
    "                             postgresql://user@host/db; the password comes from\n"
    "                             ~/.pgpass or PGPASSWORD) instead of [History] Database\n"
    "  -h, --help                 print this help and exit\n"
    "  --version                  print the version and exit\n";

// Decimal, or hexadecimal after "0x"/"0X"; nothing else, and at most `max`.
std::optional<unsigned long> ParseNumber(std::string_view text, unsigned long max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  unsigned long value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
    if (value > max) return std::nullopt;
  }
  return value;
}

void PrintUsage(std::FILE* out) {
  std::fputs(vorel::UsageText().c_str(), out);
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "vorel-cli: %s\n", problem);
  PrintUsage(stderr);
  return kExitUsage;
}

struct Command {
  vorel::PortSettings port;
  std::string name;
  int site = 0;
  std::uint16_t address = 0;
  std::uint16_t count = 0;
  std::vector<std::uint16_t> words;
  std::vector<int> sites;              // identify
  std::vector<std::string_view> rest;  // the arguments of log, monitor and command
  bool everySpeed = false;             // scan --baud auto
  std::optional<bool> fast;            // --fast / --paced; else by command
  vorel::CliWriteFlags writeFlags;     // write to parameter registers
};

// Fills `command`; returns an exit status when the program should stop here.
std::optional<int> Parse(const std::vector<std::string_view>& args, Command& command) {
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--help" || a == "-h") {
      vorel::WriteOut(vorel::UsageText());
      vorel::WriteOut(vorel::kHelpNotes);
      return kExitOk;
    }
    if (a == "--version") {
      vorel::WriteOut("vorel-cli " VOREL_VERSION "\n");
      return kExitOk;
    }
    if (a == "--echo") {
      command.port.discardEcho = true;
      continue;
    }
    if (a == "--fast" || a == "--paced") {
      command.fast = a == "--fast";
      continue;
    }
    if (a == "--port" || a == "--baud") {
      if (i + 1 >= args.size())
        return vorel::ShortUsageError("missing value after " + std::string(a));
      const std::string_view value = args[++i];
      if (a == "--port") {
        if (value.empty()) return vorel::ShortUsageError("empty port name");
        command.port.name = std::string(value);
        std::string problem;
        if (vorel::IsTcpPortName(command.port.name) &&
            !vorel::ParseTcpPortName(command.port.name, &problem)) {
          return vorel::ShortUsageError(problem);
        }
      } else if (value == "auto") {
        command.everySpeed = true;
      } else {
        const auto baud = ParseNumber(value, 4000000);
        if (!baud || *baud == 0) return vorel::ShortUsageError("bad baud rate");
        command.port.baud = static_cast<int>(*baud);
      }
      continue;
    }
    if (a.starts_with("-")) return vorel::ShortUsageError("unknown option " + std::string(a));
    break;
  }
  if (i >= args.size()) return Usage("no command");
  command.name = std::string(args[i++]);
  std::size_t rest = args.size() - i;
  if (command.name == "scan") {
    // --baud auto may also follow the command.
    if (rest == 2 && args[i] == "--baud" && args[i + 1] == "auto") {
      command.everySpeed = true;
      rest = 0;
    }
    if (rest != 0)
      return vorel::CommandUsageError("scan", "scan takes no arguments but --baud auto");
    return std::nullopt;
  }
  if (command.everySpeed) return vorel::ShortUsageError("--baud auto is for scan only");
  if (command.name == "log" || command.name == "curve" || command.name == "report" ||
      command.name == "audit" || command.name == "history" ||
      vorel::IsParameterFileCommand(command.name)) {
    command.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return std::nullopt;
  }
  if (command.name == "identify") {
    if (rest == 0) return vorel::CommandUsageError("identify", "identify needs at least one SITE");
    for (; i < args.size(); ++i) {
      const auto site = ParseNumber(args[i], vorel::kSiteCount);
      if (!site || *site < 1) return vorel::CommandUsageError("identify", "SITE must be 1 to 32");
      command.sites.push_back(static_cast<int>(*site));
    }
    return std::nullopt;
  }
  if (vorel::IsMonitorCommand(command.name)) {
    command.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return vorel::ParseMonitorArguments(command.name, command.rest);
  }
  if (command.name == "watch") {
    command.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return vorel::ParseWatchArguments(command.rest);
  }
  if (command.name == "status") {
    command.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return vorel::ParseStatusArguments(command.rest);
  }
  if (command.name != "read" && command.name != "write")
    return vorel::ShortUsageError("unknown command " + command.name);
  const auto usage = [&](std::string_view problem) {
    return vorel::CommandUsageError(command.name, problem);
  };
  // The options of a write to parameters may stand anywhere after the command.
  std::vector<std::string_view> plain(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
  if (command.name == "write") {
    const std::span<const std::string_view> tail(args.begin() + static_cast<std::ptrdiff_t>(i),
                                                 args.end());
    for (std::size_t k = 0; k < tail.size(); ++k) {
      bool bad = false;
      if (vorel::TakeWriteFlag(tail, k, command.writeFlags, &bad)) {
        if (bad) return usage("missing value after an option");
      } else {
        plain.push_back(tail[k]);
      }
    }
    rest = plain.size() - i;
  }
  const std::vector<std::string_view>& words = command.name == "write" ? plain : args;
  if (command.name == "read" ? rest != 3 : rest < 3) return usage("wrong number of arguments");
  const auto site = ParseNumber(words[i], vorel::kSiteCount);
  if (!site || *site < 1) return usage("SITE must be 1 to 32");
  const auto address = ParseNumber(words[i + 1], 0xFFFF);
  if (!address) return usage("bad ADDRESS");
  command.site = static_cast<int>(*site);
  command.address = static_cast<std::uint16_t>(*address);
  if (command.name == "read") {
    const auto count = ParseNumber(words[i + 2], vorel::kMaxReadCount);
    if (!count || *count < 1) return usage("COUNT must be 1 to 125");
    command.count = static_cast<std::uint16_t>(*count);
    return std::nullopt;
  }
  if (rest - 2 > static_cast<std::size_t>(vorel::kMaxWriteCount)) {
    return usage("at most 123 words per write");
  }
  for (std::size_t k = i + 2; k < words.size(); ++k) {
    const auto word = ParseNumber(words[k], 0xFFFF);
    if (!word) return usage("bad WORD");
    command.words.push_back(static_cast<std::uint16_t>(*word));
  }
  return std::nullopt;
}

void ShowPortError(vorel::Host& host, const vorel::SerialPort& port, const std::string& name,
                   const std::string& error) {
  // A TCP port's error already names the host and the reason, a failed dial says why.
  if (vorel::IsTcpPortName(name) || port.OpenErrorIsMessage()) {
    host.ShowMessage(error);
    return;
  }
  host.ShowMessage(vorel::PortErrorText(name));
  std::fprintf(stderr, "%s\n", error.c_str());
}

// The identification of Connect for each site, without windows.
int Identify(const Command& command, vorel::CliHost& host, vorel::EventPump& pump) {
  vorel::CliView view;
  vorel::Session session(host, pump, view);
  vorel::UseCliPorts(session, pump);
  vorel::StartCliHistory(session);
  vorel::ConnectSequence& connector = session.Connector();
  std::string error;
  if (!connector.OpenPort(command.port, &error)) {
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return kExitFailed;
  }
  bool all = true;
  QJsonArray sites;
  for (int site : command.sites) {
    host.lastMessage.clear();
    const bool ok = connector.IdentifySite(site);
    if (vorel::CliJson()) {
      QJsonArray lines;
      for (const auto& line : vorel::IdentificationLines(view.log))
        lines.append(QString::fromStdString(line));
      const std::string message = ok                         ? std::string()
                                  : host.lastMessage.empty() ? vorel::SiteConnectFailText(site)
                                                             : host.lastMessage;
      sites.append(QJsonObject{{"site", site},
                               {"connected", ok},
                               {"identification", lines},
                               {"message", QString::fromStdString(message)}});
      all = all && ok;
      if (connector.PortWasLost()) break;
      continue;
    }
    for (const auto& line : vorel::IdentificationLines(view.log)) vorel::WriteOut(line + "\n");
    if (ok) {
      vorel::PrintOut("Address %d: connected\n", site);
    } else {
      all = false;
      vorel::PrintOut("Address %d: %s\n", site,
                      host.lastMessage.empty() ? vorel::SiteConnectFailText(site).c_str()
                                               : host.lastMessage.c_str());
    }
    vorel::FlushOut();
    if (connector.PortWasLost()) break;  // already said; no further site can answer
  }
  connector.Disconnect();
  if (vorel::CliJson()) vorel::WriteJson(QJsonObject{{"command", "identify"}, {"sites", sites}});
  return all ? kExitOk : kExitFailed;
}

}  // namespace

std::string vorel::UsageText() {
  return std::string(kUsage) + kScanUsage + kMonitorUsage + kStatusUsage + kParameterFileUsage +
         kSafeWriteUsage + kAuditUsage + kHistoryUsage + kReportUsage + kWatchUsage + kUsageNotes +
         kJsonUsage;
}

namespace {

// Every command; main checks its output at the end.
int Run(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  vorel::SetLanguageSetting("english");  // for the usage errors too
  Command command;
  try {
    command.port = vorel::CliDefaultPortSettings();
  } catch (const vorel::SettingsError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitFailed;
  }
  std::string modemProblem;
  if (!vorel::TakeModemOptions(args, &modemProblem)) return vorel::ShortUsageError(modemProblem);
  std::string traceProblem;
  if (!vorel::TakeTraceOption(args, &traceProblem)) return vorel::ShortUsageError(traceProblem);
  vorel::TakeJsonOption(args);
  std::string historyProblem;
  if (!vorel::TakeHistoryOption(args, &historyProblem))
    return vorel::ShortUsageError(historyProblem);
  if (auto help = vorel::HandleHelpRequest(args, vorel::UsageText())) return *help;
  if (auto stop = Parse(args, command)) return *stop;
  if (vorel::CliJson() && !vorel::CommandHasJson(command.name))
    return vorel::ShortUsageError(
        "--json is for read, identify, scan, monitor, log, diff, status and audit");
  vorel::StartCliModem();

  QCoreApplication app(argc, argv);
  vorel::SetLanguageSetting("english");
  vorel::CliHost host;
  vorel::QtEventPump pump;
  if (command.name == "identify") return Identify(command, host, pump);
  if (command.name == "watch") return vorel::RunWatchCommand(command.port, command.rest);
  if (command.name == "audit") return vorel::RunAuditCommand(command.rest);
  if (command.name == "history") return vorel::RunHistoryCommand(command.rest);
  if (command.name == "log")
    return vorel::RunEventLogCommand(command.port, command.rest, host, pump);
  if (vorel::IsParameterFileCommand(command.name))
    return vorel::RunParameterFileCommand(command.name, command.rest, command.port, host, pump,
                                          command.fast.value_or(command.name == "backup"));
  if (command.name == "curve")
    return vorel::RunCurveCommand(command.port, command.rest, host, pump);
  if (command.name == "report")
    return vorel::RunReportCommand(command.port, command.rest, host, pump);
  if (vorel::IsMonitorCommand(command.name))
    return vorel::RunMonitorCommand(command.name, command.rest, command.port, host, pump);
  if (command.name == "status")
    return vorel::RunStatusCommand(command.rest, command.port, host, pump);
  if (command.name == "write") {
    if (auto refused = vorel::CheckRawWrite(command.address, command.words.size())) {
      std::fprintf(stderr, "vorel-cli: %s\n", refused->c_str());
      return kExitUsage;
    }
    if (vorel::IsParameterWrite(command.address, command.words.size())) {
      if (!command.writeFlags.password && !command.writeFlags.dryRun)
        return Usage("a write to parameter registers needs --password PW");
      return vorel::RunParameterWrite(command.port, command.site, command.address, command.words,
                                      command.writeFlags, host, pump);
    }
  }
  const bool fast = command.fast.value_or(true);  // read, write and scan
  if (command.name == "scan")
    return vorel::RunScanCommand(command.port, command.everySpeed, fast, host, pump);
  const auto port = vorel::MakeCliPort(pump);
  vorel::RegisterExchange exchange(*port, host, pump);
  vorel::AttachCliTrace(exchange.Traffic());
  exchange.Link().SetModem(vorel::CliModemOn());
  exchange.SetFast(fast);

  std::string error;
  if (!exchange.Open(command.port, &error)) {
    ShowPortError(host, *port, command.port.name, error);
    return kExitFailed;
  }
  // After a failed request: the port that went away is named once; a timeout says where it
  // happened.
  auto failed = [&](const vorel::RequestResult& result) {
    if (port->Gone()) {
      host.ShowMessage(vorel::PortGoneText(command.port.name, port->GoneReason()));
    } else if (result.outcome == vorel::RequestOutcome::Timeout) {
      std::fprintf(stderr, "%s\n",
                   vorel::TimeoutPlaceText(command.port.name, command.site).c_str());
    }
    return kExitFailed;
  };
  if (command.name == "read") {
    std::vector<std::uint16_t> words;
    const vorel::RequestResult read =
        exchange.Read(command.site, command.address, command.count, &words);
    if (!read) return failed(read);
    if (vorel::CliJson()) {
      QJsonArray values;
      for (std::uint16_t word : words) values.append(static_cast<int>(word));
      vorel::WriteJson(QJsonObject{{"command", "read"},
                                   {"site", command.site},
                                   {"address", static_cast<int>(command.address)},
                                   {"words", values}});
      return kExitOk;
    }
    std::string line;
    for (std::size_t k = 0; k < words.size(); ++k) {
      if (k) line += ' ';
      line += std::to_string(words[k]);
    }
    vorel::WriteOut(line + "\n");
    vorel::FlushOut();  // a script has the values now, not when the port is closed
    return kExitOk;
  }
  const vorel::RequestResult written = exchange.Write(command.site, command.address, command.words);
  return written ? kExitOk : failed(written);
}

}  // namespace

int main(int argc, char** argv) {
  int status = Run(argc, argv);
  std::string traceProblem;
  if (!vorel::CloseCliTrace(&traceProblem)) {
    std::fprintf(stderr, "%s\n", traceProblem.c_str());
    status = kExitFailed;
  }
  return vorel::FinishOutput(status);
}
