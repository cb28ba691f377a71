// Backup, Load and the offline open through the session, on recording windows whose editor
// model runs the load and store passes against the session's value image.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "control/done_notices.h"
#include "control_fixture.h"
#include "core/register_table.h"
#include "files/file_identity.h"
#include "files/parameter_keys.h"
#include "files/service_report.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;
constexpr int kSite = 2;

class ParameterFileExchange : public ControlTest {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("vorel-pft-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);  // no vorel.ini: user level
    ControlTest::SetUp();
    controller.AddSite(kSite, 3101);
    ConnectAll({kSite});
    ASSERT_TRUE(session->IsOnline(kSite));
    window = windows.at(kSite);
    window->modelImages = &session->Images();
    window->site = kSite;
    window->editors.ApplyEditorLimits(session->Images(), kSite);
    window->SetStatusPanel(0, "Vorel2000 V5.10");
  }
  void TearDown() override {
    ControlTest::TearDown();
    std::error_code ec;
    fs::remove_all(dir, ec);
    ::unsetenv("XDG_CONFIG_HOME");
  }
  // Every register a file sets.
  static std::set<std::uint16_t> FileRegisters() {
    std::set<std::uint16_t> regs;
    for (const ParameterLoadStep& s : ParameterLoadSteps()) {
      if (s.role != KeyRole::Value) continue;
      regs.insert(s.reg);
      if (s.rule == LoadRule::RunHours) regs.insert(static_cast<std::uint16_t>(s.reg + 1));
    }
    return regs;
  }
  std::string Path(const char* name) const { return (dir / name).string(); }

  fs::path dir;
  RecordingWindow* window = nullptr;
};

TEST_F(ParameterFileExchange, SavedFileLoadsBackEveryRegisterAndLimit) {
  SiteImages& images = session->Images();
  std::uint32_t seed = 12345;
  for (std::uint16_t reg : FileRegisters()) {
    seed = seed * 1103515245u + 12345u;
    images.SetWord(kSite, reg, static_cast<std::uint16_t>(seed >> 16));
  }
  images.SetWord(kSite, reg::kRunHours.address, 1234);
  images.SetWord(kSite, reg::kRunHours.address + 1, 1800);  // whole hundredths of an hour
  window->LoadAllPages();
  const std::size_t voltageRatio = *FindParameterRow("seVoltageRatio");
  window->editors[voltageRatio].minimum = 3;
  window->editors[voltageRatio].maximum = 77.5;

  host.fileNames.push_back(Path("a.dat"));
  session->SaveParameterFile(kSite);
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  const auto saved = images.Image(kSite);
  const std::vector<std::uint16_t> before(saved.begin(), saved.end());
  const EditorModel limits = window->editors;

  for (std::uint16_t reg : FileRegisters())
    images.SetWord(kSite, reg, static_cast<std::uint16_t>(images.Word(kSite, reg) ^ 0x5A5A));
  window->editors[voltageRatio].maximum = 1;
  window->calls.clear();
  host.fileNames.push_back(Path("a.dat"));
  session->LoadParameterFile(kSite);
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();

  const auto loaded = images.Image(kSite);
  for (std::size_t reg = 0; reg < before.size(); ++reg)
    EXPECT_EQ(loaded[reg], before[reg]) << "register 0x" << std::hex << reg;
  for (std::size_t i = 0; i < limits.size(); ++i) {
    if (EditorModel::Rows()[i].name == "seEmergencyStartDel") continue;  // offline only
    EXPECT_EQ(window->editors[i].minimum, limits[i].minimum) << EditorModel::Rows()[i].name;
    EXPECT_EQ(window->editors[i].maximum, limits[i].maximum) << EditorModel::Rows()[i].name;
  }
  EXPECT_EQ(window->calls, std::vector<std::string>{"LoadAllPages"});
  EXPECT_EQ(window->caption, Path("a.dat"));
  EXPECT_EQ(window->panels[0], "Vorel2000 V5.10");
  EXPECT_EQ(window->panels[2], Path("a.dat"));
  EXPECT_TRUE(session->Slots().FileLoaded(kSite));
  EXPECT_TRUE(session->IsOnline(kSite));
  EXPECT_EQ(host.progress.back(), 0);
  EXPECT_FALSE(host.progressShown);
}

