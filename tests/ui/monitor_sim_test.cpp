// The monitor page of a window connected to vorel-sim: its buttons command the simulated set
// and the page follows it through the polling.
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "support/sim_process.h"
#include "ui/monitor_page.h"
#include "ui/parameter_window.h"
#include "ui/setpoint_grid.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiMonitorSim = UiTest;

TEST_F(UiMonitorSim, StartRunsTheSetUpAndThePageFollows) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4", "--time-scale", "50"})) << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  MainWindow& main = *desktop;
  ASSERT_TRUE(main.IsOnline(4));
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(window, nullptr);
  MonitorPage& page = *window->Monitor();
  // The page follows the set while the user looks at it.
  Child<QTabWidget>(*window, "pcParameter")
      ->setCurrentWidget(Child<QWidget>(*window, "tsStatusDisplay"));
  auto* genSet = Child<QLabel>(*window, "lbGenSetStatus");
  QTest::qWait(700);
  EXPECT_EQ(genSet->text(), "Gen-Set Empty");
  EXPECT_TRUE(page.ModeButton(OperatingMode::Off)->isChecked());

  // START refused at the question sends nothing.
  host.answers = {Answer::No};
  page.CommandButton(RemoteCommand::Start)->click();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text, "Start the engine of site 4?");
  QTest::qWait(700);
  EXPECT_EQ(genSet->text(), "Gen-Set Empty");

  page.CommandButton(RemoteCommand::Manual)->click();
  host.answers = {Answer::Yes};
  page.CommandButton(RemoteCommand::Start)->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return genSet->text() == "Gen-Set Loaded"; }, 20000))
      << genSet->text().toStdString();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Manual)->isChecked());
  EXPECT_EQ(Child<QLabel>(*window, "lbLoad1Status")->text(), "ATS GCB close");
  EXPECT_NE(page.EngineGrid()->CellText(1, 2), "0");
  EXPECT_EQ(page.ButtonBackground(RemoteCommand::Start), QColor(0, 255, 0));

  // STOP on load asks too, with No the default; Yes stops the set.
  host.answers = {Answer::Yes};
  page.CommandButton(RemoteCommand::Stop)->click();
  ASSERT_EQ(host.questions.size(), 3u);
  EXPECT_EQ(host.questions[2].text, "Site 4 is on load. Stop it?");
  EXPECT_TRUE(host.questions[2].defaultNo);
  EXPECT_TRUE(QTest::qWaitFor([&] { return genSet->text() == "Gen-Set Ready"; }, 20000))
      << genSet->text().toStdString();
  EXPECT_TRUE(host.messages.empty());
  window->close();
  QTest::qWait(50);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
