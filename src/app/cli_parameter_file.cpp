#include "app/cli_parameter_file.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_json.h"
#include "app/cli_output.h"
#include "app/cli_safe_write.h"
#include "app/cli_session.h"
#include "control/identification.h"
#include "control/parameter_file_transfer.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/cp936.h"
#include "core/editor_model.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "files/difference_groups.h"
#include "files/parameter_compare.h"
#include "files/parameter_file.h"
#include "files/parameter_values.h"

namespace vorel {

const char* const kParameterFileUsage =
    "  backup SITE... [--out DIR] | backup SITE --file PATH\n"
    "                             read each site's parameters as the window's Read does and\n"
    "                             save them as the Backup button would, one new file per site\n"
    "                             (PRODUCTCODE-SERIAL-Snn-YYYYMMDD-HHMMSS.dat, never over an\n"
    "                             existing file; --file PATH replaces PATH, --file - writes to\n"
    "                             standard output); a failed site does not stop the others;\n"
    "                             exit 1 if any failed\n"
    "  restore SITE FILE --password PW [--dry-run] [--stay-off] [--allow-other-unit]\n"
    "          [--stop-engine] [--include-address] [--include-counters]\n"
    "                             write into the controller what FILE sets and it does not\n"
    "                             hold (the change list is printed first); read back\n"
    "                             and list every register that differs; exit 0 only when the\n"
    "                             read-back matches\n"
    "  diff A B                   A and B each a .dat file or site:N; one line per parameter\n"
    "                             that differs; exit 0 equal, 1 different, 2 trouble\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The command being run: its usage is what a usage error shows.
std::string_view usageCommand;

int FileUsage(const char* problem) {
  return CommandUsageError(usageCommand, problem);
}

std::optional<int> SiteNumber(std::string_view text) {
  if (text.empty() || text.size() > 2 ||
      text.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  const int site = std::stoi(std::string(text));
  return IsSite(site) ? std::optional<int>(site) : std::nullopt;
}

// Reads the site's parameters as the window's Read does after identifying it; the editors then
// hold what an online window shows (limits from the descriptors).
bool ReadSite(CliSession& cli, int site, EditorModel& editors) {
  if (!cli.Identify(site)) return false;
  Session& session = cli.session();
  const TransferResult read = session.Parameters().Read(site);
  // The end of the transfer restarts polling; nothing here polls, and a poll step running
  // inside the next site's exchanges would take its replies.
  session.Poll().StopAll();
  session.FreeSlot(site);
  if (!read.Completed()) {
    std::fprintf(stderr, "Address %d: the parameters could not be read\n", site);
    return false;
  }
  const SiteImages& images = session.Images();
  editors.AdaptToControllerType(images.Word(site, reg::kProductCode.address), IsFactoryLevel());
  editors.ApplyEditorLimits(images, site);
  editors.Load(images, site);
  return true;
}

std::string DefaultFileName(const SiteImages& images, int site, const EditorModel& editors) {
  std::string serial;
  for (std::size_t i = 0; i < editors.size(); ++i)
    if (EditorModel::Rows()[i].conversion == Conversion::SerialNumber) serial = editors[i].text;
  for (char& c : serial)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  if (serial.empty()) serial.push_back('0');
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char siteAndTime[32];
  std::snprintf(siteAndTime, sizeof siteAndTime, "-S%02d-", site);
  std::strftime(siteAndTime + 5, sizeof siteAndTime - 5, "%Y%m%d-%H%M%S", &local);
  // Built by appending (also "0" above): assigning or joining literals here makes gcc 12 report
  // a false -Wrestrict overlap in optimised builds.
  std::string name =
      std::to_string(static_cast<std::int16_t>(images.Word(site, reg::kProductCode.address)));
  name += '-';
  name += serial;
  name += siteAndTime;
  name += ".dat";
  return name;
}

int Backup(std::span<const std::string_view> args, const PortSettings& port, CliHost& host,
           EventPump& pump, bool fast) {
  std::vector<int> sites;
  std::optional<std::string> out;
  std::optional<std::string> file;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out" || args[i] == "--file") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return FileUsage("missing value");
      std::optional<std::string>& target = args[i] == "--out" ? out : file;
      target = std::string(args[i + 1]);
      ++i;
    } else if (const auto site = SiteNumber(args[i])) {
      sites.push_back(*site);
    } else {
      return FileUsage("SITE must be 1 to 32");
    }
  }
  if (sites.empty()) return FileUsage("backup needs at least one SITE");
  if (file && (out || sites.size() != 1)) return FileUsage("--file takes exactly one SITE");

  ReadAccessLevel();
  CliSession cli(host, pump);
  PortSettings line = port;
  line.fastReplies = fast;
  if (!cli.Open(line)) return kExitFailed;
  bool all = true;
  for (int site : sites) {
    std::fprintf(stderr, "Address %d: reading\n", site);
    auto editors = std::make_unique<EditorModel>();
    if (!ReadSite(cli, site, *editors)) {
      all = false;
      continue;
    }
    SiteImages& images = cli.session().Images();
    editors->Store(images, site);  // the Backup button's store pass
    if (out) {
      std::error_code ec;
      std::filesystem::create_directories(*out, ec);
    }
    const std::string path =
        file ? *file
             : (std::filesystem::path(out.value_or(".")) / DefaultFileName(images, site, *editors))
                   .string();
    const std::string deviceName = Cp936ToUtf8(images.DeviceNameText(site));
    if (file == "-") {
      if (!WriteOut(NewParameterFileBytes(*editors, images, site, deviceName))) all = false;
      continue;
    }
    // Only a file the user named is replaced; a name of our own never overwrites a backup.
    FileError error;
    const bool saved = file
                           ? SaveParameterFile(path, *editors, images, site, deviceName, &error)
                           : SaveNewParameterFile(path, *editors, images, site, deviceName, &error);
    if (!saved) {
      std::fprintf(stderr, "Address %d: %s\n", site, UnableToWriteMessage(path, error).c_str());
      all = false;
      continue;
    }
    std::fprintf(stderr, "Address %d: saved %s\n", site, path.c_str());
  }
  return all ? kExitOk : kExitFailed;
}

