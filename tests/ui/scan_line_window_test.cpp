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

// Sites 2 (3105) and 5 (3101) answer the identification read; the others stay silent.
FakeSerialPort::Reply Identify(std::span<const std::uint8_t> frame) {
  const int site = frame[0];
  if (site != 2 && site != 5) return {};
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
  window.onUseAddresses = [&](const std::array<bool, kSiteCount>& sites) { used = sites; };
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
    main.ScanLine().onUseAddresses(sites);
  });
  scan->trigger();
  EXPECT_TRUE(main.SiteSelected(7));
  EXPECT_FALSE(main.SiteSelected(1));
  EXPECT_EQ(VportValue("Device", "ControlerAddr7"), "-1");
  EXPECT_EQ(VportValue("Device", "ControlerAddr1"), "0");
  EXPECT_EQ(main.CurrentPortSettings().baud, 38400);
}

}  // namespace
}  // namespace vorel::test
