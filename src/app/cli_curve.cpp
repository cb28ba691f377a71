#include "app/cli_curve.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_output.h"
#include "app/cli_safe_write.h"
#include "app/cli_session.h"
#include "control/busy_notice.h"
#include "control/curve_writer.h"
#include "control/exchange_scope.h"
#include "control/parameter_transfer.h"
#include "control/session.h"
#include "control/settings.h"
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
  CliWriteFlags flags;
  bool writeOptions = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    bool bad = false;
    if (a == "--export" || a == "--import") {
      if (i + 1 >= args.size() || args[i + 1].empty())
        return CurveUsage("missing value after an option");
      (a == "--export" ? exportPath : importPath) = std::string(args[++i]);
    } else if (a != "--allow-other-unit" && a != "--include-address" && a != "--include-counters" &&
               TakeWriteFlag(args, i, flags, &bad)) {
      if (bad) return CurveUsage("missing value after an option");
      writeOptions |= a != "--password";
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
  if (importPath.has_value() != flags.password.has_value())
    return CurveUsage("--import needs --password, and --password needs --import");
  if (writeOptions && !importPath) return CurveUsage("the write options need --import");

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

  if (importPath) ReadAccessLevel();
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
  // The checked write: fresh read, running-engine refusal, snapshot, mode OFF and unlock, the
  // curve through the curve writer and read back, then mode and protection as found.
  session.Poll().StopAll();
  SafeWriteRequest request;
  request.action = "curve";
  request.writeCurves = true;
  request.curvesEvenIfSame = true;
  for (int k = 0; k < kCurvePoints; ++k) {
    const CurvePoint& point = curve[static_cast<std::size_t>(k)];
    request.wanted.push_back({static_cast<std::uint16_t>(CurveResistanceAddress(channel) + k),
                              static_cast<std::uint16_t>(point.ohms), false});
    request.wanted.push_back({static_cast<std::uint16_t>(CurveValueAddress(channel) + k),
                              static_cast<std::uint16_t>(point.value), false});
  }
  request.onCurve = [](int) {};
  SafeWriteEnd end = SafeWriteEnd::Refused;
  const int status = RunCliSafeWrite(cli, site, std::move(request), flags, &end);
  if (status == kExitOk && end == SafeWriteEnd::Written)
    PrintOut("Address %d: AI%d curve written\n", site, channel + 1);
  return status;
}

}  // namespace vorel
