#include "control/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "control/file_folders.h"
#include "core/language.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "vorel-settings-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    // Messages are compared in English; an earlier test in the same process may have left
    // the language Chinese.
    language_ = LanguageSetting();
    SetLanguageSetting("english");
  }
  void TearDown() override {
    SetLanguageSetting(language_);
    fs::remove_all(dir_);
  }
  std::string language_;
  void Write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  std::string Value(const char* section, const char* key) {
    IniDocument doc;
    doc.Load(VportIniPath(), nullptr);
    return doc.ReadString(section, key, "<missing>");
  }
  fs::path dir_;
};

TEST_F(SettingsTest, FilesLiveInTheXdgConfigFolder) {
  EXPECT_EQ(VportIniPath(), dir_ / "vorel" / "vport.ini");
  EXPECT_EQ(VorelIniPath(), dir_ / "vorel" / "vorel.ini");
  ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);  // not absolute: ignored
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(SettingsDirectory(), fs::path("/home/someone/.config/vorel"));
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
}

TEST_F(SettingsTest, PortSettingsFollowTheReadingRules) {
  PortSettings current;
  current.name = "/dev/ttyS9";
  current.baud = 4800;
  current.flowControl = FlowControl::RtsCts;
  struct Case {
    const char* section;
    PortSettings expected;
  };
  auto with = [&](auto change) {
    PortSettings s = current;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"", current},  // no keys: nothing changes
      {"Port=COM3\r\nBaudRate=115200\r\nDataBits=7\r\nParity=even\r\nStopBits=2\r\n"
       "FlowControl=SOFTWARE\r\n",
       with([](PortSettings& s) {
         s.name = "COM3";
         s.baud = 115200;
         s.dataBits = 7;
         s.parity = Parity::Even;
         s.stopBits = StopBits::Two;
         s.flowControl = FlowControl::XonXoff;
       })},
      {"BaudRate=custom\r\nCustomBaudRate=250000\r\nStopBits=1.5\r\nParity=Mark\r\n",
       with([](PortSettings& s) {
         s.baud = 250000;
         s.stopBits = StopBits::OnePointFive;
         s.parity = Parity::Mark;
       })},
      {"BaudRate=Custom\r\n", with([](PortSettings& s) { s.baud = 9600; })},
      {"BaudRate=Custom\r\nCustomBaudRate=fast\r\n", with([](PortSettings& s) { s.baud = 9600; })},
      {"BaudRate=9601\r\nDataBits=9\r\nParity=maybe\r\nStopBits=3\r\nFlowControl=odd\r\n",
       with([](PortSettings& s) {
         s.baud = 9600;
         s.flowControl = FlowControl::Custom;
       })},  // unknown values: the stated fallbacks
      {"FlowControl=Custom\r\n",
       with([](PortSettings& s) { s.flowControl = FlowControl::Custom; })},
      {"FlowControl=none\r\n", with([](PortSettings& s) { s.flowControl = FlowControl::None; })},
      {"FlowControl=Hardware\r\n", current},
      {"DiscardEcho=-1\r\n", with([](PortSettings& s) { s.discardEcho = true; })},
      {"DiscardEcho=false\r\n", current},
  };
  for (const auto& c : cases) {
    Write(VportIniPath(), std::string("[ComPort1]\r\n") + c.section);
    PortSettings got = LoadPortSettings(current);
    SCOPED_TRACE(c.section);
    EXPECT_EQ(got.name, c.expected.name);
    EXPECT_EQ(got.baud, c.expected.baud);
    EXPECT_EQ(got.dataBits, c.expected.dataBits);
    EXPECT_EQ(got.parity, c.expected.parity);
    EXPECT_EQ(got.stopBits, c.expected.stopBits);
    EXPECT_EQ(got.flowControl, c.expected.flowControl);
    EXPECT_EQ(got.discardEcho, c.expected.discardEcho);
  }
}

