// The Scan line window on the in-memory port and fake time: what it finds, Stop, and the
// main window's Tools menu handing the addresses to the site address list.
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "link/fake_serial_port.h"
#include "link/modbus_frame.h"
#include "ui/scan_line_window.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

// The identification reply of the addressed site: product code 3105 at site 2, else 3101.
FakeSerialPort::Reply IdentifyReply(std::span<const std::uint8_t> frame) {
  const int site = frame[0];
  std::vector<std::uint8_t> reply{frame[0], 0x03, 58};
  for (int word = 0; word < 29; ++word) {
    const int value = word == 2 ? (site == 2 ? 3105 : 3101) : 0;
    reply.push_back(static_cast<std::uint8_t>(value >> 8));
    reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
  }
  const std::uint16_t crc = Crc16Modbus(reply);
  reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  reply.push_back(static_cast<std::uint8_t>(crc >> 8));
  return {{20, reply}};
}

// Sites 2 (3105) and 5 (3101) answer the identification read; the others stay silent.
FakeSerialPort::Reply Identify(std::span<const std::uint8_t> frame) {
  const int site = frame[0];
  if (site != 2 && site != 5) return {};
  return IdentifyReply(frame);
}

class ScanWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLanguageSetting("english"); }
  void TearDown() override { SetLanguageSetting("chinese"); }

  ScanLineWindow::PortFactory Factory() {
    return [this]() -> std::unique_ptr<SerialPort> {
      auto port = std::make_unique<FakeSerialPort>(pump);
      port->responder = Identify;
      ++portsMade;
      return port;
    };
  }

  FakeEventPump pump;
  ScriptedHost host;
  int portsMade = 0;
};

TEST_F(ScanWindowTest, ListsTheSitesThatAnswerAndHandsThemOver) {
  ScanLineWindow window(host, pump, Factory());
  PortSettings settings;
  settings.baud = 19200;
  window.SetPortSettings(settings);
  window.show();
  std::array<bool, kSiteCount> used{};
  int usedBaud = 0;
  window.onUseAddresses = [&](const std::array<bool, kSiteCount>& sites, int baud) {
    used = sites;
    usedBaud = baud;
  };
  EXPECT_FALSE(Child<QPushButton>(window, "btnScanUse")->isEnabled());

  QTest::mouseClick(Child<QPushButton>(window, "btnScanStart"), Qt::LeftButton);
  EXPECT_FALSE(window.Running());
  ASSERT_EQ(window.Found().size(), 2u);
  EXPECT_EQ(window.Found()[0].site, 2);
  EXPECT_EQ(window.Found()[0].productCode, 3105);
  EXPECT_EQ(window.Found()[1].site, 5);
  EXPECT_EQ(window.Found()[1].baud, 19200);
  auto* grid = Child<QTableWidget>(window, "sgScanResult");
  ASSERT_EQ(grid->rowCount(), 2);
  EXPECT_EQ(grid->item(1, 0)->text(), "19200");
  EXPECT_EQ(grid->item(1, 1)->text(), "5");
  EXPECT_EQ(grid->item(1, 2)->text(), "3101");
  EXPECT_EQ(Child<QProgressBar>(window, "pbScan")->value(), 100);
  EXPECT_TRUE(host.messages.empty());

  QTest::mouseClick(Child<QPushButton>(window, "btnScanUse"), Qt::LeftButton);
  for (int site = 1; site <= kSiteCount; ++site) {
    EXPECT_EQ(used[static_cast<std::size_t>(site - 1)], site == 2 || site == 5) << site;
  }
  EXPECT_EQ(usedBaud, 19200);
  EXPECT_TRUE(host.messages.empty());
}

