#include <QAction>
#include <QToolButton>

#include "ui/site_list_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiConnect = UiTest;

bool Enabled(QObject& main, const char* name) {
  if (auto* b = main.findChild<QToolButton*>(name)) return b->isEnabled();
  return main.findChild<QAction*>(name)->isEnabled();
}

TEST_F(UiConnect, NoSelectedSiteIsRefusedInTheLanguage) {
  for (const char* language : {"english", "chinese"}) {
    WriteVport(std::string("[System]\r\nLanguage=") + language +
               "\r\n[Device]\r\n"
               "ControlerAddr1=0\r\n");
    ScriptedHost host;
    bool made = false;
    MainWindowServices services;
    services.makePort = [&]() -> std::unique_ptr<SerialPort> {
      made = true;
      return nullptr;
    };
    MainWindow main(host, services);
    main.Connect();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              std::string(language) == "english" ? "Please select address!" : "请选择地址!");
    EXPECT_FALSE(made);
    EXPECT_TRUE(Enabled(main, "tbComPort"));
  }
}

// A fresh settings folder: the first Connect tries address 1, says so once and keeps that
// choice; the next Connect goes straight to the port.
TEST_F(UiConnect, FirstConnectOnAFreshInstallTriesAddressOne) {
  TestMain& main = Main();
  main.Connect();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "No address has been chosen yet: connecting to address 1, where a controller leaves "
            "the factory. Other addresses are chosen under Configurations > Address.");
  EXPECT_EQ(main.tried, std::vector<int>{1});
  ASSERT_TRUE(port);
  EXPECT_TRUE(port->opened);
  EXPECT_EQ(VportValue("Device", "ControlerAddr1"), "-1");
  EXPECT_EQ(VportValue("Device", "ControlerAddr2"), "0");
  EXPECT_TRUE(main.findChild<SiteListDialog*>()->Selections()[0]);

  host.messages.clear();
  main.Connect();
  EXPECT_TRUE(host.messages.empty()) << host.messages[0];
  EXPECT_EQ(main.tried, (std::vector<int>{1, 1}));
}

TEST_F(UiConnect, PortThatWillNotOpenShowsThePortError) {
  for (const char* language : {"english", "chinese"}) {
    WriteVport(std::string("[System]\r\nLanguage=") + language +
               "\r\n[Device]\r\nControlerAddr2=1\r\n[ComPort1]\r\nPort=/dev/nothing\r\n");
    ScriptedHost host;
    auto record = std::make_shared<RecordingPort::Record>();
    MainWindowServices services;
    services.makePort = [&] { return std::make_unique<RecordingPort>(record, false); };
    MainWindow main(host, services);
    main.Connect();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], std::string(language) == "english"
                                    ? "Com port openning error！Please select right port."
                                    : "通讯端口打开错误！请选择正确的通讯端口。");
    EXPECT_EQ(record->settings.name, "/dev/nothing");
    EXPECT_FALSE(main.PortOpen());
    EXPECT_TRUE(Enabled(main, "tbComPort"));
    EXPECT_TRUE(Enabled(main, "tbSiteAddr"));
  }
}

// Settings that cannot be loaded at Connect are reported as the port error, not taken for a
// missing file (which would say that no site is selected).
TEST_F(UiConnect, UnreadableSettingsAtConnectShowThePortError) {
  for (bool loop : {false, true}) {
    std::filesystem::create_directories(Vport().parent_path());
    std::error_code ec;
    std::filesystem::remove_all(Vport(), ec);
    if (loop) {
      std::filesystem::create_symlink(Vport(), Vport());
    } else {
      std::filesystem::create_directory(Vport());
    }
    ScriptedHost host;
    bool made = false;
    MainWindowServices services;
    services.makePort = [&]() -> std::unique_ptr<SerialPort> {
      made = true;
      return nullptr;
    };
    MainWindow main(host, services);
    ASSERT_EQ(host.messages.size(), 1u) << "the language cannot be read at start";
    EXPECT_NE(host.messages[0].find(Vport().string()), std::string::npos);
    main.Connect();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1], "Com port openning error！Please select right port.");
    EXPECT_FALSE(made);
    EXPECT_TRUE(Enabled(main, "tbComPort"));
  }
}

