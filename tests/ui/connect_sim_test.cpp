// The main window connected to vorel-sim: Connect opens a window for the answering site and
// polling keeps its clock and protection state fresh.
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>

#include "link/posix_serial_port.h"
#include "support/sim_process.h"
#include "ui/site_placeholder_window.h"
#include "ui_fixture.h"

#ifdef VOREL_SIM_PATH

namespace vorel::test {
namespace {

using UiConnectSim = UiTest;

TEST_F(UiConnectSim, ConnectOpensTheSiteWindowAndPolls) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4"})) << sim.error();
  WriteVport(
      "[System]\r\nLanguage=english\r\n[Device]\r\nControlerAddr2=-1\r\nControlerAddr4=-1\r\n"
      "[ComPort1]\r\nPort=" +
      sim.LinkPath() + "\r\n");
  MainWindowServices services;
  services.makePort = [] { return std::make_unique<PosixSerialPort>(); };
  services.delayWithEvents = [](int) {};
  services.makeWindow = [](int site, SiteCommands& commands) {
    return std::make_unique<SitePlaceholderWindow>(site, commands);
  };
  TfmMain main(host, services);
  main.show();
  main.Connect();
  ASSERT_TRUE(main.IsOnline(4));
  EXPECT_FALSE(main.IsOnline(2));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  auto* window = dynamic_cast<SitePlaceholderWindow*>(main.Link().Window(4));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->windowTitle(), "3101 address 4");
  EXPECT_TRUE(main.isEnabled());
  EXPECT_FALSE(main.PowerUpLogShown());
  EXPECT_EQ(main.StatusText(0), "Connected.");
  QTest::qWait(1200);
  EXPECT_EQ(Child<QLabel>(*window, "stbParameter1")->text(), "locked");
  EXPECT_FALSE(Child<QLabel>(*window, "lbTime")->text().isEmpty());
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

}  // namespace
}  // namespace vorel::test

#endif
