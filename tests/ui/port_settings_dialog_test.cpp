#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "ui/port_settings_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiProperties = UiTest;

void TypePort(QDialog& d, const QString& name) {
  auto* combo = d.findChild<QComboBox*>("ccbPort");
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), name);
}

TEST_F(UiProperties, OkStoresThePortAndCancelStoresNothing) {
  WriteVport("[ComPort1]\r\nPort=COM1\r\nBaudRate=19200\r\n");
  MainWindow& main = Main();
  scripts.push_back([](QDialog& d) {
    TypePort(d, "COM3");
    Click(d, "btnCancel");
  });
  Child<QToolButton>(main, "tbComPort")->click();
  EXPECT_EQ(ReadVportBytes(), "[ComPort1]\r\nPort=COM1\r\nBaudRate=19200\r\n");

  scripts.push_back([](QDialog& d) {
    TypePort(d, "COM3");
    Click(d, "btnOK");
  });
  Child<QToolButton>(main, "tbComPort")->click();
  EXPECT_EQ(VportValue("ComPort1", "Port"), "COM3");
  EXPECT_EQ(VportValue("ComPort1", "BaudRate"), "19200");  // loaded, then stored back
  EXPECT_EQ(VportValue("ComPort1", "Parity"), "None");
  EXPECT_EQ(VportValue("Connect", "Modem"), "0");
  EXPECT_FALSE(main.Properties().isVisible());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(UiProperties, ATcpNameIsStoredAndTheLineSettingsAreSaidToBeIgnored) {
  WriteVport("[ComPort1]\r\nPort=COM1\r\nBaudRate=19200\r\n");
  MainWindow& main = Main();
  bool noteBefore = true;
  bool noteAfter = false;
  scripts.push_back([&](QDialog& d) {
    noteBefore = !Child<QLabel>(d, "lbTcpNote")->isHidden();
    TypePort(d, "tcp://192.168.1.20:4001");
    noteAfter = !Child<QLabel>(d, "lbTcpNote")->isHidden();
    Click(d, "btnOK");
  });
  main.ChoosePort();
  EXPECT_FALSE(noteBefore);
  EXPECT_TRUE(noteAfter);
  EXPECT_EQ(VportValue("ComPort1", "Port"), "tcp://192.168.1.20:4001");
  EXPECT_EQ(VportValue("ComPort1", "BaudRate"), "19200");  // kept for a serial port later
  EXPECT_NE(Child<QLabel>(main.Properties(), "lbTcpNote")->text().indexOf("ignored"), -1);
}

TEST_F(UiProperties, ShowsTheMachinesPortsAndTheStoredOne) {
  WriteVport("[ComPort1]\r\nPort=/tmp/ttyLink\r\n");
  portNames = {"/dev/ttyS0", "/dev/ttyUSB0"};
  MainWindow& main = Main();
  QStringList listed;
  QString shown;
  scripts.push_back([&](QDialog& d) {
    auto* combo = d.findChild<QComboBox*>("ccbPort");
    for (int i = 0; i < combo->count(); ++i) listed << combo->itemText(i);
    shown = combo->currentText();
    combo->setCurrentIndex(1);
    Click(d, "btnOK");
  });
  main.ChoosePort();
  EXPECT_EQ(listed, QStringList({"/dev/ttyS0", "/dev/ttyUSB0"}));
  EXPECT_EQ(shown, "/tmp/ttyLink");
  EXPECT_EQ(VportValue("ComPort1", "Port"), "/dev/ttyUSB0");
}

TEST_F(UiProperties, ModemOptionLoadsAndSaves) {
  WriteVport("[Connect]\r\nModem=-1\r\n");
  MainWindow& main = Main();
  bool ticked = false;
  scripts.push_back([&](QDialog& d) {
    auto* modem = Child<QCheckBox>(d, "cbPropertyModem");
    ticked = modem->isChecked();
    QTest::mouseClick(modem, Qt::LeftButton);
    Click(d, "btnOK");
  });
  main.ChoosePort();
  EXPECT_TRUE(ticked);
  EXPECT_EQ(VportValue("Connect", "Modem"), "0");
  EXPECT_FALSE(main.ModemOption());
}

TEST_F(UiProperties, DiscardEchoLoadsAndSaves) {
  WriteVport("[ComPort1]\r\nDiscardEcho=-1\r\n");
  MainWindow& main = Main();
  std::vector<bool> shown;
  for (int round = 0; round < 2; ++round) {
    scripts.push_back([&](QDialog& d) {
      auto* echo = Child<QCheckBox>(d, "cbDiscardEcho");
      EXPECT_EQ(echo->text().toStdString(), "Discard echo");
      shown.push_back(echo->isChecked());
      echo->click();
      Click(d, "btnOK");
    });
    main.ChoosePort();
    EXPECT_EQ(VportValue("ComPort1", "DiscardEcho"), round == 0 ? "0" : "-1");
  }
  EXPECT_EQ(shown, (std::vector<bool>{true, false}));
}

TEST_F(UiProperties, WithoutAConnectSectionTheBoxKeepsItsState) {
  MainWindow& main = Main();
  main.Properties().SetModem(true);
  ASSERT_TRUE(main.LoadCommunicationProperties());
  EXPECT_TRUE(main.ModemOption());
  WriteVport("[Connect]\r\nModem=false\r\n");
  ASSERT_TRUE(main.LoadCommunicationProperties());
  EXPECT_FALSE(main.ModemOption());
}

TEST_F(UiProperties, DialNumberLastsForTheRunOnly) {
  MainWindow& main = Main();
  EXPECT_EQ(main.DialNumber(), kDefaultDialNumber);
  scripts.push_back([](QDialog& d) {
    QTest::keyClicks(Child<QLineEdit>(d, "edTelNum"), "5551234");
    Click(d, "btnOK");
  });
  main.ChoosePort();
  EXPECT_EQ(main.DialNumber(), std::string(kDefaultDialNumber) + "5551234");
  EXPECT_EQ(ReadVportBytes().find("5551234"), std::string::npos);
}

TEST_F(UiProperties, TextsFollowTheLanguage) {
  for (const char* language : {"english", "chinese"}) {
    WriteVport(std::string("[System]\r\nLanguage=") + language + "\r\n");
    bool english = std::string(language) == "english";
    ScriptedHost host;
    MainWindow main(host, {});
    main.Properties().show();
    EXPECT_EQ(main.Properties().windowTitle(), english ? "Properties" : "属性");
    EXPECT_EQ(Child<QLabel>(main.Properties(), "lbPropertyComPort")->text(),
              english ? "Com Port" : "通讯端口");
    EXPECT_EQ(Child<QCheckBox>(main.Properties(), "cbPropertyModem")->text(),
              english ? "Connect by modem" : "调制解调器");
    EXPECT_EQ(Child<QLabel>(main.Properties(), "lbPropertyDial")->text(),
              english ? "Dial number" : "拨号");
    main.Properties().hide();
  }
}

}  // namespace
}  // namespace vorel::test
