// The main window connected to vorel-sim: Connect opens a window for the answering site and
// polling keeps its clock and protection state fresh.
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>

#include "support/sim_process.h"
#include "ui/monitor_page.h"
#include "ui/parameter_window.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiConnectSim = UiTest;

TEST_F(UiConnectSim, ConnectOpensTheSiteWindowAndPolls) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4"})) << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {2, 4});
  MainWindow& main = *desktop;
  ASSERT_TRUE(main.IsOnline(4));
  EXPECT_FALSE(main.IsOnline(2));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isEnabled());
  // The set-up replaces the caption given at connection until a Read sets it again.
  EXPECT_EQ(window->windowTitle(), "Configuration/Monitor");
  EXPECT_EQ(window->StatusPanel(2), "3101");
  EXPECT_TRUE(main.isEnabled());
  EXPECT_FALSE(main.PowerUpLogShown());
  EXPECT_EQ(main.StatusText(0), "Connected.");
  QTest::qWait(1200);
  EXPECT_EQ(Child<QLabel>(*window, "stbParameterPanel1")->text(), "locked");
  EXPECT_FALSE(window->Monitor()->TimeLabel()->text().isEmpty());
  EXPECT_TRUE(host.questions.empty());

  // Closing the only window disconnects and clears the power-up log.
  window->close();
  QTest::qWait(50);
  EXPECT_FALSE(main.PortOpen());
  EXPECT_EQ(main.Slots().WindowState(4), kWindowNone);
  EXPECT_TRUE(main.PowerUpLog()->toPlainText().isEmpty());
  EXPECT_EQ(main.StatusText(0), "disconnected.");
  sim.Stop();
}

// The engineer's day through the real window: unlock with the password, change a setpoint,
// write, and find the value in the controller afterwards.
TEST_F(UiConnectSim, UnlockAndWriteThroughTheParameterWindow) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4"})) << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  MainWindow& main = *desktop;
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(window, nullptr);

  // Locked: the write is refused and nothing is sent.
  window->Model().Find("seNominPower")->number = 250;
  Child<QPushButton>(*window, "btnWrite")->click();
  ASSERT_EQ(host.messages.size(), 1u);

  window->Model().Find("medPSWUnlock")->text = "1234";
  window->UnlockButton()->click();
  QTest::qWait(1200);
  EXPECT_EQ(window->StatusPanel(1), "unlocked");
  EXPECT_TRUE(window->UnlockButton()->isChecked());

  window->SetModalRunner([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
  window->Model().Find("seNominPower")->number = 250;
  Child<QPushButton>(*window, "btnWrite")->click();
  EXPECT_EQ(host.messages.size(), 1u) << host.messages.back();
  ASSERT_FALSE(host.questions.empty());
  EXPECT_EQ(host.questions.back().text, "Modify sensor chart?");
  EXPECT_EQ(window->Model().Find("seNominPower")->number, 250);

  window->close();
  QTest::qWait(50);
  ASSERT_FALSE(main.PortOpen());
  QProcess cli;
  cli.start(VOREL_CLI_PATH,
            {"--port", QString::fromStdString(sim.LinkPath()), "read", "4", "0x00C8", "1"});
  ASSERT_TRUE(cli.waitForFinished(10000));
  EXPECT_EQ(cli.readAllStandardOutput().trimmed().toStdString(), "250");
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