TEST_F(SettingsTest, PortSettingsRoundTrip) {
  PortSettings s;
  s.name = "/tmp/ttyVOREL";
  s.baud = 76800;  // not in the list: stored as Custom
  s.dataBits = 7;
  s.parity = Parity::Space;
  s.stopBits = StopBits::OnePointFive;
  s.flowControl = FlowControl::RtsCts;
  s.discardEcho = true;
  SavePortSettings(s);
  EXPECT_EQ(Value("ComPort1", "DiscardEcho"), "-1");
  EXPECT_EQ(Value("ComPort1", "BaudRate"), "Custom");
  EXPECT_EQ(Value("ComPort1", "CustomBaudRate"), "76800");
  EXPECT_EQ(Value("ComPort1", "StopBits"), "1.5");
  EXPECT_EQ(Value("ComPort1", "FlowControl"), "Hardware");
  PortSettings back = LoadPortSettings();
  EXPECT_EQ(back.name, s.name);
  EXPECT_EQ(back.baud, s.baud);
  EXPECT_EQ(back.dataBits, s.dataBits);
  EXPECT_EQ(back.parity, s.parity);
  EXPECT_EQ(back.stopBits, s.stopBits);
  EXPECT_EQ(back.flowControl, s.flowControl);
  EXPECT_TRUE(back.discardEcho);
}

