#include "app/cli_watch.h"

#include <cstdio>
#include <string>

#include "app/cli_help.h"
#include "core/language.h"
#include "watch/watch_config.h"
#include "watch/watch_service.h"

namespace vorel {
namespace {

constexpr int kExitFailed = 1;
constexpr const char* kDefaultLineName = "line1";

struct WatchOptions {
  std::string configFile;
  std::string sites;  // the one-line form's SITE arguments, comma-joined
  std::string mqtt;
  std::string metrics;
  std::string lineName = kDefaultLineName;
};

// Fills `options`; an exit status when the arguments are wrong.
std::optional<int> Parse(const std::vector<std::string_view>& args, WatchOptions& options) {
  const auto usageError = [](std::string_view problem) {
    return CommandUsageError("watch", problem);
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--config" || a == "--mqtt" || a == "--metrics" || a == "--line") {
      if (i + 1 >= args.size()) return usageError("missing value after " + std::string(a));
      const std::string value(args[++i]);
      if (a == "--config") options.configFile = value;
      if (a == "--mqtt") options.mqtt = value;
      if (a == "--metrics") options.metrics = value;
      if (a == "--line") options.lineName = value;
    } else if (a.starts_with("-")) {
      return usageError("unknown argument " + std::string(a));
    } else {
      options.sites += (options.sites.empty() ? "" : ",") + std::string(a);
    }
  }
  if (!options.configFile.empty()) {
    if (!options.sites.empty() || !options.mqtt.empty() || !options.metrics.empty() ||
        options.lineName != kDefaultLineName)
      return usageError("--config takes no SITE, --mqtt, --metrics or --line");
    return std::nullopt;
  }
  if (options.sites.empty()) return usageError("missing SITE (or --config FILE)");
  if (!ParseSiteList(options.sites)) return usageError("SITE must be 1 to 32 (or a range 1-8)");
  if (!options.mqtt.empty() && !ParseHostAndPort(options.mqtt))
    return usageError("--mqtt must be HOST:PORT");
  if (!options.metrics.empty() && !ParseHostAndPort(options.metrics))
    return usageError("--metrics must be ADDRESS:PORT");
  if (!ValidLineName(options.lineName))
    return usageError("--line may hold letters, digits, '-', '_' and '.' only");
  if (options.mqtt.empty() && options.metrics.empty())
    return usageError("give --mqtt, --metrics or both");
  return std::nullopt;
}

}  // namespace

const char* const kWatchUsage =
    "  watch --config FILE        watch every site of the lines the file names, read-only,\n"
    "                             until SIGTERM or SIGINT: publish each site's state and\n"
    "                             alarms to the MQTT broker and serve /metrics (the guide's\n"
    "                             \"Watching many sites\" describes the file and the topics)\n"
    "  watch SITE... [--mqtt HOST:PORT] [--metrics ADDRESS:PORT] [--line NAME]\n"
    "                             the same for the sites of the --port line (SITE may be a\n"
    "                             range such as 1-8), named NAME in topics and metrics\n"
    "                             (default line1)\n";

std::optional<int> ParseWatchArguments(const std::vector<std::string_view>& args) {
  WatchOptions options;
  return Parse(args, options);
}

int RunWatchCommand(const PortSettings& port, const std::vector<std::string_view>& args) {
  WatchOptions options;
  if (auto stop = Parse(args, options)) return *stop;
  // Topics, payloads and metrics speak English whatever the desktop's language.
  SetLanguageSetting("english");
  WatchConfig config;
  if (!options.configFile.empty()) {
    std::string error;
    auto loaded = LoadWatchConfig(options.configFile, &error);
    if (!loaded) {
      std::fprintf(stderr, "vorel-cli watch: %s\n", error.c_str());
      return kExitFailed;
    }
    config = std::move(*loaded);
  } else {
    WatchLine line;
    line.name = options.lineName;
    line.port = port;
    line.sites = *ParseSiteList(options.sites);
    config.lines.push_back(std::move(line));
    if (!options.mqtt.empty()) {
      const HostAndPort broker = *ParseHostAndPort(options.mqtt);
      config.mqtt.host = broker.host;
      config.mqtt.port = broker.port;
    }
    if (!options.metrics.empty()) config.metrics = ParseHostAndPort(options.metrics);
  }
  return RunWatchService(config);
}

}  // namespace vorel