TEST_F(ParameterFileExchange, ABadFileChangesNothing) {
  std::ofstream(Path("bad.dat"), std::ios::binary)
      << "[SYSTEM]\r\nLANGUAGE=1\r\n[ENG PROTECT]\r\nSTART_BAT_DEL=2.5\r\n";
  std::ofstream(Path("other.ini"), std::ios::binary) << "[Port]\r\nBaud=9600\r\n";
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {Path("bad.dat"), "'2.5' is not a valid integer value"},
      {Path("other.ini"), Path("other.ini") + " is not a parameter file"},
      {Path("none.dat"), Path("none.dat") + " is not a parameter file"},
      {dir.string(), "Unable to read " + dir.string()},
  };
  SiteImages& images = session->Images();
  images.SetWord(kSite, 0x0074, 0);
  const auto image = images.Image(kSite);
  const std::vector<std::uint16_t> before(image.begin(), image.end());
  const double maximum = window->editors.Find("seDCDrop")->maximum;
  for (const auto& c : cases) {
    host.messages.clear();
    window->calls.clear();
    host.fileNames.push_back(c.path);
    session->LoadParameterFile(kSite);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
    EXPECT_TRUE(std::equal(before.begin(), before.end(), images.Image(kSite).begin())) << c.path;
    EXPECT_EQ(window->editors.Find("seDCDrop")->maximum, maximum);
    EXPECT_TRUE(window->calls.empty());
    EXPECT_FALSE(session->Slots().FileLoaded(kSite));
    EXPECT_FALSE(host.progressShown);
  }
}

TEST_F(ParameterFileExchange, AFailedSaveIsReported) {
  std::ofstream(Path("plain"), std::ios::binary) << "x";
  const std::string path = Path("plain") + "/a.dat";  // below a file: cannot be created
  host.fileNames.push_back(path);
  session->SaveParameterFile(kSite);
  EXPECT_EQ(host.messages,
            std::vector<std::string>{"Unable to write to " + path + ": Not a directory"});
  EXPECT_FALSE(host.progressShown);
}

TEST_F(ParameterFileExchange, OfflineWindowTakesTheLowestFreeSlotAndIsNeverPolled) {
  const struct {
    std::int16_t type;
    bool eventLogPage;
  } cases[] = {{3105, true}, {3101, false}};
  int expectedSite = 1;
  for (const auto& c : cases) {
    session->Images().SetWord(kSite, reg::kProductCode.address, static_cast<std::uint16_t>(c.type));
    host.fileNames.push_back(Path("o.dat"));
    session->SaveParameterFile(kSite);
    host.fileNames.push_back(Path("o.dat"));
    session->ParameterFiles().OpenOffline();
    ASSERT_TRUE(host.messages.empty());
    ASSERT_EQ(session->Slots().WindowState(expectedSite), kWindowOffline);
    RecordingWindow* w = windows.at(expectedSite);
    EXPECT_EQ(session->Images().Word(expectedSite, reg::kProductCode.address),
              static_cast<std::uint16_t>(c.type));
    EXPECT_FALSE(w->statusPage);
    EXPECT_EQ(w->eventLogPage, c.eventLogPage) << c.type;
    EXPECT_EQ(w->panels[2], std::to_string(c.type));
    EXPECT_EQ(w->panels[0], "Vorel2000 V5.10");
    EXPECT_EQ(w->caption, Path("o.dat"));
    EXPECT_TRUE(session->Slots().FileLoaded(expectedSite));
    EXPECT_EQ(w->calls, (std::vector<std::string>{"ShowWindow", "SetUpWindow"}));
    expectedSite = 3;  // 2 is the online site
  }
  controller.requests.clear();
  Run(5000);
  ASSERT_FALSE(controller.requests.empty());
  for (const FakeRequest& r : controller.requests) EXPECT_EQ(r.site, kSite);
}

TEST_F(ParameterFileExchange, OfflineOpenWithEverySlotTakenDoesNothing) {
  host.fileNames.push_back(Path("o.dat"));
  session->SaveParameterFile(kSite);
  for (int n = 1; n <= kSiteCount; ++n)
    if (n != kSite) session->Slots().SetWindowState(n, kWindowOffline);
  host.fileNames.push_back(Path("o.dat"));
  session->ParameterFiles().OpenOffline();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(host.progressShown);
  EXPECT_EQ(windows.size(), 1u);

  // A file that does not convert makes no window.
  for (int n = 1; n <= kSiteCount; ++n)
    if (n != kSite) session->Slots().SetWindowState(n, kWindowNone);
  host.fileNames.push_back(Path("none.dat"));
  session->ParameterFiles().OpenOffline();
  EXPECT_EQ(host.messages, std::vector<std::string>{Path("none.dat") + " is not a parameter file"});
  EXPECT_EQ(session->Slots().WindowState(1), kWindowNone);
  EXPECT_EQ(windows.size(), 1u);
}

