#include "watch/watch_config.h"

#include <cctype>
#include <fstream>
#include <set>

#include "core/site_images.h"
#include "files/ini_document.h"
#include "link/tcp_port.h"

namespace vorel {
namespace {

constexpr std::string_view kLinePrefix = "Line ";
constexpr std::size_t kMaxConfigBytes = 1u << 20;
constexpr std::size_t kMaxPasswordBytes = 4096;

std::optional<int> Whole(std::string_view text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::optional<WatchLine> ReadLine(const IniDocument& ini, const std::string& section,
                                  std::string* error) {
  const auto fail = [&](const std::string& problem) -> std::optional<WatchLine> {
    *error = "[" + section + "]: " + problem;
    return std::nullopt;
  };
  WatchLine line;
  line.name = std::string(Trimmed(std::string_view(section).substr(kLinePrefix.size())));
  if (!ValidLineName(line.name))
    return fail("the line name may hold letters, digits, '-', '_' and '.' only");
  line.port.name = ini.ReadString(section, "Port", "");
  if (line.port.name.empty()) return fail("Port is missing");
  std::string problem;
  if (IsTcpPortName(line.port.name) && !ParseTcpPortName(line.port.name, &problem))
    return fail("Port: " + problem);
  const auto baud = Whole(ini.ReadString(section, "Baud", "9600"), 50, 4000000);
  if (!baud) return fail("Baud must be a whole number of 50 to 4000000");
  line.port.baud = *baud;
  const std::string echo = ini.ReadString(section, "Echo", "0");
  if (echo != "0" && echo != "1") return fail("Echo must be 0 or 1");
  line.port.discardEcho = echo == "1";
  const auto sites = ParseSiteList(ini.ReadString(section, "Sites", ""));
  if (!sites) return fail("Sites must list sites of 1 to 32, such as 1-8,12");
  line.sites = *sites;
  return line;
}

}  // namespace

bool ValidLineName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.';
    if (!ok) return false;
  }
  return true;
}

std::optional<std::vector<int>> ParseSiteList(std::string_view text) {
  std::set<int> sites;
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = Trimmed(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (comma != std::string_view::npos && Trimmed(text).empty()) return std::nullopt;
    const std::size_t dash = item.find('-');
    const auto first = Whole(Trimmed(item.substr(0, dash)), 1, kSiteCount);
    const auto last = dash == std::string_view::npos
                          ? first
                          : Whole(Trimmed(item.substr(dash + 1)), 1, kSiteCount);
    if (!first || !last || *last < *first) return std::nullopt;
    for (int s = *first; s <= *last; ++s) sites.insert(s);
  }
  return std::vector<int>(sites.begin(), sites.end());
}

std::optional<HostAndPort> ParseHostAndPort(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  const auto port = Whole(text.substr(colon + 1), 1, 65535);
  if (!port) return std::nullopt;
  std::string_view host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (host.empty() || host.find_first_of(" /") != std::string_view::npos) return std::nullopt;
  return HostAndPort{std::string(host), *port};
}

std::optional<WatchConfig> ParseWatchConfig(std::string_view bytes, std::string* error) {
  const IniDocument ini = IniDocument::FromBytes(bytes);
  WatchConfig config;
  std::set<std::string> names;
  for (const std::string& section : ini.SectionNames()) {
    if (!StartsWithNoCase(section, kLinePrefix)) continue;
    auto line = ReadLine(ini, section, error);
    if (!line) return std::nullopt;
    if (!names.insert(line->name).second) {
      *error = "[" + section + "]: a second line of that name";
      return std::nullopt;
    }
    config.lines.push_back(std::move(*line));
  }
  if (config.lines.empty()) {
    *error = "no [Line NAME] section";
    return std::nullopt;
  }
  if (config.lines.size() > kMaxWatchLines) {
    *error = "more than " + std::to_string(kMaxWatchLines) + " lines";
    return std::nullopt;
  }
  MqttSettings& mqtt = config.mqtt;
  mqtt.host = ini.ReadString("Mqtt", "Host", "");
  const auto port = Whole(ini.ReadString("Mqtt", "Port", "1883"), 1, 65535);
  if (!port) {
    *error = "[Mqtt] Port must be 1 to 65535";
    return std::nullopt;
  }
  mqtt.port = *port;
  mqtt.caFile = ini.ReadString("Mqtt", "CaFile", "");
  mqtt.certFile = ini.ReadString("Mqtt", "CertFile", "");
  mqtt.keyFile = ini.ReadString("Mqtt", "KeyFile", "");
  mqtt.user = ini.ReadString("Mqtt", "User", "");
  mqtt.passwordFile = ini.ReadString("Mqtt", "PasswordFile", "");
  if (mqtt.certFile.empty() != mqtt.keyFile.empty()) {
    *error = "[Mqtt] CertFile and KeyFile go together";
    return std::nullopt;
  }
  if (!mqtt.certFile.empty() && mqtt.caFile.empty()) {
    *error = "[Mqtt] a client certificate needs CaFile";
    return std::nullopt;
  }
  const std::string metrics = ini.ReadString("Metrics", "Address", "");
  if (!metrics.empty()) {
    config.metrics = ParseHostAndPort(metrics);
    if (!config.metrics) {
      *error = "[Metrics] Address must be HOST:PORT";
      return std::nullopt;
    }
  }
  return config;
}

std::optional<WatchConfig> LoadWatchConfig(const std::filesystem::path& path, std::string* error) {
  std::error_code code;
  if (!std::filesystem::is_regular_file(path, code)) {
    *error = path.string() + ": " + (code ? code.message() : "not a readable file");
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  if (in) {
    bytes.resize(kMaxConfigBytes + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (!in && !in.eof()) {
    *error = path.string() + ": cannot be read";
    return std::nullopt;
  }
  if (bytes.size() > kMaxConfigBytes) {
    *error = path.string() + ": larger than 1 MiB";
    return std::nullopt;
  }
  std::string problem;
  auto config = ParseWatchConfig(bytes, &problem);
  if (!config) *error = path.string() + ": " + problem;
  return config;
}

std::optional<std::string> ReadPasswordFile(const std::filesystem::path& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path.string() + ": cannot be read";
    return std::nullopt;
  }
  std::string line;
  std::getline(in, line);
  if (line.size() > kMaxPasswordBytes) {
    *error = path.string() + ": the password line is too long";
    return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace vorel
