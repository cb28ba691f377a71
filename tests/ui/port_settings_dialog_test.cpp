#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "ui/port_settings_dialog.h"
#include "ui/scan_line_window.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

class UiProperties : public UiTest {
 protected:
  // A main window of its own, for cases that must not share the settings one has loaded.
  std::unique_ptr<MainWindow> Fresh() {
    MainWindowServices services;
    services.portNames = [this] { return portNames; };
    services.pump = pump;
    services.runModal = [this](QDialog& dialog) {
      EXPECT_FALSE(scripts.empty()) << "a dialog was shown without a script";
      if (scripts.empty()) return static_cast<int>(QDialog::Rejected);
      DialogScript script = std::move(scripts.front());
      scripts.pop_front();
      dialog.setResult(QDialog::Rejected);
      dialog.show();
      script(dialog);
      dialog.hide();
      return dialog.result();
    };
    return std::make_unique<MainWindow>(host, services);
  }
};

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

// A settings file from before the box existed leaves it unticked; the box is saved as it is left.
TEST_F(UiProperties, FastRepliesLoadsAndSaves) {
  WriteVport("[ComPort1]\r\nBaudRate=9600\r\n");
  MainWindow& main = Main();
  std::vector<bool> shown;
  for (int round = 0; round < 2; ++round) {
    scripts.push_back([&](QDialog& d) {
      auto* fast = Child<QCheckBox>(d, "cbFastReplies");
      EXPECT_EQ(fast->text().toStdString(), "Complete replies at their last byte");
      shown.push_back(fast->isChecked());
      fast->click();
      Click(d, "btnOK");
    });
    main.ChoosePort();
    EXPECT_EQ(VportValue("ComPort1", "FastReplies"), round == 0 ? "-1" : "0");
  }
  EXPECT_EQ(shown, (std::vector<bool>{false, true}));
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

QStringList Items(QDialog& d, const char* name) {
  QStringList items;
  auto* box = Child<QComboBox>(d, name);
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

void Choose(QDialog& d, const char* name, const QString& text) {
  auto* box = Child<QComboBox>(d, name);
  if (box->isEditable()) {
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
    return;
  }
  const int i = box->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  box->setCurrentIndex(i);
}

// What the dialog shows of the stored line settings, and what a choice stores.
TEST_F(UiProperties, LineSettingsShowWhatIsStoredAndStoreWhatIsChosen) {
  struct Case {
    const char* stored;    // the ComPort1 keys before
    const char* shown[5];  // baud, data bits, parity, stop bits, flow control
    const char* chosen[5];
    const char* saved[5];  // BaudRate, DataBits, Parity, StopBits, FlowControl
  } cases[] = {
      {"",
       {"9600", "8", "None", "1", "None"},
       {"19200", "7", "Even", "2", "Hardware (RTS/CTS)"},
       {"19200", "7", "Even", "2", "Hardware"}},
      {"BaudRate=Custom\r\nCustomBaudRate=250000\r\nParity=odd\r\nStopBits=1.5\r\n"
       "DataBits=5\r\nFlowControl=Custom\r\n",
       {"250000", "5", "Odd", "1.5", "Custom (as the port is set)"},
       {"1200", "6", "Space", "1", "Software (XON/XOFF)"},
       {"1200", "6", "Space", "1", "Software"}},
      // A speed outside the list is stored as Custom; Custom flow control stays when kept.
      {"FlowControl=Custom\r\n",
       {"9600", "8", "None", "1", "Custom (as the port is set)"},
       {"31250", "8", "Mark", "1", "Custom (as the port is set)"},
       {"Custom", "8", "Mark", "1", "Custom"}},
  };
  const char* boxes[] = {"cbBaudRate", "cbDataBits", "cbParity", "cbStopBits", "cbFlowControl"};
  const char* keys[] = {"BaudRate", "DataBits", "Parity", "StopBits", "FlowControl"};
  for (const Case& c : cases) {
    SetLanguageSetting("english");
    WriteVport(std::string("[System]\r\nLanguage=english\r\n[ComPort1]\r\n") + c.stored);
    std::unique_ptr<MainWindow> fresh = Fresh();
    MainWindow& main = *fresh;
    scripts.push_back([&](QDialog& d) {
      for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Child<QComboBox>(d, boxes[i])->currentText(), c.shown[i]) << boxes[i];
        Choose(d, boxes[i], c.chosen[i]);
      }
      Click(d, "btnOK");
    });
    main.ChoosePort();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(VportValue("ComPort1", keys[i]), c.saved[i]) << keys[i];
    if (std::string(c.saved[0]) == "Custom") {
      EXPECT_EQ(VportValue("ComPort1", "CustomBaudRate"), "31250");
    }
  }
}

