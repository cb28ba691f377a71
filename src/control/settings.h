// The two settings files of the tool, vport.ini (communication settings and language) and
// vorel.ini (access level), in $XDG_CONFIG_HOME/vorel (by default ~/.config/vorel) whatever
// the working directory. Every setting is written at the moment it changes; nothing at exit.
//
// Reading: a missing file or key leaves the setting as it is (the caller passes the current
// value). A file that exists but cannot be read throws SettingsFileError; a value that cannot
// be read, or a file that cannot be written, throws SettingsError, whose message names the file,
// section, key and bad value (the file messages in the current language, the system's reason in
// English); the caller shows it with Host::ShowMessage and abandons the operation. Usable without
// widgets.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/site_images.h"
#include "link/serial_port.h"

namespace vorel {

class IniDocument;

class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A settings file that exists but cannot be read (a folder, a loop of links, no permission,
// larger than kMaxSettingsBytes); the message names the file and the reason.
class SettingsFileError : public SettingsError {
 public:
  using SettingsError::SettingsError;
};

// Settings files are small: a larger one is refused, and kept as it is.
inline constexpr std::size_t kMaxSettingsBytes = 1u << 20;

// $XDG_CONFIG_HOME/vorel when XDG_CONFIG_HOME is an absolute path, else $HOME/.config/vorel.
std::filesystem::path SettingsDirectory();
std::filesystem::path VportIniPath();
std::filesystem::path VorelIniPath();

// Section System, key Language: "english" when missing. The text is returned as stored;
// only exactly "english" selects English (core/language.h).
std::string LoadLanguage();
void SaveLanguage(std::string_view language);

// Section ComPort1: Port, BaudRate (with CustomBaudRate), StopBits, DataBits, Parity,
// FlowControl, DiscardEcho and FastReplies (booleans, stored "-1"/"0"). FastReplies is on when
// vport.ini does not exist yet and off when an existing file lacks the key (a file written before
// the setting existed keeps the collection it had); every writer that creates vport.ini writes
// it on (SeedNewVportIni). Values match without regard to letter
// case; a missing key keeps the value of `current`, an unknown value gives 9600 baud, 1 stop bit, 8
// data bits, no parity or Custom flow control respectively; Custom is saved as Custom.
PortSettings LoadPortSettings(const PortSettings& current = PortSettings{});
// The speeds stored by name; any other is stored as Custom with CustomBaudRate.
std::span<const std::string_view> StandardBaudRates();
void SavePortSettings(const PortSettings& settings);
// Called by a writer of vport.ini with the document it loaded from `path`, before it saves:
// when the file does not exist yet, the document gets the settings a new file starts with.
void SeedNewVportIni(const std::filesystem::path& path, IniDocument& doc);

// The modem option (section Connect, key Modem) and the 32 site selections (section Device,
// keys ControlerAddr1 to ControlerAddr32). Booleans are stored "-1"/"0" and read as an
// integer (0 false, anything else true) or true/false in any letter case.
struct CommunicationProperties {
  bool modem = false;
  std::array<bool, kSiteCount> sites{};  // sites[n - 1] is site n
};
// Missing keys keep the values of `current`. All or nothing: a bad value throws before
// anything is returned.
CommunicationProperties LoadCommunicationProperties(const CommunicationProperties& current);
void SaveModemOption(bool modem);
// Writes all 32 keys.
void SaveSiteSelections(const std::array<bool, kSiteCount>& sites);

// vorel.ini, section Administrator, key ManagerLevel ("user" when missing). ReadAccessLevel
// reads the file and remembers the result; IsFactoryLevel tells the level last read (user
// until the first read). Only exactly "factory" is the factory level.
std::string ReadAccessLevel();
bool IsFactoryLevel();

// Section View, key SeparateSiteWindows (a boolean, stored "-1"/"0"): each site's parameter
// window as a window of its own instead of a tab of the one "Parameter windows" window.
// Missing: `current`.
bool LoadSeparateSiteWindows(bool current);
void SaveSeparateSiteWindows(bool separate);

// Section Polling, key RetryAfterFailure (a boolean, stored "-1"/"0"): a site whose polling
// stopped after a failure is probed every 10 s and polled again once it answers. Missing:
// `current`.
bool LoadRetryAfterFailure(bool current);

// Reads one boolean setting text; false in `ok` when it is neither an integer nor true/false.
bool ParseIniBool(std::string_view text, bool* ok);

}  // namespace vorel
