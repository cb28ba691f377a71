#include "control/settings.h"

#include <cstdlib>
#include <optional>

#include "core/language.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

constexpr std::string_view kBaudRates[] = {"110",   "300",   "600",    "1200",   "2400",
                                           "4800",  "9600",  "14400",  "19200",  "38400",
                                           "56000", "57600", "115200", "128000", "256000"};

struct ParityName {
  std::string_view name;
  Parity parity;
};
// clang-format off
constexpr ParityName kParities[] = {
    {"None", Parity::None},
    {"Odd", Parity::Odd},
    {"Even", Parity::Even},
    {"Mark", Parity::Mark},
    {"Space", Parity::Space},
};
// clang-format on

struct StopBitsName {
  std::string_view name;
  StopBits stopBits;
};
// clang-format off
constexpr StopBitsName kStopBits[] = {
    {"1", StopBits::One},
    {"1.5", StopBits::OnePointFive},
    {"2", StopBits::Two},
};
// clang-format on

struct FlowName {
  std::string_view name;
  FlowControl flow;
};
// "Custom" leaves the individual line settings as they are; an unknown value reads as Custom.
// clang-format off
constexpr FlowName kFlows[] = {
    {"Hardware", FlowControl::RtsCts},
    {"Software", FlowControl::XonXoff},
    {"None", FlowControl::None},
    {"Custom", FlowControl::Custom},
};
// clang-format on

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::optional<int> ParseInt(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// `pattern` with its "%s" replaced by `text`.
std::string WithText(std::string_view pattern, const std::string& text) {
  std::string message(pattern);
  message.replace(message.find("%s"), 2, text);
  return message;
}

// A missing file is empty. One that exists but cannot be read is an error: taking it for a
// missing file would silently drop every setting in it.
IniDocument LoadForReading(const std::filesystem::path& path) {
  IniDocument doc;
  FileError error;
  if (!doc.Load(path, &error, kMaxSettingsBytes))
    throw SettingsFileError(WithText(PickText("Unable to read %s", "无法读取文件 %s"),
                                     path.string() + ": " + EnglishReason(error)));
  return doc;
}

// Loads, lets `change` set keys, saves once. A file that exists but cannot be read is never
// replaced, so nothing in it is lost.
template <typename Change>
void UpdateFile(const std::filesystem::path& path, Change change) {
  FileError error;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  IniDocument doc;
  const bool loaded = doc.Load(path, &error, kMaxSettingsBytes);
  if (loaded && path == VportIniPath()) SeedNewVportIni(path, doc);
  if (!loaded || (change(doc), !doc.Save(path, &error)))
    throw SettingsError(UnableToWriteMessage(path, error));
}

bool ReadBool(const IniDocument& doc, const std::filesystem::path& path, std::string_view section,
              std::string_view key, bool current) {
  if (!doc.HasKey(section, key)) return current;
  std::string text = doc.ReadString(section, key, "");
  bool ok = false;
  bool value = ParseIniBool(text, &ok);
  if (!ok)
    throw SettingsError("'" + text + "' is not a valid boolean value (key " + std::string(key) +
                        " of section [" + std::string(section) + "] in " + path.string() + ")");
  return value;
}

std::string SiteKey(int site) {
  return "ControlerAddr" + std::to_string(site);
}

bool& FactoryLevel() {
  static bool factory = false;
  return factory;
}

}  // namespace

std::filesystem::path SettingsDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "vorel";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && home[0] ? home : ".") / ".config" / "vorel";
}

std::filesystem::path VportIniPath() {
  return SettingsDirectory() / "vport.ini";
}
std::filesystem::path VorelIniPath() {
  return SettingsDirectory() / "vorel.ini";
}

bool ParseIniBool(std::string_view text, bool* ok) {
  *ok = true;
  if (EqualNoCase(text, "true")) return true;
  if (EqualNoCase(text, "false")) return false;
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  int base = 10;
  if (!digits.empty() && digits.front() == '$') {
    base = 16;
    digits.remove_prefix(1);
  } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  bool nonZero = false;
  for (char c : digits) {
    bool dec = c >= '0' && c <= '9';
    bool hex = base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    if (!dec && !hex) {
      *ok = false;
      return false;
    }
    nonZero = nonZero || c != '0';
  }
  if (digits.empty()) *ok = false;
  return *ok && nonZero;
}

std::string LoadLanguage() {
  return LoadForReading(VportIniPath()).ReadString("System", "Language", "english");
}

void SaveLanguage(std::string_view language) {
  UpdateFile(VportIniPath(),
             [&](IniDocument& doc) { doc.WriteString("System", "Language", language); });
}

std::span<const std::string_view> StandardBaudRates() {
  return kBaudRates;
}