TEST_F(UiConnect, FirstConnectWithoutSettingsUsesTheDefaults) {
  MainWindow& main = Main();
  main.SiteAddr().CheckBox(1)->setChecked(true);  // no file: the box's state is kept
  main.Connect();
  ASSERT_TRUE(port);
  EXPECT_EQ(port->settings.name, "COM1");
  EXPECT_EQ(port->settings.baud, 9600);
  EXPECT_EQ(port->settings.dataBits, 8);
  EXPECT_EQ(port->settings.parity, Parity::None);
  EXPECT_EQ(port->settings.stopBits, StopBits::One);
  EXPECT_EQ(port->settings.flowControl, FlowControl::None);
}

TEST_F(UiConnect, NoSiteAnswersEndsInDisconnect) {
  WriteVport(
      "[System]\r\nLanguage=english\r\n[Device]\r\nControlerAddr3=-1\r\n"
      "ControlerAddr7=true\r\n");
  TestMain& main = Main();
  std::vector<std::string> statusWhileTrying;
  main.identify = [&](int) {
    statusWhileTrying.push_back(main.StatusText(0));
    EXPECT_FALSE(main.isEnabled());
    EXPECT_FALSE(Enabled(main, "mConfigurationPort"));
    EXPECT_FALSE(Enabled(main, "tbSiteAddr"));
    return false;
  };
  main.Connect();
  EXPECT_EQ(main.tried, (std::vector<int>{3, 7}));
  EXPECT_EQ(statusWhileTrying, (std::vector<std::string>{"connecting...", "Adress3Connect fail!"}));
  EXPECT_EQ(pump->NowMs(), 1500u);  // 500 ms after each failed site and after "connect fail!"
  EXPECT_TRUE(port->closed);
  EXPECT_FALSE(main.PortOpen());
  EXPECT_EQ(main.StatusText(0), "disconnected.");
  EXPECT_TRUE(main.isEnabled());
  for (const char* name :
       {"tbSiteAddr", "tbComPort", "mConfigurationPort", "mConfigurationAddress"})
    EXPECT_TRUE(Enabled(main, name)) << name;
}

TEST_F(UiConnect, ConnectedSitesKeepThePortAndLockTheConfiguration) {
  WriteVport("[Device]\r\nControlerAddr1=-1\r\nControlerAddr2=-1\r\n");
  TestMain& main = Main();
  main.identify = [](int site) { return site == 1; };
  main.Connect();
  EXPECT_TRUE(main.PortOpen());
  EXPECT_EQ(main.StatusText(0), "Adress2Connect fail!");  // no Language key: English
  for (const char* name :
       {"tbSiteAddr", "tbComPort", "mConfigurationPort", "mConfigurationAddress"})
    EXPECT_FALSE(Enabled(main, name)) << name;
  EXPECT_TRUE(main.isEnabled());

  // Connect again: the port stays, only the site without a window is tried.
  auto first = port;
  main.tried.clear();
  main.Connect();
  EXPECT_EQ(port, first);
  EXPECT_EQ(main.tried, std::vector<int>{2});

  // Exit, confirmed, disconnects, then closes.
  host.answers.push_back(Answer::Yes);
  Child<QAction>(main, "mOpenExit")->trigger();
  EXPECT_TRUE(port->closed);
  EXPECT_FALSE(main.isVisible());
  EXPECT_EQ(main.Slots().WindowState(1), kWindowOnline);  // windows keep their slots
}

TEST_F(UiConnect, ClosingTheWindowEndsTheConnection) {
  WriteVport("[Device]\r\nControlerAddr1=-1\r\n");
  TestMain& main = Main();
  main.identify = [](int) { return true; };
  main.Connect();
  ASSERT_TRUE(main.PortOpen());
  main.close();
  EXPECT_TRUE(port->closed);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(UiConnect, UnreadableBooleanFailsEveryOperationThatReadsIt) {
  WriteVport("[Device]\r\nControlerAddr1=-1\r\nControlerAddr5=yes\r\n");
  MainWindow& main = Main();
  main.Connect();
  main.ShowSiteAddresses();  // no dialog script: it must not be shown
  main.ChoosePort();
  ASSERT_EQ(host.messages.size(), 3u);
  for (const auto& m : host.messages) {
    EXPECT_NE(m.find("'yes'"), std::string::npos) << m;
    EXPECT_NE(m.find("ControlerAddr5"), std::string::npos) << m;
    EXPECT_NE(m.find("[Device]"), std::string::npos) << m;
    EXPECT_NE(m.find(Vport().string()), std::string::npos) << m;
  }
  EXPECT_FALSE(port);                  // connect stopped before the port
  EXPECT_FALSE(main.SiteSelected(1));  // all or nothing: no box changed
}

}  // namespace
}  // namespace vorel::test
