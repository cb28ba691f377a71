// What one watch service looks after: the lines with their sites, the MQTT broker and the
// metrics address, read from an INI file or made from vorel-cli's one-line arguments.
//
//   [Mqtt]       Host, Port, CaFile, CertFile, KeyFile, User, PasswordFile
//   [Metrics]    Address=127.0.0.1:9105
//   [Line NAME]  Port=/dev/ttyUSB0 or tcp://HOST:PORT, Baud, Echo=0|1, Sites=1-8,12
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace vorel {

struct WatchLine {
  std::string name;  // a topic level and a label value: letters, digits, '-', '_', '.'
  PortSettings port;
  std::vector<int> sites;  // 1 to 32, ascending, each once
};

struct MqttSettings {
  std::string host;  // empty: no broker
  int port = 1883;
  std::string caFile;
  std::string certFile;
  std::string keyFile;
  std::string user;
  std::string passwordFile;  // its first line is the password
};

struct HostAndPort {
  std::string host;
  int port = 0;
};

struct WatchConfig {
  std::vector<WatchLine> lines;
  MqttSettings mqtt;
  std::optional<HostAndPort> metrics;
};

inline constexpr int kMaxWatchLines = 64;

// A line name that can stand in a topic and a label.
bool ValidLineName(std::string_view name);
// "1-8,12,20" into ascending sites; nothing for an empty list, a site outside 1 to 32, a
// reversed range or anything else.
std::optional<std::vector<int>> ParseSiteList(std::string_view text);
// "HOST:PORT" with a port of 1 to 65535; an empty host is refused.
std::optional<HostAndPort> ParseHostAndPort(std::string_view text);

// The configuration in `path`; nothing, with the reason in `error`, when the file cannot be
// read or something in it is wrong (the reason names the section and key).
std::optional<WatchConfig> LoadWatchConfig(const std::filesystem::path& path, std::string* error);
// The same from file bytes.
std::optional<WatchConfig> ParseWatchConfig(std::string_view bytes, std::string* error);

// The password of the broker: the first line of the file, without its line end.
std::optional<std::string> ReadPasswordFile(const std::filesystem::path& path, std::string* error);

}  // namespace vorel
