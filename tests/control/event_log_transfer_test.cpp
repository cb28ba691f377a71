// Reading the event log through the session against the fake controller, and the log file
// and CSV commands through the scripted host.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control_fixture.h"
#include "core/sha256.h"
#include "files/event_log_file.h"
#include "files/file_identity.h"
#include "files/service_report.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

class EventLogExchange : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    FakeController::Site& s = controller.AddSite(2, 3105, "Vorel2000 V5.10");
    // Record r: event code 0x2811, speed r + 1000, power factor 0.85.
    for (int r = 0; r < kEventLogRecords; ++r) {
      auto* record = &s.log[static_cast<std::size_t>(32 * r)];
      record[0] = 0x2811;
      record[5] = static_cast<std::uint16_t>(1000 + r);
      record[18] = 85;
    }
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    window = windows.at(2);
    window->images = &session->Images();
    window->site = 2;
    session->Images().SetWord(2, reg::kEventLogPosition.address,
                              0x0200 + 32 * 5);  // record 5 first
    controller.requests.clear();
    host.progress.clear();
    window->calls.clear();
  }
  std::vector<FakeRequest> LogReads() const {
    std::vector<FakeRequest> out;
    for (const auto& r : controller.requests) {
      if (r.function == 3 && r.address >= 0x0200 && r.address < 0x1000) out.push_back(r);
    }
    return out;
  }

  RecordingWindow* window = nullptr;
};

// The progress window says which block is read; Cancel stops after the request under way and
// the read counts as not completed: the grid is not shown as read and cannot be saved.
TEST_F(EventLogExchange, ProgressNamesTheBlockAndCancelStopsAfterTheCurrentRequest) {
  SetLanguageSetting("english");
  host.progressCancelled = [this] { return host.progressTexts.size() == 23; };
  const TransferResult result = session->EventLog().Read(2);
  EXPECT_EQ(result.status, TransferStatus::Cancelled);
  EXPECT_FALSE(result.Completed());
  EXPECT_EQ(LogReads().size(), 23u);  // block 23 was under way when Cancel came, and ended
  ASSERT_EQ(host.progressTexts.size(), 23u);
  EXPECT_EQ(host.progressTexts[0], "Reading the event log of site 2: block 1 of 56");
  EXPECT_EQ(host.progressTexts[22], "Reading the event log of site 2: block 23 of 56");
  EXPECT_FALSE(window->saveEventLogEnabled);
  EXPECT_FALSE(window->eventLogShown);
  EXPECT_TRUE(host.messages.empty());  // the user stopped it: no failure is reported
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  EXPECT_FALSE(host.progressShown);

  SetLanguageSetting("chinese");
  EXPECT_EQ(EventLogProgressText(1, 23), "正在读取设备 1 的历史记录：第 23 块，共 56 块");
}

TEST_F(EventLogExchange, ReadsTheFiftySixBlocksAndDrawsTheRing) {
  const std::uint64_t start = pump.NowMs();
  EXPECT_TRUE(session->EventLog().Read(2));
  const auto reads = LogReads();
  ASSERT_EQ(reads.size(), 56u);
  for (std::size_t n = 0; n < reads.size(); ++n) {
    EXPECT_EQ(reads[n].address, 0x0200 + 64 * n);
    EXPECT_EQ(reads[n].count, 64);
  }
  EXPECT_GE(pump.NowMs() - start, 56u * 40u);
  ASSERT_EQ(host.progress.size(), 57u);  // one step per block, then 0 at the end
  EXPECT_EQ(host.progress[0], 1);
  EXPECT_EQ(host.progress[19], 35);
  EXPECT_EQ(host.progress[55], 100);
  EXPECT_TRUE(window->saveEventLogEnabled);
  EXPECT_TRUE(window->eventLogShown);
  EXPECT_EQ(window->calls,
            (std::vector<std::string>{"ShowEventLogComplete", "ShowWindow", "RefillEventLog"}));
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  EXPECT_TRUE(window->enabled);

  const EventLogSheet& grid = window->eventLog;
  EXPECT_EQ(grid.Cell(0, 20), "BInput(BI05...BI01)");
  EXPECT_EQ(grid.Cell(1, 4), "1005");
  EXPECT_EQ(grid.Cell(107, 4), "1111");
  EXPECT_EQ(grid.Cell(108, 4), "1000");
  EXPECT_EQ(grid.Cell(112, 4), "1004");
  EXPECT_EQ(grid.Cell(112, 16), "0.85");
  EXPECT_EQ(grid.Cell(1, 1), "start auto");
}