PortSettings LoadPortSettings(const PortSettings& current) {
  const std::filesystem::path path = VportIniPath();
  IniDocument doc = LoadForReading(path);
  PortSettings s = current;
  constexpr std::string_view kSection = "ComPort1";
  auto has = [&](std::string_view key) { return doc.HasKey(kSection, key); };
  auto read = [&](std::string_view key) { return doc.ReadString(kSection, key, ""); };

  if (has("Port")) s.name = read("Port");
  if (has("BaudRate")) {
    std::string text = read("BaudRate");
    s.baud = 9600;
    if (EqualNoCase(text, "Custom")) {
      auto custom = ParseInt(read("CustomBaudRate"));
      if (custom && *custom > 0) s.baud = *custom;
    } else {
      for (auto rate : kBaudRates)
        if (text == rate) s.baud = *ParseInt(rate);
    }
  }
  if (has("StopBits")) {
    std::string text = read("StopBits");
    s.stopBits = StopBits::One;
    for (const auto& e : kStopBits)
      if (text == e.name) s.stopBits = e.stopBits;
  }
  if (has("DataBits")) {
    std::string text = read("DataBits");
    s.dataBits = text.size() == 1 && text[0] >= '5' && text[0] <= '8' ? text[0] - '0' : 8;
  }
  if (has("Parity")) {
    std::string text = read("Parity");
    s.parity = Parity::None;
    for (const auto& e : kParities)
      if (EqualNoCase(text, e.name)) s.parity = e.parity;
  }
  if (has("FlowControl")) {
    std::string text = read("FlowControl");
    s.flowControl = FlowControl::Custom;
    for (const auto& e : kFlows)
      if (EqualNoCase(text, e.name)) s.flowControl = e.flow;
  }
  s.discardEcho = ReadBool(doc, path, kSection, "DiscardEcho", s.discardEcho);
  std::error_code ec;
  const bool newFile = !std::filesystem::exists(path, ec) && !ec;
  s.fastReplies = ReadBool(doc, path, kSection, "FastReplies", newFile);
  return s;
}

void SavePortSettings(const PortSettings& s) {
  UpdateFile(VportIniPath(), [&](IniDocument& doc) {
    constexpr std::string_view kSection = "ComPort1";
    doc.WriteString(kSection, "Port", s.name);
    std::string rate = std::to_string(s.baud);
    bool listed = false;
    for (auto r : kBaudRates) listed = listed || r == rate;
    if (listed) {
      doc.WriteString(kSection, "BaudRate", rate);
    } else {
      doc.WriteString(kSection, "BaudRate", "Custom");
      doc.WriteString(kSection, "CustomBaudRate", rate);
    }
    for (const auto& e : kStopBits)
      if (e.stopBits == s.stopBits) doc.WriteString(kSection, "StopBits", e.name);
    doc.WriteString(kSection, "DataBits", std::to_string(s.dataBits));
    for (const auto& e : kParities)
      if (e.parity == s.parity) doc.WriteString(kSection, "Parity", e.name);
    for (const auto& e : kFlows)
      if (e.flow == s.flowControl) doc.WriteString(kSection, "FlowControl", e.name);
    doc.WriteString(kSection, "DiscardEcho", s.discardEcho ? "-1" : "0");
    doc.WriteString(kSection, "FastReplies", s.fastReplies ? "-1" : "0");
  });
}

void SeedNewVportIni(const std::filesystem::path& path, IniDocument& doc) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) || ec) return;
  doc.WriteString("ComPort1", "FastReplies", "-1");
}

CommunicationProperties LoadCommunicationProperties(const CommunicationProperties& current) {
  std::filesystem::path path = VportIniPath();
  IniDocument doc = LoadForReading(path);
  CommunicationProperties p;
  p.modem = ReadBool(doc, path, "Connect", "Modem", current.modem);
  for (int n = 1; n <= kSiteCount; ++n)
    p.sites[n - 1] = ReadBool(doc, path, "Device", SiteKey(n), current.sites[n - 1]);
  return p;
}

void SaveModemOption(bool modem) {
  UpdateFile(VportIniPath(),
             [&](IniDocument& doc) { doc.WriteString("Connect", "Modem", modem ? "-1" : "0"); });
}

bool LoadSeparateSiteWindows(bool current) {
  const std::filesystem::path path = VportIniPath();
  return ReadBool(LoadForReading(path), path, "View", "SeparateSiteWindows", current);
}

bool LoadRetryAfterFailure(bool current) {
  const std::filesystem::path path = VportIniPath();
  return ReadBool(LoadForReading(path), path, "Polling", "RetryAfterFailure", current);
}

void SaveSeparateSiteWindows(bool separate) {
  UpdateFile(VportIniPath(), [&](IniDocument& doc) {
    doc.WriteString("View", "SeparateSiteWindows", separate ? "-1" : "0");
  });
}

void SaveSiteSelections(const std::array<bool, kSiteCount>& sites) {
  UpdateFile(VportIniPath(), [&](IniDocument& doc) {
    for (int n = 1; n <= kSiteCount; ++n)
      doc.WriteString("Device", SiteKey(n), sites[n - 1] ? "-1" : "0");
  });
}

std::string ReadAccessLevel() {
  // The access level only widens what is shown: a vorel.ini that cannot be read gives the
  // user level.
  IniDocument doc;
  if (!doc.Load(VorelIniPath(), nullptr, kMaxSettingsBytes)) doc = IniDocument();
  std::string level = doc.ReadString("Administrator", "ManagerLevel", "user");
  FactoryLevel() = level == "factory";
  return level;
}

bool IsFactoryLevel() {
  return FactoryLevel();
}

}  // namespace vorel