TEST_F(ParameterFileExchange, AFileThatLacksKeysLoadsDefaultsOnlyAfterAYes) {
  SiteImages& images = session->Images();
  images.SetWord(kSite, 0x00C8, 200);  // GNOMIN_PWR
  images.SetWord(kSite, 0x00C9, 90);   // GNOMIN_CUR, default 1
  std::ofstream(Path("short.dat"), std::ios::binary) << "[BASIC SETPOINT]\r\nGNOMIN_PWR=300\r\n";
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    host.questions.clear();
    host.answers = {answer};
    host.fileNames.push_back(Path("short.dat"));
    session->LoadParameterFile(kSite);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_TRUE(host.questions[0].text.starts_with("The file lacks ")) << host.questions[0].text;
    EXPECT_NE(host.questions[0].text.find("GNOMIN_CUR"), std::string::npos);
    const bool loaded = answer == Answer::Yes;
    EXPECT_EQ(images.Word(kSite, 0x00C8), loaded ? 300 : 200);
    EXPECT_EQ(images.Word(kSite, 0x00C9), loaded ? 1 : 90);
    EXPECT_EQ(session->Slots().FileLoaded(kSite), loaded);
  }
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

// After Backup, Load and the report the main window's status bar says what was done; after a
// cancel or a failure (told by its own message) it says nothing.
TEST_F(ParameterFileExchange, TheMainStatusBarSaysWhatWasDone) {
  const std::string saved = Path("a.dat");
  const std::string report = Path("r.html");
  const struct {
    const char* language;
    std::function<void()> act;
    std::optional<std::string> file;
    std::string said;
  } cases[] = {
      {"english", [this] { session->SaveParameterFile(kSite); }, saved,
       "Backup of site 2 saved: " + saved + "."},
      {"english", [this] { session->LoadParameterFile(kSite); }, saved,
       "Loaded into site 2: " + saved + "."},
      {"english", [this] { session->WriteServiceReport(kSite); }, report,
       "Service report of site 2 written: " + report + "."},
      {"chinese", [this] { session->SaveParameterFile(kSite); }, saved,
       "站点 2 的参数已备份: " + saved + "。"},
      {"english", [this] { session->SaveParameterFile(kSite); }, std::nullopt, ""},  // cancelled
      {"english", [this] { session->LoadParameterFile(kSite); }, Path("none.dat"), ""},
  };
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    host.mainStatus.erase(kDoneStatusPanel);
    host.fileNames.push_back(c.file);
    c.act();
    const auto said = host.mainStatus.find(kDoneStatusPanel);
    EXPECT_EQ(said == host.mainStatus.end() ? "" : said->second, c.said) << c.said;
  }
  SetLanguageSetting("english");
}