TEST_F(UiProperties, ListsOfferTheStoredValuesAndCustomFlowOnlyWhenPresent) {
  SetLanguageSetting("english");
  WriteVport("[System]\r\nLanguage=english\r\n");
  MainWindow& main = Main();
  scripts.push_back([](QDialog& d) {
    EXPECT_EQ(Items(d, "cbBaudRate"),
              QStringList({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                           "38400", "56000", "57600", "115200", "128000", "256000"}));
    EXPECT_EQ(Items(d, "cbDataBits"), QStringList({"5", "6", "7", "8"}));
    EXPECT_EQ(Items(d, "cbParity"), QStringList({"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(Items(d, "cbStopBits"), QStringList({"1", "1.5", "2"}));
    EXPECT_EQ(Items(d, "cbFlowControl"),
              QStringList({"None", "Hardware (RTS/CTS)", "Software (XON/XOFF)"}));
    // A speed that is not a number is refused by the field; the last good one is kept.
    Choose(d, "cbBaudRate", "fast");
    Click(d, "btnOK");
  });
  main.ChoosePort();
  EXPECT_EQ(VportValue("ComPort1", "BaudRate"), "9600");
}

TEST_F(UiProperties, WithoutAStoredPortTheFirstUsbAdapterIsOffered) {
  struct Case {
    std::vector<std::string> ports;
    const char* stored;
    const char* offered;
  } cases[] = {
      {{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB1"}, "", "/dev/ttyACM0"},
      {{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}, "", "/dev/ttyUSB0"},
      {{"/dev/ttyS0", "/dev/ttyS1"}, "", "/dev/ttyS0"},
      {{}, "", "COM1"},
      {{"/dev/ttyUSB0"}, "[ComPort1]\r\nPort=/tmp/link\r\n", "/tmp/link"},  // a choice stays
  };
  for (const Case& c : cases) {
    WriteVport(c.stored);
    portNames = c.ports;
    std::unique_ptr<MainWindow> fresh = Fresh();
    MainWindow& main = *fresh;
    QString shown;
    scripts.push_back([&](QDialog& d) {
      shown = Child<QComboBox>(d, "ccbPort")->currentText();
      Click(d, "btnCancel");
    });
    main.ChoosePort();
    EXPECT_EQ(shown, c.offered);
  }
}

TEST_F(UiProperties, DetectScansAtEverySpeedAndFillsInSpeedAndAddresses) {
  SetLanguageSetting("english");
  WriteVport("[System]\r\nLanguage=english\r\n[ComPort1]\r\nPort=/dev/ttyX\r\n");
  MainWindow& main = Main();
  scripts.push_back([&](QDialog& d) {
    TypePort(d, "/dev/ttyY");
    Click(d, "btnDetect");
    EXPECT_EQ(Child<QComboBox>(d, "cbBaudRate")->currentText(), "38400");
    Click(d, "btnOK");
  });
  scripts.push_back([&](QDialog& scan) {
    EXPECT_EQ(&scan, &main.ScanLine());
    EXPECT_TRUE(Child<QCheckBox>(scan, "cbScanEverySpeed")->isChecked());
    std::array<bool, kSiteCount> sites{};
    sites[2] = sites[9] = true;
    main.ScanLine().onUseAddresses(sites, 38400);
  });
  main.ChoosePort();
  EXPECT_EQ(VportValue("ComPort1", "Port"), "/dev/ttyY");
  EXPECT_EQ(VportValue("ComPort1", "BaudRate"), "38400");
  EXPECT_EQ(VportValue("Device", "ControlerAddr3"), "-1");
  EXPECT_EQ(VportValue("Device", "ControlerAddr10"), "-1");
  EXPECT_EQ(VportValue("Device", "ControlerAddr1"), "0");
  EXPECT_TRUE(main.SiteSelected(10));
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
    EXPECT_EQ(Child<QPushButton>(main.Properties(), "btnOK")->text(), english ? "OK" : "确定");
    EXPECT_EQ(Child<QPushButton>(main.Properties(), "btnCancel")->text(),
              english ? "Cancel" : "取消");
    EXPECT_EQ(Child<QPushButton>(main.Properties(), "btnDetect")->text(),
              english ? "Detect..." : "检测...");
    EXPECT_EQ(Child<QComboBox>(main.Properties(), "cbParity")->itemText(2),
              english ? "Even" : "偶");
    main.Properties().hide();
  }
}

}  // namespace
}  // namespace vorel::test
