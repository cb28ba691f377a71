// The long reads behind a backup and a service report say in the progress window what they
// are reading, and its Cancel stops them after the request under way with nothing saved.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/progress_texts.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

class TransferCancel : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3105, "Vorel2000 V5.10");
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    window = windows.at(2);
    controller.requests.clear();
    host.progressTexts.clear();
  }
  int RequestsIn(std::uint16_t first, std::uint16_t last) const {
    int n = 0;
    for (const auto& r : controller.requests)
      if (r.function == 3 && r.address >= first && r.address <= last) ++n;
    return n;
  }

  RecordingWindow* window = nullptr;
};

TEST_F(TransferCancel, ParameterReadNamesTheGroupAndCancelStopsAfterIt) {
  host.progressCancelled = [this] { return host.progressTexts.size() == 2; };
  const TransferResult result = session->Parameters().Read(2);
  EXPECT_EQ(result.status, TransferStatus::Cancelled);
  EXPECT_FALSE(result.Completed());
  EXPECT_EQ(RequestsIn(0x8045, 0x804D), 2);  // the second group was under way and ended
  EXPECT_EQ(host.progressTexts,
            (std::vector<std::string>{"Reading the parameters of site 2: group 1 of 4",
                                      "Reading the parameters of site 2: group 2 of 4"}));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(host.progressShown);
  EXPECT_TRUE(session->Poll().PollTimerRunning());

  host.progressCancelled = nullptr;
  EXPECT_TRUE(session->Parameters().Read(2).Completed());
  EXPECT_EQ(RequestsIn(0x8045, 0x804D), 6);

  SetLanguageSetting("chinese");
  EXPECT_EQ(ParameterProgressText(1, 3), "正在读取设备 1 的参数：第 3 组，共 4 组");
}

// Cancel while the report reads the event log: no report is written, and a file already there
// keeps what it held.
TEST_F(TransferCancel, CancelledReportWritesNothing) {
  const std::filesystem::path file = dataDir / "report.html";
  std::filesystem::create_directories(dataDir);
  std::ofstream(file) << "earlier report";
  host.fileNames.push_back(file.string());
  host.progressCancelled = [this] { return host.progressTexts.size() == 5; };
  session->Reports().Write(2);
  EXPECT_EQ(RequestsIn(0x0200, 0x0FFF), 5);
  std::stringstream kept;
  kept << std::ifstream(file).rdbuf();
  EXPECT_EQ(kept.str(), "earlier report");
  EXPECT_TRUE(host.messages.empty());  // no failure
  for (const std::string& text : host.mainStatusHistory)
    EXPECT_EQ(text.find("report.html"), std::string::npos) << text;  // nor "saved"
  EXPECT_FALSE(host.progressShown);

  // Without Cancel the same report is written whole.
  host.progressCancelled = nullptr;
  host.fileNames.push_back(file.string());
  session->Reports().Write(2);
  std::stringstream written;
  written << std::ifstream(file).rdbuf();
  EXPECT_NE(written.str().find("</html>"), std::string::npos);
}

}  // namespace
}  // namespace vorel::test