// Site 2 answers at 9600 only, sites 5 and 7 at 19200 only: the line can run at one speed, so
// the two at 19200 are taken, with that speed, and the user is told why site 2 is left out.
TEST_F(ScanWindowTest, MixedSpeedsTakeTheSpeedMostAnswerAt) {
  FakeSerialPort* port = nullptr;
  ScanLineWindow window(host, pump, [&]() -> std::unique_ptr<SerialPort> {
    auto made = std::make_unique<FakeSerialPort>(pump);
    port = made.get();
    made->responder = [&port](std::span<const std::uint8_t> frame) -> FakeSerialPort::Reply {
      const int baud = port->openedWith ? port->openedWith->baud : 0;
      const int site = frame[0];
      if ((site == 2 && baud == 9600) || ((site == 5 || site == 7) && baud == 19200))
        return IdentifyReply(frame);
      return {};
    };
    return made;
  });
  window.show();
  Child<QCheckBox>(window, "cbScanEverySpeed")->setChecked(true);
  QTest::mouseClick(Child<QPushButton>(window, "btnScanStart"), Qt::LeftButton);
  ASSERT_EQ(window.Found().size(), 3u);
  EXPECT_EQ(window.FoundSpeed(), 19200);

  std::array<bool, kSiteCount> used{};
  int usedBaud = 0;
  window.onUseAddresses = [&](const std::array<bool, kSiteCount>& sites, int baud) {
    used = sites;
    usedBaud = baud;
  };
  QTest::mouseClick(Child<QPushButton>(window, "btnScanUse"), Qt::LeftButton);
  EXPECT_EQ(usedBaud, 19200);
  for (int site = 1; site <= kSiteCount; ++site)
    EXPECT_EQ(used[static_cast<std::size_t>(site - 1)], site == 5 || site == 7) << site;
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "Controllers answered at more than one speed, and the line runs at one. Taking the 2 "
            "found at 19200 baud.");
}

TEST_F(ScanWindowTest, EverySpeedAndStop) {
  ScanLineWindow window(host, pump, Factory());
  window.show();
  Child<QCheckBox>(window, "cbScanEverySpeed")->setChecked(true);
  // Stop is pressed while the first speed is being scanned, past site 2.
  int timer = 0;
  timer = pump.StartTimer(1000, [&] {
    pump.StopTimer(timer);
    EXPECT_TRUE(Child<QPushButton>(window, "btnScanStop")->isEnabled());
    QTest::mouseClick(Child<QPushButton>(window, "btnScanStop"), Qt::LeftButton);
  });
  QTest::mouseClick(Child<QPushButton>(window, "btnScanStart"), Qt::LeftButton);
  EXPECT_FALSE(window.Running());
  ASSERT_EQ(window.Found().size(), 2u);  // sites 2 and 5 at 9600, then stopped
  EXPECT_EQ(window.Found()[0].baud, 9600);
  EXPECT_LT(Child<QProgressBar>(window, "pbScan")->value(), 100 / 7 + 1);
  EXPECT_TRUE(Child<QPushButton>(window, "btnScanStart")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(window, "btnScanStop")->isEnabled());
  EXPECT_TRUE(host.messages.empty());
}

using UiScanLine = UiTest;

TEST_F(UiScanLine, ToolsMenuOpensTheScanAndTakesItsAddresses) {
  SetLanguageSetting("english");
  WriteVport("[ComPort1]\r\nPort=/dev/ttyX\r\nBaudRate=38400\r\n");
  MainWindow& main = Main();
  main.Relabel();
  EXPECT_EQ(Child<QMenu>(main, "mTools")->title(), "Tools(&L)");
  QAction* scan = Child<QAction>(main, "mToolsScanLine");
  EXPECT_EQ(scan->text(), "Scan line...");
  main.SetConfigurationMenuEnabled(false);
  EXPECT_FALSE(scan->isEnabled());
  main.SetConfigurationMenuEnabled(true);

  scripts.push_back([&](QDialog& dialog) {
    EXPECT_EQ(&dialog, &main.ScanLine());
    std::array<bool, kSiteCount> sites{};
    sites[6] = true;
    main.ScanLine().onUseAddresses(sites, 19200);
  });
  scan->trigger();
  EXPECT_TRUE(main.SiteSelected(7));
  EXPECT_FALSE(main.SiteSelected(1));
  EXPECT_EQ(VportValue("Device", "ControlerAddr7"), "-1");
  EXPECT_EQ(VportValue("Device", "ControlerAddr1"), "0");
  // The sites answered at 19200: the port follows.
  EXPECT_EQ(main.CurrentPortSettings().baud, 19200);
  EXPECT_EQ(VportValue("ComPort1", "BaudRate"), "19200");
  EXPECT_EQ(VportValue("ComPort1", "Port"), "/dev/ttyX");
}

}  // namespace
}  // namespace vorel::test
