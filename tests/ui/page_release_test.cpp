// Monitor and event-log pages out of view are destroyed and built again when shown, looking as
// the user left them.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>

#include "core/language.h"
#include "parameter_window_fixture.h"
#include "ui/event_log_page.h"
#include "ui/qt_text.h"
#include "ui/trend_view.h"

namespace vorel::test {
namespace {

using PageReleaseTest = ParameterWindowTest;

EventLogSheet NumberedLog() {
  EventLogSheet sheet;
  for (int row = 1; row <= kEventLogRows; ++row) {
    sheet.Cell(row, 1) = "event " + std::to_string(row);
    sheet.Cell(row, 2) = "26/12/01";
    sheet.Cell(row, 3) = "08:00:" + std::to_string(10 + row % 50);
  }
  return sheet;
}

// The ways a page goes out of view: another page's tab, or its whole window hidden (a site
// window's tab in the main window not current).
struct Away {
  const char* how;
  std::function<void(ParameterWindow&)> leave;
  std::function<void(ParameterWindow&)> comeBack;
};

std::vector<Away> WaysAway(const char* page) {
  auto tabs = [](ParameterWindow& w) { return Child<QTabWidget>(w, "pcParameter"); };
  return {
      {"another tab", [tabs](ParameterWindow& w) { tabs(w)->setCurrentIndex(0); },
       [tabs, page](ParameterWindow& w) { tabs(w)->setCurrentWidget(Child<QWidget>(w, page)); }},
      {"window hidden", [](ParameterWindow& w) { w.hide(); },
       [](ParameterWindow& w) {
         w.show();
         EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
       }},
  };
}

// VOREL_SHOTS_DIR: where the grabs of the page before and after go, to be looked at.
void SaveShot(const QImage& image, const char* how, const char* when) {
  const QString dir = qEnvironmentVariable("VOREL_SHOTS_DIR");
  if (dir.isEmpty()) return;
  image.save(QStringLiteral("%1/event-log-%2-%3-%4.png")
                 .arg(dir, QString(how).replace(' ', '-'), Q(LanguageSetting()), when));
}

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TEST_F(PageReleaseTest, AnEventLogPageShowingRowsComesBackAsItWas) {
  for (const auto& [language, away] :
       std::vector<std::pair<const char*, Away>>{{"english", WaysAway("tsHistoryDisplay")[0]},
                                                 {"english", WaysAway("tsHistoryDisplay")[1]},
                                                 {"chinese", WaysAway("tsHistoryDisplay")[0]}}) {
    SCOPED_TRACE(std::string(language) + ", " + away.how);
    SetLanguageSetting(language);
    ParameterWindow& w = OpenType(3105);
    w.resize(900, 600);
    Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsHistoryDisplay"));
    Settle();
    ASSERT_TRUE(w.EventLogPageBuilt());
    w.ShowEventLogFile(NumberedLog());
    EventLogPage* page = w.EventLog();
    page->HideEmptyBox()->setChecked(false);
    page->NewestFirstBox()->setChecked(true);
    QTableWidget* grid = page->Grid();
    grid->setColumnWidth(1, 180);
    grid->setCurrentCell(40, 5);
    Settle();
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
    grid->horizontalScrollBar()->setValue(30);
    const int vertical = grid->verticalScrollBar()->value();
    ASSERT_GT(vertical, 0);
    const EventLogSheet cells = w.EventLogCells();
    const QImage look = page->grab().toImage();

    away.leave(w);
    Settle();
    // A page showing rows is kept whole.
    EXPECT_TRUE(w.EventLogPageBuilt());
    EXPECT_TRUE(w.EventLogShown());
    EXPECT_EQ(w.EventLogCells(), cells);

    away.comeBack(w);
    Settle();
    ASSERT_TRUE(w.EventLogPageBuilt());
    page = w.EventLog();
    grid = page->Grid();
    EXPECT_TRUE(grid->isVisible());
    EXPECT_EQ(w.EventLogCells(), cells);
    EXPECT_FALSE(page->HideEmptyBox()->isChecked());
    EXPECT_TRUE(page->NewestFirstBox()->isChecked());
    EXPECT_EQ(page->RowAt(1), kEventLogRows);
    EXPECT_FALSE(page->RowHidden(5));
    EXPECT_EQ(grid->columnWidth(1), 180);
    EXPECT_EQ(grid->currentRow(), 40);
    EXPECT_EQ(grid->currentColumn(), 5);
    EXPECT_TRUE(page->ExportButton()->isEnabled());
    EXPECT_FALSE(page->SaveButton()->isEnabled());  // a file shown is not saved again
    EXPECT_TRUE(page->ReadButton()->isEnabled());
    EXPECT_EQ(grid->verticalScrollBar()->value(), vertical);
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 30);
    // Pixel for pixel as it was.
    const QImage again = page->grab().toImage();
    EXPECT_TRUE(again == look);
    SaveShot(look, away.how, "before");
    SaveShot(again, away.how, "after");
  }
  SetLanguageSetting("english");
}

TEST_F(PageReleaseTest, AnEventLogPageNeverFilledIsFilledAgainFromTheValueImage) {
  images->SetWord(kSite, reg::kEventLogPosition.address, 0x0200);
  ParameterWindow& w = OpenType(3105);
  Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsHistoryDisplay"));
  Settle();
  const EventLogSheet before = w.EventLogCells();
  Child<QTabWidget>(w, "pcParameter")->setCurrentIndex(0);
  Settle();
  EXPECT_FALSE(w.EventLogPageBuilt());
  EXPECT_FALSE(w.EventLogShown());
  // The language changes while the page is away: it comes back in the new one.
  SetLanguageSetting("chinese");
  w.ApplyWindowTexts();
  w.RefillEventLog();
  Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsHistoryDisplay"));
  Settle();
  ASSERT_TRUE(w.EventLogPageBuilt());
  EXPECT_TRUE(w.EventLog()->Grid()->isHidden());
  EXPECT_EQ(w.EventLog()->ReadButton()->text().toStdString(), "读历史记录");
  EXPECT_EQ(w.EventLogCells().Cell(1, 0), before.Cell(1, 0));
  SetLanguageSetting("english");
}

TEST_F(PageReleaseTest, AMonitorPageOutOfViewIsGivenBackWithItsTrendAndComesBackAsItWas) {
  images->SetWord(kSite, 0x0099, 1500);
  for (const Away& away : WaysAway("tsStatusDisplay")) {
    SCOPED_TRACE(away.how);
    ParameterWindow& w = OpenType(3101);
    w.RefreshMonitor();
    Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsStatusDisplay"));
    Settle();
    ASSERT_TRUE(w.MonitorPageBuilt());
    MonitorPage* page = w.Monitor();
    page->ShowTrend(true);
    page->Trend()->SpanPicker()->setCurrentIndex(2);
    const bool firstSeries = page->Trend()->SeriesBox(0)->isChecked();
    page->Trend()->SeriesBox(0)->setChecked(!firstSeries);
    page->Trend()->SeriesBox(5)->setChecked(true);

    away.leave(w);
    Settle();
    EXPECT_FALSE(w.MonitorPageBuilt());

    away.comeBack(w);
    Settle();
    ASSERT_TRUE(w.MonitorPageBuilt());
    page = w.Monitor();
    EXPECT_TRUE(page->TrendButton()->isChecked());
    EXPECT_TRUE(page->Trend()->isVisible());
    EXPECT_EQ(page->Trend()->SpanPicker()->currentIndex(), 2);
    EXPECT_EQ(page->Trend()->SeriesBox(0)->isChecked(), !firstSeries);
    EXPECT_TRUE(page->Trend()->SeriesBox(5)->isChecked());
    // The live values are drawn again once the trend is put away.
    page->ShowTrend(false);
    EXPECT_EQ(page->EngineGrid()->CellText(1, 2), "1500");
  }
}

}  // namespace
}  // namespace vorel::test
