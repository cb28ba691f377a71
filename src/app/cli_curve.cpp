#include "app/cli_curve.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/busy_notice.h"
#include "control/curve_writer.h"
#include "control/exchange_scope.h"
#include "control/parameter_transfer.h"
#include "control/session.h"
#include "core/channels.h"
#include "core/site_images.h"
#include "files/atomic_file.h"
#include "files/curve_csv.h"
#include "link/request_worker.h"

namespace vorel {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr std::streamsize kMaxCurveFile = 64 * 1024;

int CurveUsage(const char* problem) {
  return CommandUsageError("curve", problem);
}

// The whole file, or nothing when it cannot be read or is far larger than a curve file.
std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(static_cast<std::size_t>(kMaxCurveFile) + 1, '\0');
  in.read(text.data(), kMaxCurveFile + 1);
  if (in.bad() || in.gcount() > kMaxCurveFile) return std::nullopt;
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

int ChannelCurveDecimals(const SiteImages& images, int site, int channel) {
  const AnalogueChannelSettings c =
      AnalogueChannelFromWords(images.Word(site, reg::kAnalogueProperty1.address + channel),
                               images.Word(site, reg::kAnalogueProperty2.address + channel));
  return CurveDecimals(c.decimals);
}

}  // namespace

int RunCurveCommand(const PortSettings& port, std::span<const std::string_view> args, CliHost& host,
                    EventPump& pump) {
  int site = 0;
  int channel = -1;
  std::optional<std::string> exportPath;
  std::optional<std::string> importPath;
  std::optional<std::string> password;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--export" || a == "--import" || a == "--password") {
      if (i + 1 >= args.size() || (a != "--password" && args[i + 1].empty()))
        return CurveUsage("missing value after an option");
      (a == "--export"   ? exportPath
       : a == "--import" ? importPath
                         : password) = std::string(args[++i]);
    } else if (site == 0 && !a.empty() && a.size() <= 2 &&
               a.find_first_not_of("0123456789") == std::string_view::npos) {
      site = std::stoi(std::string(a));
      if (!IsSite(site)) return CurveUsage("SITE must be 1 to 32");
    } else if (site != 0 && channel < 0 && (a == "AI1" || a == "AI2" || a == "AI3")) {
      channel = a[2] - '1';
    } else {
      return CurveUsage("unexpected argument");
    }
  }
  if (site == 0 || channel < 0) return CurveUsage("curve needs a SITE and AI1, AI2 or AI3");
  if (exportPath && importPath) return CurveUsage("--export and --import exclude each other");
  if (importPath.has_value() != password.has_value())
    return CurveUsage("--import needs --password, and --password needs --import");

  // The file is checked before the controller is touched; the decimals are known only then.
  std::string importText;
  if (importPath) {
    const std::optional<std::string> text = ReadSmallFile(*importPath);
    if (!text) {
      std::fprintf(stderr, "Cannot read %s.\n", importPath->c_str());
      return kExitFailed;
    }
    importText = *text;
  }

  CliSession cli(host, pump);
  if (!cli.Open(port)) return kExitFailed;
  if (!cli.Identify(site)) return kExitFailed;
  Session& session = cli.session();
  std::string error;
  SiteImages& images = session.Images();
  const int decimals = ChannelCurveDecimals(images, site, channel);

  if (!importPath) {
    const std::string csv = CurveCsv(CurveFromImage(images, site, channel), decimals);
    // Without a file, or with "-", the CSV goes to standard output.
    if (!exportPath || *exportPath == "-") return WriteOut(csv) ? kExitOk : kExitFailed;
    FileError writeError;
    if (!WriteFileAtomically(*exportPath, csv, &writeError)) {
      std::fprintf(stderr, "%s\n", UnableToWriteMessage(*exportPath, writeError).c_str());
      return kExitFailed;
    }
    return kExitOk;
  }

  SensorCurve curve{};
  std::string warning;
  if (!ReadCurveCsv(importText, decimals, &curve, &error, &warning)) {
    std::fprintf(stderr, "%s\n%s\n", importPath->c_str(), error.c_str());
    return kExitFailed;
  }
  // A curve that turns is written all the same, with a warning.
  if (!warning.empty()) std::fprintf(stderr, "%s\n%s\n", importPath->c_str(), warning.c_str());
  // Unlocking sets mode OFF; the protection word is read back so that the write sees whether
  // the password was taken.
  host.lastMessage.clear();
  TellIfBusy(host, session.Parameters().Unlock(site, *password));
  {
    const ExchangeScope scope(session, ExchangeScope::Pause::Polling);
    if (scope.Taken()) {
      session.Link().DelayWithEvents(kRequestPauseMs);
      session.ReadBlock<PlainRead>(site, reg::kProtection);
    }
  }
  if (TellIfBusy(host, session.Curves().Write(site, channel, curve)).Completed()) {
    PrintOut("Address %d: AI%d curve written\n", site, channel + 1);
    return kExitOk;
  }
  std::fprintf(stderr, "Address %d: %s\n", site,
               host.lastMessage.empty() ? "the curve could not be written completely"
                                        : host.lastMessage.c_str());
  return kExitFailed;
}

}  // namespace vorel