// Replies complete at their last byte on a new installation; a file from before the setting
// keeps the 100 ms collection steps, whichever writer touches it, until the setting is saved.
TEST_F(SettingsTest, FastRepliesAreOnForANewFileOnly) {
  struct Case {
    const char* name;
    std::function<void()> before;  // what happened to vport.ini before it is read
    bool fast;
    const char* stored;  // the key in the file afterwards
  };
  const Case cases[] = {
      {"no file", [] {}, true, "<missing>"},
      {"a new file, written for the language", [] { SaveLanguage("english"); }, true, "-1"},
      {"a new file, written for a folder",
       [] { RememberFolder(FileKind::Logs, "/tmp/logs/a.log"); }, true, "-1"},
      {"an existing file without the key",
       [this] { Write(VportIniPath(), "[ComPort1]\r\nBaudRate=19200\r\n"); }, false, "<missing>"},
      {"an existing file without the key, then a language",
       [this] {
         Write(VportIniPath(), "[System]\r\nLanguage=chinese\r\n");
         SaveLanguage("english");
       },
       false, "<missing>"},
      {"an existing file, saved off",
       [this] {
         Write(VportIniPath(), "[ComPort1]\r\nFastReplies=-1\r\n");
         SavePortSettings(PortSettings{});
       },
       false, "0"},
      {"an existing file, saved on",
       [this] {
         Write(VportIniPath(), "[ComPort1]\r\n");
         SavePortSettings(PortSettings{.fastReplies = true});
       },
       true, "-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(VportIniPath());
    c.before();
    EXPECT_EQ(LoadPortSettings(PortSettings{}).fastReplies, c.fast);
    EXPECT_EQ(LoadPortSettings(PortSettings{.fastReplies = !c.fast}).fastReplies, c.fast);
    EXPECT_EQ(Value("ComPort1", "FastReplies"), c.stored);
  }
}

// The port dialog loads and saves the settings: Custom flow control, written or read from an
// unknown value, survives as Custom.
TEST_F(SettingsTest, CustomFlowControlSurvivesALoadAndASave) {
  for (const char* stored : {"Custom", "cUSTOM", "DtrDsr"}) {
    Write(VportIniPath(), std::string("[ComPort1]\r\nFlowControl=") + stored + "\r\n");
    PortSettings loaded = LoadPortSettings();
    loaded.name = "COM3";
    SavePortSettings(loaded);
    EXPECT_EQ(Value("ComPort1", "FlowControl"), "Custom") << stored;
    EXPECT_EQ(LoadPortSettings().flowControl, FlowControl::Custom) << stored;
  }
}

TEST_F(SettingsTest, BooleansAreNumbersOrTrueFalse) {
  struct Case {
    const char* text;
    bool ok;
    bool value;
  } cases[] = {
      {"-1", true, true},    {"0", true, false},    {"1", true, true},
      {"00", true, false},   {"+7", true, true},    {"$0", true, false},
      {"0x10", true, true},  {"true", true, true},  {"FALSE", true, false},
      {"TrUe", true, true},  {"yes", false, false}, {"", false, false},
      {"1.0", false, false}, {"-", false, false},   {"99999999999999999999", true, true},
      {"0 1", false, false},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    bool value = ParseIniBool(c.text, &ok);
    EXPECT_EQ(ok, c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

TEST_F(SettingsTest, CommunicationPropertiesKeepCurrentValuesForMissingKeys) {
  CommunicationProperties current;
  current.modem = true;
  current.sites[9] = true;
  Write(VportIniPath(), "[Device]\r\nControlerAddr5=1\r\ncontroleraddr10=0\r\n");
  CommunicationProperties p = LoadCommunicationProperties(current);
  EXPECT_TRUE(p.modem);
  EXPECT_TRUE(p.sites[4]);
  EXPECT_FALSE(p.sites[9]);

  Write(VportIniPath(), "[Device]\r\nControlerAddr5=yes\r\n");
  try {
    LoadCommunicationProperties(current);
    FAIL() << "no error";
  } catch (const SettingsError& e) {
    EXPECT_EQ(std::string(e.what()),
              "'yes' is not a valid boolean value (key ControlerAddr5 of "
              "section [Device] in " +
                  VportIniPath().string() + ")");
  }
}

TEST_F(SettingsTest, SavingCreatesTheFolderAndNeverClobbersAnUnreadableFile) {
  SaveModemOption(true);
  EXPECT_EQ(Value("Connect", "Modem"), "-1");
  SaveLanguage("chinese");
  EXPECT_EQ(LoadLanguage(), "chinese");
  EXPECT_EQ(Value("Connect", "Modem"), "-1");

  // Too large to read: refused, not replaced by a file with only the new key.
  fs::resize_file(VportIniPath(), IniDocument::kMaxFileBytes + 1);
  EXPECT_THROW(SaveModemOption(false), SettingsError);
  EXPECT_EQ(fs::file_size(VportIniPath()), IniDocument::kMaxFileBytes + 1);
}

// A vport.ini that exists but cannot be read is no missing file: every load and save names the
// file and the reason, and the file stays as it is.
TEST_F(SettingsTest, AnUnreadableSettingsFileIsAnErrorNotAMissingFile) {
  const fs::path vport = VportIniPath();
  const struct {
    const char* what;
    std::function<void()> make;
    const char* reason;
  } cases[] = {
      {"a folder", [&] { fs::create_directories(vport); }, "not a regular file"},
      {"a loop of links", [&] { fs::create_symlink(vport, vport); },
       "Too many levels of symbolic links"},
      {"over 1 MB",
       [&] {
         Write(vport, "[System]\r\nLanguage=chinese\r\n");
         fs::resize_file(vport, kMaxSettingsBytes + 1);
       },
       "file too large (more than 1048576 bytes)"},
  };
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"LoadLanguage", [] { LoadLanguage(); }},
      {"LoadPortSettings", [] { LoadPortSettings(); }},
      {"LoadCommunicationProperties", [] { LoadCommunicationProperties({}); }},
      {"SaveLanguage", [] { SaveLanguage("english"); }},
  };
  for (const auto& c : cases) {
    std::error_code ec;
    fs::remove_all(vport, ec);
    fs::create_directories(vport.parent_path());
    c.make();
    for (const auto& [name, step] : steps) {
      SCOPED_TRACE(std::string(c.what) + ", " + name);
      try {
        step();
        ADD_FAILURE() << "no error";
      } catch (const SettingsError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(vport.string() + ": " + c.reason), std::string::npos) << message;
      }
    }
    EXPECT_THROW(LoadLanguage(), SettingsFileError) << c.what;
  }
  EXPECT_EQ(fs::file_size(vport), kMaxSettingsBytes + 1);  // kept
  // The access level only widens what is shown: an unreadable vorel.ini is the user level.
  fs::create_directories(VorelIniPath());
  EXPECT_EQ(ReadAccessLevel(), "user");
}

TEST_F(SettingsTest, AccessLevelIsExactlyFactory) {
  const std::pair<const char*, bool> cases[] = {
      {"", false},
      {"[Administrator]\r\nManagerLevel=factory\r\n", true},
      {"[administrator]\r\nmanagerlevel= factory \r\n", true},
      {"[Administrator]\r\nManagerLevel=Factory\r\n", false},
      {"[Administrator]\r\nManagerLevel=user\r\n", false},
  };
  for (const auto& [file, factory] : cases) {
    Write(VorelIniPath(), file);
    ReadAccessLevel();
    EXPECT_EQ(IsFactoryLevel(), factory) << file;
  }
}

}  // namespace
}  // namespace vorel
