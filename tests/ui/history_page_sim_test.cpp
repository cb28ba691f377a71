// Two visits to one vorel-sim site with the history kept in a real SQLite file, and a
// parameter changed on the controller between them by another master: the second visit's
// History page lists exactly that change, its timeline both visits, and it reads without
// holding up the window.
#include <QComboBox>
#include <QHeaderView>
#include <QPixmap>
#include <QTabWidget>
#include <QTableWidget>
#include <cstdlib>

#include "control/session.h"
#include "store/history_location.h"
#include "support/raw_master.h"
#include "ui/history_page.h"
#include "ui/parameter_window.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

// Each view of the page, grabbed into $VOREL_SHOTS_DIR when it is set (to look at them).
void Shots(QWidget& window, HistoryPage& page, const char* language) {
  const char* dir = std::getenv("VOREL_SHOTS_DIR");
  if (!dir) return;
  window.resize(1000, 640);
  for (int view = 0; view < page.Views()->count(); ++view) {
    page.Views()->setCurrentIndex(view);
    QTest::qWait(100);
    window.grab().save(QString::fromUtf8(dir) +
                       QString("/history-%1-%2.png").arg(QString::fromUtf8(language)).arg(view));
  }
  page.Views()->setCurrentIndex(0);
}

class UiHistoryPageSim : public UiTest {
 protected:
  // Connects to the simulator with the history recorded into the default file.
  std::unique_ptr<MainWindow> Visit(const SimProcess& sim) {
    WriteVport(
        "[System]\r\nLanguage=english\r\n[Device]\r\nControlerAddr1=-1\r\n[ComPort1]\r\nPort=" +
        sim.LinkPath() + "\r\n");
    MainWindowServices services;
    services.makePort = [] { return std::make_unique<PosixSerialPort>(); };
    std::unique_ptr<MainWindow> desktop = OpenDesktop(host, std::move(services));
    HistoryLocation location;
    location.file = DefaultHistoryFile();
    desktop->session().History().Start(
        location, 90, [this](const std::string& message) { problems.push_back(message); });
    desktop->show();
    desktop->Connect();
    return desktop;
  }

  std::vector<std::string> problems;
};

TEST_F(UiHistoryPageSim, AParameterChangedBetweenTwoVisitsIsTheOnlyChangeShown) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "1"})) << sim.error();
  {
    const std::unique_ptr<MainWindow> first = Visit(sim);
    ASSERT_TRUE(first->IsOnline(1));
    ASSERT_TRUE(first->session().History().Writer()->Flush(std::chrono::seconds(5)));
  }
  {
    // Another master sets the nominal power from 200 to 321 kW while the tool is away.
    RawMaster other;
    ASSERT_TRUE(other.Open(sim.LinkPath()));
    other.WriteRegisters(1, 0x0004, {1234});
    other.WriteRegisters(1, 0x00C8, {321});
  }
  const std::unique_ptr<MainWindow> second = Visit(sim);
  ASSERT_TRUE(second->IsOnline(1));
  auto* window = dynamic_cast<ParameterWindow*>(second->session().Window(1));
  ASSERT_NE(window, nullptr);
  HistoryPage* page = window->History();
  ASSERT_NE(page, nullptr);
  Child<QTabWidget>(*window, "pcParameter")->setCurrentWidget(page);
  ASSERT_TRUE(QTest::qWaitFor([&] { return page->Readings() > 0; }, 5000));
  EXPECT_FALSE(page->Shown().problem) << *page->Shown().problem;
  EXPECT_LT(page->Shown().readMs, 200.0);

  ASSERT_EQ(page->Shown().changes.size(), 1u);
  const ParameterDifference& change = page->Shown().changes[0];
  EXPECT_EQ(change.key, "GNOMIN_PWR");
  EXPECT_EQ(change.first, "200");
  EXPECT_EQ(change.second, "321");
  QTableWidget* changes = page->Changes();
  ASSERT_NE(changes, nullptr);
  // The group's heading, then the one parameter.
  ASSERT_EQ(changes->rowCount(), 2);
  EXPECT_EQ(changes->item(1, 1)->text(), "200");
  EXPECT_EQ(changes->item(1, 2)->text(), "321");
  EXPECT_EQ(changes->item(1, 4)->text(), "GNOMIN_PWR");

  // Both visits are on the timeline (the second may still be on its way to the file).
  EXPECT_GE(page->Shown().visits.size(), 1u);
  ASSERT_TRUE(second->session().History().Writer()->Flush(std::chrono::seconds(5)));
  page->Reload();
  ASSERT_TRUE(QTest::qWaitFor([&] { return page->Readings() > 1; }, 5000));
  EXPECT_EQ(page->Shown().visits.size(), 2u);
  EXPECT_EQ(page->Timeline()->rowCount(), 2);
  EXPECT_EQ(page->Shown().changes.size(), 1u);
  EXPECT_TRUE(problems.empty());
  Shots(*window, *page, "en");

  // In the other language the page reads again and speaks it.
  const int readings = page->Readings();
  second->SetLanguage("chinese");
  ASSERT_TRUE(QTest::qWaitFor([&] { return page->Readings() > readings; }, 5000));
  auto* pages = Child<QTabWidget>(*window, "pcParameter");
  EXPECT_EQ(pages->tabText(pages->indexOf(page)), "站点历史");
  ASSERT_NE(page->Changes(), nullptr);
  EXPECT_EQ(page->Changes()->horizontalHeaderItem(2)->text(), "控制器当前");
  EXPECT_EQ(page->Changes()->item(1, 4)->text(), "GNOMIN_PWR");
  Shots(*window, *page, "zh");
  window->close();
  QTest::qWait(50);
}

}  // namespace
}  // namespace vorel::test
