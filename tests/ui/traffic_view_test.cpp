// View -> Traffic: the frames of the session's log, filtered, paused, bounded and saved.
#include <QAction>
#include <QHeaderView>
#include <QTableView>
#include <fstream>
#include <sstream>

#include "support/temp_files.h"
#include "ui/traffic_model.h"
#include "ui/traffic_view.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiTraffic = UiTest;

const std::uint8_t kRequest[] = {0x01, 0x03, 0x01, 0x69, 0x00, 0x04, 0x95, 0xE9};

void RecordPair(TrafficLog& log, std::uint64_t ms, int site, FrameOutcome outcome) {
  log.Record(ms, FrameOutcome::Request, site, 0x03, 0x0169, 4, kRequest);
  log.Record(ms + 200, outcome, site, 0x03, 0x0169, 4, {}, 0x02);
}

TEST_F(UiTraffic, TheMenuShowsTheSessionsFramesFilteredPausedAndSaved) {
  WriteVport("[System]\r\nLanguage=english\r\n");
  ScriptedHost host;
  MainWindow main(host, MainWindowServices{});
  main.findChild<QAction*>("mViewTraffic")->trigger();
  TrafficView& view = main.Traffic();
  ASSERT_TRUE(view.isVisible());
  TrafficLog& log = main.session().Traffic();
  log.Restart(0);
  RecordPair(log, 10, 1, FrameOutcome::Timeout);
  RecordPair(log, 500, 2, FrameOutcome::Exception);
  view.Refresh();
  ASSERT_EQ(view.RowCount(), 4);
  EXPECT_EQ(view.CellText(0, TrafficModel::Direction), "TX");
  EXPECT_EQ(view.CellText(0, TrafficModel::Bytes), "01 03 01 69 00 04 95 E9");
  EXPECT_EQ(view.CellText(0, TrafficModel::Registers), "0169+4");
  EXPECT_EQ(view.CellText(1, TrafficModel::Outcome), "timeout");
  EXPECT_EQ(view.CellText(3, TrafficModel::Time), "700");
  EXPECT_EQ(view.CellText(3, TrafficModel::Outcome), "exception 02");

  view.SetSiteFilter(2);
  ASSERT_EQ(view.RowCount(), 2);
  EXPECT_EQ(view.CellText(0, TrafficModel::Site), "2");
  TempDir dir;
  const std::string path = (dir.path() / "traffic.txt").string();
  FileError error;
  ASSERT_TRUE(view.SaveTo(path, &error)) << EnglishReason(error);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "      500 ms  TX   2  03  0169+4      8  01 03 01 69 00 04 95 E9  request\n"
            "      700 ms  RX   2  03  0169+4      0    exception 02\n");
  view.SetSiteFilter(0);

  // Paused, nothing new is taken; resumed, everything that came meanwhile is.
  view.SetPaused(true);
  RecordPair(log, 900, 3, FrameOutcome::Reply);
  view.Refresh();
  EXPECT_EQ(view.RowCount(), 4);
  view.SetPaused(false);
  view.Refresh();
  EXPECT_EQ(view.RowCount(), 6);

  view.Clear();
  EXPECT_EQ(view.RowCount(), 0);
  EXPECT_EQ(log.Size(), 0u);

  // A new Connect while the view is hidden: only the new session's frames show, from the
  // first, however many came meanwhile.
  RecordPair(log, 1000, 1, FrameOutcome::Reply);
  view.Refresh();
  view.hide();
  log.Restart(2000);
  for (int k = 0; k < 4; ++k)
    RecordPair(log, 2000 + 500 * static_cast<std::uint64_t>(k), 2, FrameOutcome::Reply);
  view.show();
  view.Refresh();
  ASSERT_EQ(view.RowCount(), 8);
  EXPECT_EQ(view.CellText(0, TrafficModel::Time), "0");
  EXPECT_EQ(view.CellText(0, TrafficModel::Site), "2");
  view.Clear();

  main.SetLanguage("chinese");
  RecordPair(log, 1000, 1, FrameOutcome::CrcError);
  view.Refresh();
  EXPECT_EQ(view.windowTitle(), "通讯监视");
  EXPECT_EQ(view.CellText(1, TrafficModel::Outcome), "CRC错误");
}

// The longest frame a line can carry (a reply of 125 registers, 255 bytes) shows whole: its
// bytes are as wide as their text, and the outcome column stays before them, in sight.
TEST_F(UiTraffic, TheBytesOfTheLongestFrameAreNotCutOff) {
  WriteVport("[System]\r\nLanguage=english\r\n");
  ScriptedHost host;
  MainWindow main(host, MainWindowServices{});
  main.findChild<QAction*>("mViewTraffic")->trigger();
  TrafficView& view = main.Traffic();
  TrafficLog& log = main.session().Traffic();
  log.Restart(0);
  const std::vector<std::uint8_t> reply(255, 0xAB);
  log.Record(10, FrameOutcome::Reply, 1, 0x03, 0x0169, 125, reply);
  view.Refresh();
  ASSERT_EQ(view.RowCount(), 1);
  auto* table = view.findChild<QTableView*>("sgTraffic");
  ASSERT_NE(table, nullptr);
  const QString bytes = view.CellText(0, TrafficModel::Bytes);
  ASSERT_EQ(bytes.size(), 255 * 3 - 1);
  QHeaderView* header = table->horizontalHeader();
  EXPECT_GT(header->sectionSize(TrafficModel::Bytes),
            table->fontMetrics().horizontalAdvance(bytes));
  EXPECT_EQ(header->visualIndex(TrafficModel::Bytes), TrafficModel::kColumns - 1);
  EXPECT_LT(header->visualIndex(TrafficModel::Outcome), header->visualIndex(TrafficModel::Bytes));
  // A short frame alone fills the width of the window rather than leaving a gap.
  view.Clear();
  RecordPair(log, 20, 1, FrameOutcome::Reply);
  view.Refresh();
  EXPECT_GE(header->length(), table->viewport()->width());
  EXPECT_LT(header->sectionSize(TrafficModel::Bytes),
            table->fontMetrics().horizontalAdvance(bytes));
}

TEST(TrafficModel, HoldsAtMostItsCapacityDroppingTheOldest) {
  TrafficModel model(5);
  for (int round = 0; round < 3; ++round) {
    std::vector<FrameRecord> frames(4);
    for (int k = 0; k < 4; ++k) frames[static_cast<std::size_t>(k)].sequence = round * 4 + k + 1;
    model.Append(frames);
  }
  ASSERT_EQ(model.rowCount(), 5);
  EXPECT_EQ(model.Frame(0).sequence, 8u);
  EXPECT_EQ(model.Frame(4).sequence, 12u);
  std::vector<FrameRecord> many(7);
  for (int k = 0; k < 7; ++k) many[static_cast<std::size_t>(k)].sequence = 100 + k;
  model.Append(many);
  ASSERT_EQ(model.rowCount(), 5);
  EXPECT_EQ(model.Frame(0).sequence, 102u);
}

}  // namespace
}  // namespace vorel::test