TEST_F(EventLogExchange, AFailureAtBlockTwentyStopsAndLeavesSaveDisabled) {
  controller.silent = [](const FakeRequest& r) {
    return r.function == 3 && r.address == 0x0200 + 64 * 19;
  };
  EXPECT_FALSE(session->EventLog().Read(2));
  const auto reads = LogReads();
  ASSERT_FALSE(reads.empty());
  EXPECT_EQ(reads.back().address, 0x0200 + 64 * 19);
  EXPECT_TRUE(std::all_of(reads.begin(), reads.end(),
                          [](const FakeRequest& r) { return r.address <= 0x0200 + 64 * 19; }));
  EXPECT_FALSE(window->saveEventLogEnabled);
  EXPECT_FALSE(window->eventLogShown);
  EXPECT_EQ(window->calls, (std::vector<std::string>{"ShowWindow", "RefillEventLog"}));
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  EXPECT_TRUE(view.enabled);
  // The image holds the 38 records read; the grid is drawn from it.
  EXPECT_EQ(session->Images().EventLogRecord(2, 37)[5], 1037);
  EXPECT_EQ(session->Images().EventLogRecord(2, 38)[5], 0);
  EXPECT_EQ(window->eventLog.Cell(1, 4), "1005");
  EXPECT_EQ(window->eventLog.Cell(34, 4), "0");
}

class TempFolder {
 public:
  TempFolder() {
    std::string t = (fs::temp_directory_path() / "vorel-eventlog-XXXXXX").string();
    path_ = ::mkdtemp(t.data());
  }
  ~TempFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST_F(EventLogExchange, SaveThenOpenShowsTheFileAndKeepsItOverRedraws) {
  ASSERT_TRUE(session->EventLog().Read(2));
  const EventLogSheet read = window->eventLog;
  TempFolder dir;
  const std::string path = (dir.path() / "site2.log").string();

  host.fileNames = {path};
  session->SaveEventLog(2);
  EXPECT_TRUE(host.messages.empty());
  ASSERT_TRUE(fs::exists(path));

  // Another record order in the image; opening the file shows the file, not the image.
  session->Images().SetWord(2, reg::kEventLogPosition.address, 0x0200);
  window->calls.clear();
  host.fileNames = {path};
  session->OpenEventLog(2);
  EXPECT_EQ(window->calls, (std::vector<std::string>{"ShowEventLogFile", "ShowWindow"}));
  EXPECT_EQ(window->eventLog, read);

  // A cancelled dialog changes nothing.
  window->calls.clear();
  session->OpenEventLog(2);
  session->SaveEventLog(2);
  EXPECT_TRUE(window->calls.empty());
}

TEST_F(EventLogExchange, AFailedSaveReportsUnableToWrite) {
  ASSERT_TRUE(session->EventLog().Read(2));
  const std::string path = "/nonexistent-folder/x.log";
  host.fileNames = {path};
  session->SaveEventLog(2);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "Unable to write to /nonexistent-folder/x.log: No such file or directory");
  EXPECT_FALSE(host.progressShown);

  host.fileNames = {"/nonexistent-folder/x.csv"};
  session->ExportEventLogCsv(2);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1],
            "Unable to write to /nonexistent-folder/x.csv: No such file or directory");
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// "Service report..." on an online window whose log was not read: the log is read first (with
// its progress), then the page is written; a second report uses the log as it is shown.
TEST_F(EventLogExchange, ServiceReportReadsTheLogFirstThenWritesThePage) {
  TempFolder dir;
  const std::string path = (dir.path() / "site2.html").string();
  host.fileNames = {path};
  session->WriteServiceReport(2);
  EXPECT_EQ(LogReads().size(), 56u);
  EXPECT_TRUE(window->eventLogShown);
  EXPECT_TRUE(host.messages.empty());
  const std::string html = ReadText(path);
  for (const char* part : {"<td>Product code</td><td>3105</td>", "<td>Firmware</td><td>5.10</td>",
                           "<td>Device name</td><td>Vorel2000 V5.10</td>", "<h2>Monitor</h2>",
                           "<tr><td>0</td><td>start auto</td>"})
    EXPECT_NE(html.find(part), std::string::npos) << part;

  controller.requests.clear();
  host.fileNames = {path};
  session->WriteServiceReport(2);
  EXPECT_TRUE(LogReads().empty());

  // A cancelled dialog reads nothing; a file that cannot be written is reported.
  window->eventLogShown = false;
  session->WriteServiceReport(2);
  EXPECT_TRUE(LogReads().empty());
  host.fileNames = {"/nonexistent-folder/r.html"};
  session->WriteServiceReport(2);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "Unable to write to /nonexistent-folder/r.html: No such file or directory");
}

