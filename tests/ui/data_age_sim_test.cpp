// A window connected to vorel-sim whose site stops answering a poll: the monitor page and the
// status bar say since when nothing came and grey the values, the trend records nothing new,
// and the stopped site is polled again within 10 s of answering.
#include <QLabel>
#include <QTabWidget>
#include <QTableWidgetItem>

#include "control/session.h"
#include "support/sim_process.h"
#include "ui/monitor_page.h"
#include "ui/parameter_window.h"
#include "ui/setpoint_grid.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiDataAgeSim = UiTest;

constexpr int kSite = 4;

TEST_F(UiDataAgeSim, AFailedPollGreysThePageAndPollingComesBackWithinTenSeconds) {
  SimProcess sim(VOREL_SIM_PATH);
  // The identification's read of the live values and five polls are answered, the sixth poll
  // is not, every later one is.
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4", "--fault-noreply", "1", "--fault-register",
                         "0x804F", "--fault-after", "6", "--fault-count", "1"}))
      << sim.error();
  host.defaultAnswer = Answer::Cancel;  // the Retry/Cancel box: stop polling the site
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {kSite});
  MainWindow& main = *desktop;
  ASSERT_TRUE(main.IsOnline(kSite));
  Session& session = main.session();
  auto* window = dynamic_cast<ParameterWindow*>(session.Window(kSite));
  ASSERT_NE(window, nullptr);
  MonitorPage& page = *window->Monitor();
  Child<QTabWidget>(*window, "pcParameter")
      ->setCurrentWidget(Child<QWidget>(*window, "tsStatusDisplay"));
  QLabel* age = page.DataAgeLabel();
  QTableWidgetItem* speed = nullptr;
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return (speed = page.EngineGrid()->item(1, 2)) != nullptr; }, 3000));
  EXPECT_FALSE(age->isVisible());
  EXPECT_FALSE(window->DataAgeLabel()->isVisible());
  const QBrush live = speed->foreground();

  // The sixth poll times out: the box, state 299, and the page says since when.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !host.questions.empty(); }, 10000));
  const std::int64_t lastReply = session.Poll().DataAge().SinceWallMs(kSite);
  ASSERT_TRUE(QTest::qWaitFor([&] { return age->isVisible(); }, 1000));
  const std::string since = NoReplySinceText(lastReply);
  EXPECT_EQ(age->text().toStdString(), since);
  EXPECT_TRUE(window->DataAgeLabel()->isVisible());
  EXPECT_EQ(window->DataAgeLabel()->text().toStdString(), since);
  EXPECT_TRUE(page.ValuesStale());
  EXPECT_EQ(speed->foreground().color(), page.palette().color(QPalette::Disabled, QPalette::Text));
  EXPECT_EQ(session.Link().CommState(kSite), kCommNoResult);

  // Nothing new is sampled while the site is stopped; the failure left one gap.
  const TrendBuffer* trend = session.Trends().Buffer(kSite);
  ASSERT_NE(trend, nullptr);
  const std::size_t samples = trend->Size();
  ASSERT_GE(samples, 2u);
  EXPECT_TRUE(trend->At(samples - 1).gap);
  EXPECT_EQ(trend->At(samples - 2).timeMs, lastReply);
  QTest::qWait(3000);
  EXPECT_EQ(trend->Size(), samples);
  EXPECT_EQ(age->text().toStdString(), since);

  // The simulator answers again since its one fault: the probe brings the site back within
  // 10 s (and a sweep), the page is live again and the trend goes on.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return session.Link().CommState(kSite) == kCommDone && !age->isVisible(); }, 9000));
  EXPECT_FALSE(page.ValuesStale());
  EXPECT_FALSE(window->DataAgeLabel()->isVisible());
  EXPECT_EQ(speed->foreground(), live);
  EXPECT_TRUE(QTest::qWaitFor([&] { return trend->Size() > samples + 1; }, 2000));
  EXPECT_FALSE(trend->At(trend->Size() - 1).gap);
  EXPECT_EQ(host.questions.size(), 1u) << "the probe shows no box";
  window->close();
  QTest::qWait(50);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
