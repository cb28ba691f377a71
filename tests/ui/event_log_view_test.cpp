#include <QCheckBox>
#include <QPushButton>
#include <QTableWidget>

#include "parameter_window_fixture.h"
#include "ui/event_log_page.h"

namespace vorel::test {
namespace {

// A log of 112 records of which only rows 111 and 112 (the newest) were ever written.
EventLogSheet TwoRecordLog() {
  EventLogSheet sheet;
  for (int row = 1; row <= kEventLogRows; ++row) {
    sheet.Cell(row, 1) = "0000";
    sheet.Cell(row, 2) = "00/00/00";
    sheet.Cell(row, 3) = "00:00:00";
    for (int c = 4; c < kEventLogColumns; ++c) sheet.Cell(row, c) = "0";
  }
  sheet.Cell(111, 1) = "power up";
  sheet.Cell(111, 2) = "26/12/01";
  sheet.Cell(111, 3) = "08:00:00";
  sheet.Cell(112, 1) = "emergency stop";
  sheet.Cell(112, 2) = "26/12/11";
  sheet.Cell(112, 3) = "09:15:30";
  return sheet;
}

using EventLogViewTest = ParameterWindowTest;

TEST_F(EventLogViewTest, EmptyRecordsHideNewestComeFirstAndTheFileKeepsEveryRecord) {
  ParameterWindow& w = OpenType(3105);
  EventLogPage& page = *w.EventLog();
  w.ShowEventLogFile(TwoRecordLog());
  auto shownRows = [&page] {
    std::vector<int> rows;
    for (int position = 1; position <= kEventLogRows; ++position) {
      const int row = page.RowAt(position);
      if (!page.RowHidden(row)) rows.push_back(row);
    }
    return rows;
  };
  const struct {
    bool hideEmpty, newestFirst;
    std::vector<int> first;  // the first rows shown
    std::size_t shown;
  } cases[] = {
      {true, false, {111, 112}, 2},  // as the window opens
      {true, true, {112, 111}, 2},
      {false, true, {112, 111, 110}, 112},
      {false, false, {1, 2, 3}, 112},
  };
  for (const auto& c : cases) {
    page.HideEmptyBox()->setChecked(c.hideEmpty);
    page.NewestFirstBox()->setChecked(c.newestFirst);
    const std::vector<int> rows = shownRows();
    EXPECT_EQ(rows.size(), c.shown) << c.hideEmpty << c.newestFirst;
    EXPECT_EQ(std::vector<int>(rows.begin(), rows.begin() + c.first.size()), c.first)
        << c.hideEmpty << c.newestFirst;
    // What is saved and exported is every record in the controller's order.
    EXPECT_EQ(w.EventLogCells().Cell(112, 1), "emergency stop");
    EXPECT_EQ(w.EventLogCells().Cell(1, 2), "00/00/00");
  }
}

TEST_F(EventLogViewTest, ColumnsFitTheirTexts) {
  ParameterWindow& w = OpenType(3105);
  images->SetWord(kSite, reg::kEventLogPosition.address, 0x0200);
  w.RefillEventLog();
  w.ShowEventLogFile(TwoRecordLog());
  QTableWidget* grid = w.EventLog()->Grid();
  const QFontMetrics metrics(grid->font());
  for (const auto& [row, column] : std::vector<std::pair<int, int>>{{112, 0}, {112, 2}, {0, 20}})
    EXPECT_GE(grid->columnWidth(column), metrics.horizontalAdvance(grid->item(row, column)->text()))
        << grid->item(row, column)->text().toStdString();
}

TEST_F(EventLogViewTest, ExportIsOfferedOnlyForAReadOrAnOpenedLog) {
  const struct {
    const char* how;
    std::function<void(ParameterWindow&)> fill;
  } cases[] = {
      {"read", [](ParameterWindow& w) { w.ShowEventLogComplete(); }},
      {"file", [](ParameterWindow& w) { w.ShowEventLogFile(TwoRecordLog()); }},
  };
  for (const auto& c : cases) {
    ParameterWindow& w = OpenType(3105);
    QPushButton* exportButton = w.EventLog()->ExportButton();
    EXPECT_FALSE(exportButton->isEnabled()) << c.how;
    c.fill(w);
    EXPECT_TRUE(exportButton->isEnabled()) << c.how;
  }
}

TEST_F(EventLogViewTest, TheRowOptionsSpeakTheWindowsLanguage) {
  for (const auto& [language, hide, newest] :
       std::vector<std::tuple<const char*, const char*, const char*>>{
           {"english", "Hide empty records", "Newest first"},
           {"chinese", "隐藏空记录", "最新在前"}}) {
    SetLanguageSetting(language);
    ParameterWindow& w = OpenType(3105);
    EXPECT_EQ(w.EventLog()->HideEmptyBox()->text().toStdString(), hide);
    EXPECT_EQ(w.EventLog()->NewestFirstBox()->text().toStdString(), newest);
    EXPECT_TRUE(w.EventLog()->HideEmptyBox()->isChecked());
  }
}

}  // namespace
}  // namespace vorel::test