// One side of a diff: the words of every file register and the editors showing them.
struct Side {
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  std::unique_ptr<EditorModel> editors = std::make_unique<EditorModel>();
  int site = 1;
};

bool LoadSide(std::string_view source, Side& side, std::optional<CliSession>& cli,
              const PortSettings& port, CliHost& host, EventPump& pump) {
  if (source.starts_with("site:")) {
    const auto site = SiteNumber(source.substr(5));
    if (!site) {
      std::fprintf(stderr, "vorel-cli: %s: SITE must be 1 to 32\n", std::string(source).c_str());
      return false;
    }
    if (!cli) {
      ReadAccessLevel();
      cli.emplace(host, pump);
      if (!cli->Open(port)) return false;
    }
    if (!ReadSite(*cli, *site, *side.editors)) return false;
    side.editors->Store(cli->session().Images(), *site);
    for (int a = 0; a < kImageWords; ++a)
      side.images->SetWord(side.site, a, cli->session().Images().Word(*site, a));
    return true;
  }
  const std::string path(source);
  const ParameterFileRead read = LoadParameterSide(path, *side.images, side.site, *side.editors);
  if (!read.ok()) {
    std::fprintf(stderr, "%s\n", ParameterFileMessage(read, path).c_str());
    return false;
  }
  return true;
}

int Diff(std::span<const std::string_view> args, const PortSettings& port, CliHost& host,
         EventPump& pump) {
  if (args.size() != 2) return FileUsage("diff needs A and B");
  std::optional<CliSession> cli;
  Side a;
  Side b;
  if (!LoadSide(args[0], a, cli, port, host, pump) || !LoadSide(args[1], b, cli, port, host, pump))
    return kExitUsage;
  // By page of the window, counters apart, values that show alike left out.
  const std::vector<DifferenceGroup> groups = GroupDifferences(
      CompareParameters({*a.images, a.site, *a.editors}, {*b.images, b.site, *b.editors}));
  if (CliJson()) {
    const auto q = [](std::string_view text) {
      return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    };
    QJsonArray jsonGroups;
    for (const DifferenceGroup& g : groups) {
      QJsonArray rows;
      for (const ParameterDifference& d : g.rows)
        rows.append(QJsonObject{
            {"title", q(d.title)}, {"a", q(d.first)}, {"b", q(d.second)}, {"key", q(d.key)}});
      jsonGroups.append(QJsonObject{{"heading", q(g.heading.Pick())}, {"differences", rows}});
    }
    WriteJson(QJsonObject{{"command", "diff"},
                          {"a", q(args[0])},
                          {"b", q(args[1])},
                          {"equal", groups.empty()},
                          {"groups", jsonGroups}});
  } else {
    for (const DifferenceGroup& g : groups) {
      PrintOut("%s:\n", std::string(g.heading.Pick()).c_str());
      for (const ParameterDifference& d : g.rows)
        PrintOut("  %s: %s -> %s (%s)\n", d.title.c_str(), d.first.c_str(), d.second.c_str(),
                 d.key.c_str());
    }
  }
  FlushOut();
  return groups.empty() ? kExitOk : kExitFailed;
}

int Restore(std::span<const std::string_view> args, const PortSettings& port, CliHost& host,
            EventPump& pump) {
  std::optional<int> site;
  std::optional<std::string> file;
  CliWriteFlags flags;
  for (std::size_t i = 0; i < args.size(); ++i) {
    bool bad = false;
    if (TakeWriteFlag(args, i, flags, &bad)) {
      if (bad) return FileUsage("missing value");
    } else if (args[i].starts_with("--")) {
      return FileUsage("unknown option");
    } else if (!site) {
      site = SiteNumber(args[i]);
      if (!site) return FileUsage("SITE must be 1 to 32");
    } else if (!file) {
      file = std::string(args[i]);
    } else {
      return FileUsage("unexpected argument");
    }
  }
  if (!site || !file || (!flags.password && !flags.dryRun))
    return FileUsage("restore needs SITE FILE --password PW");

  CliSession cli(host, pump);
  Session& session = cli.session();
  const std::optional<ParameterFileContents> contents = session.ParameterFiles().ReadFile(*file);
  if (!contents) return kExitFailed;
  ReadAccessLevel();
  if (!cli.Open(port) || !cli.Identify(*site)) return kExitFailed;
  session.Poll().StopAll();

  const LoadedParameters& values = contents->values;
  session.Parameters().SetSourceFile(*site, *file);
  SafeWriteRequest request;
  request.action = "restore";
  request.writeCurves = true;
  request.wanted = values.words;
  request.limits = values.limits;
  request.missingKeys = values.missingKeys;
  request.source = SourceIdentity(values);
  return RunCliSafeWrite(cli, *site, std::move(request), flags);
}

}  // namespace

bool IsParameterFileCommand(std::string_view name) {
  return name == "backup" || name == "restore" || name == "diff";
}

int RunParameterFileCommand(std::string_view name, std::span<const std::string_view> args,
                            const PortSettings& port, CliHost& host, EventPump& pump, bool fast) {
  usageCommand = name;
  if (name == "backup") return Backup(args, port, host, pump, fast);
  if (name == "diff") return Diff(args, port, host, pump);
  if (name == "restore") return Restore(args, port, host, pump);
  return FileUsage("unknown command");
}

}  // namespace vorel