// A log file of another controller opened into this controller's window is reported as that
// file (its path, time and hash), never as this controller's; a read from the controller
// afterwards is reported as the controller's again.
TEST_F(EventLogExchange, ALogOpenedFromAnotherUnitsFileIsReportedAsThatFile) {
  TempFolder dir;
  const std::string log = (dir.path() / "other unit.log").string();
  EventLogSheet other;
  for (int row = 1; row <= kEventLogRows; ++row)
    for (int c = 1; c < kEventLogColumns; ++c) other.Cell(row, c) = "0";
  other.Cell(1, 1) = "overspeed";
  other.Cell(1, 2) = "24/04/01";
  ASSERT_TRUE(SaveEventLogFile(log, other, nullptr));
  const FileIdentity file = IdentifyFile(log);
  ASSERT_EQ(file.sha256, Sha256Hex(ReadText(log)));

  host.fileNames = {log};
  session->OpenEventLog(2);
  const std::string report = (dir.path() / "r.html").string();
  host.fileNames = {report};
  session->WriteServiceReport(2);
  EXPECT_TRUE(LogReads().empty());  // the file's log is the one shown: no read
  const std::string html = ReadText(report);
  const std::string fromFile = "file " + dir.path().string() + "/other unit.log (changed " +
                               LocalTimeText(file.modified) + ", SHA-256 " + file.sha256 +
                               "), opened ";
  EXPECT_NE(html.find("<td>Event log</td><td>" + fromFile), std::string::npos) << html;
  EXPECT_NE(html.find("<p>Source: " + fromFile), std::string::npos);
  EXPECT_NE(html.find("the file does not name the controller it came from"), std::string::npos);
  EXPECT_NE(html.find("<td>overspeed</td><td>24/04/01</td>"), std::string::npos);
  // The identity and parameters stay the controller's, and say so.
  EXPECT_NE(html.find("<td>Serial number</td><td>1234"), std::string::npos);
  EXPECT_NE(html.find("<td>Identity and parameters</td><td>controller at address 2, read "),
            std::string::npos);

  ASSERT_TRUE(session->EventLog().Read(2));
  host.fileNames = {report};
  session->WriteServiceReport(2);
  const std::string again = ReadText(report);
  EXPECT_NE(again.find("<td>Event log</td><td>controller at address 2, read "), std::string::npos);
  EXPECT_EQ(again.find("other unit.log"), std::string::npos);
}

// The fields asked before the save dialog are kept for the controller: the next report starts
// from them. Cancel writes nothing.
TEST_F(EventLogExchange, TheReportFieldsAreKeptForTheController) {
  TempFolder dir;
  const std::string report = (dir.path() / "r.html").string();
  std::vector<ReportFields> shown;
  host.reportFields = [&](ReportFields& fields) {
    shown.push_back(fields);
    fields = {"ACME", "Pump house", "Li Wei", "Oil changed.\n[Battery] weak \\ check"};
    return true;
  };
  host.fileNames = {report};
  session->WriteServiceReport(2);
  host.fileNames = {report};
  session->WriteServiceReport(2);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].customer, "");
  EXPECT_EQ(shown[1].customer, "ACME");
  EXPECT_EQ(shown[1].notes, "Oil changed.\n[Battery] weak \\ check");
  EXPECT_NE(ReadText(report).find("<td>Technician</td><td>Li Wei</td>"), std::string::npos);

  host.reportFields = [](ReportFields&) { return false; };
  host.fileNames = {(dir.path() / "cancelled.html").string()};
  session->WriteServiceReport(2);
  EXPECT_FALSE(fs::exists(dir.path() / "cancelled.html"));
  EXPECT_EQ(host.fileNames.size(), 1u);  // no save dialog either
}

}  // namespace
}  // namespace vorel::test