TEST(DoneNotices, AWriteSaysHowManyParametersWentToWhichSite) {
  SetLanguageSetting("english");
  const struct {
    SafeWriteEnd end;
    std::size_t changes;
    std::string said;
  } cases[] = {
      {SafeWriteEnd::Written, 3, "Written: 3 parameters to site 1."},
      {SafeWriteEnd::Written, 1, "Written: 1 parameter to site 1."},
      {SafeWriteEnd::Unrecorded, 2, "Written: 2 parameters to site 1."},
      {SafeWriteEnd::Unchanged, 0, "Nothing to write: site 1 already holds these values."},
      {SafeWriteEnd::Refused, 3, ""},  // the user said no: nothing to add
      {SafeWriteEnd::WriteFailed, 3, ""},
  };
  for (const auto& c : cases) {
    SafeWriteResult result;
    result.end = c.end;
    result.preview.resize(c.changes);
    EXPECT_EQ(WriteDoneNotice(1, result), c.said);
  }
  SetLanguageSetting("chinese");
  SafeWriteResult written;
  written.end = SafeWriteEnd::Written;
  written.preview.resize(3);
  EXPECT_EQ(WriteDoneNotice(4, written), "已写入: 3 个参数到站点 4。");
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

// Connect to a site whose slot holds a window opened from a file says why nothing happened
// and how to free the slot.
TEST_F(ParameterFileExchange, ConnectToASlotTakenByAFileWindowSaysSo) {
  host.fileNames.push_back(Path("o.dat"));
  session->SaveParameterFile(kSite);
  host.fileNames.push_back(Path("o.dat"));
  session->ParameterFiles().OpenOffline();
  ASSERT_EQ(session->Slots().WindowState(1), kWindowOffline);
  host.messages.clear();
  session->Connector().ConnectSites(Selected({1}));
  EXPECT_EQ(host.messages,
            std::vector<std::string>{
                "Site 1 was not connected: its slot is taken by a window opened from a parameter "
                "file. Close that window (Exit) to connect to site 1."});
  EXPECT_EQ(session->Slots().WindowState(1), kWindowOffline);  // the file's window stays

  // A site whose own window is online is not a taken slot.
  host.messages.clear();
  session->Connector().ConnectSites(Selected({kSite}));
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

// A window opened from a file in a slot another unit used shows nothing of that unit: the
// file carries no serial number, name, clock or event log.
TEST_F(ParameterFileExchange, AFileWindowShowsNothingOfTheSlotsLastUnit) {
  host.fileNames.push_back(Path("o.dat"));
  session->SaveParameterFile(kSite);
  SiteImages& images = session->Images();
  const std::pair<int, std::uint16_t> previous[] = {
      {reg::kSerialNumber.address, 0x1234},
      {reg::kControllerDate.address, 0x1112},
      {reg::kControllerTime.address, 0x0930},
      {reg::kEventLogPosition.address, 0x0220},
  };
  for (const auto& [address, word] : previous) images.SetWord(1, address, word);
  host.fileNames.push_back(Path("o.dat"));
  session->ParameterFiles().OpenOffline();
  ASSERT_EQ(session->Slots().WindowState(1), kWindowOffline);
  for (const auto& [address, word] : previous)
    EXPECT_EQ(images.Word(1, address), 0) << std::hex << address;
  // What the file holds is there.
  EXPECT_EQ(images.Word(1, reg::kProductCode.address), 3101);
}

// After Load the report gives the parameters as the file's, with the file's identity; a Read
// makes them the controller's again. A window opened from a file is reported by the file, with
// nothing of the unit last connected in its slot.
TEST_F(ParameterFileExchange, TheReportNamesTheFileTheParametersCameFrom) {
  const std::string file = Path("o.dat");
  host.fileNames.push_back(file);
  session->SaveParameterFile(kSite);
  const auto has = [](const std::string& html, const std::string& part) {
    return html.find(part) != std::string::npos;
  };
  const std::string controllerRow =
      "<td>Identity and parameters</td><td>controller at address 2, read ";
  EXPECT_TRUE(has(session->Reports().Html(kSite, nullptr), controllerRow));

  host.fileNames.push_back(file);
  session->LoadParameterFile(kSite);
  const FileIdentity identity = IdentifyFile(file);
  const std::string fileRow = "<td>Identity and parameters</td><td>file " + file + " (changed " +
                              LocalTimeText(identity.modified) + ", SHA-256 " + identity.sha256 +
                              "), opened ";
  std::string html = session->Reports().Html(kSite, nullptr);
  EXPECT_TRUE(has(html, fileRow)) << html;
  EXPECT_TRUE(has(html, "; loaded into the window, not written to the controller</td>"));
  EXPECT_FALSE(has(html, controllerRow));

  ASSERT_TRUE(session->Parameters().Read(kSite).Completed());
  EXPECT_TRUE(has(session->Reports().Html(kSite, nullptr), controllerRow));

  // Slot 1 held another unit; the file's window there shows and reports none of it.
  SiteImages& images = session->Images();
  images.SetWord(1, reg::kSerialNumber.address, 0x9876);
  images.SetWord(1, reg::kControllerDate.address, 0x1112);
  host.fileNames.push_back(file);
  session->ParameterFiles().OpenOffline();
  ASSERT_EQ(session->Slots().WindowState(1), kWindowOffline);
  html = session->Reports().Html(1, nullptr);
  EXPECT_TRUE(has(html, "<title>Service report - file o.dat</title>"));
  EXPECT_TRUE(has(html, "<td>File</td><td>" + file + "</td>"));
  EXPECT_TRUE(has(html, "<td>Identity and parameters</td><td>file " + file + " (changed "));
  for (const char* absent : {"<td>Address</td>", "address 1", "9876", "<h2>Monitor</h2>",
                             "Clock drift", "not written to the controller"})
    EXPECT_FALSE(has(html, absent)) << absent;
}

}  // namespace
}  // namespace vorel::test
