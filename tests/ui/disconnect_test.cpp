#include <QAction>
#include <QTabWidget>
#include <QToolButton>

#include "ui/parameter_window.h"
#include "ui/parameter_window_factory.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiDisconnect = UiTest;

struct LineState {
  bool disconnectOffered;
  bool connectPressed;
};

LineState StateShown(QObject& main) {
  const bool button = Child<QToolButton>(main, "tbDisconnect")->isEnabled();
  EXPECT_EQ(button, Child<QAction>(main, "mOpenDisconnect")->isEnabled());
  const bool pressed = Child<QToolButton>(main, "tbConnect")->isChecked();
  EXPECT_EQ(pressed, Child<QAction>(main, "mOpenConnect")->isChecked());
  return {button, pressed};
}

TEST_F(UiDisconnect, DisconnectClosesTheLineKeepsTheWindowsAndConnectResumes) {
  WriteVport("[Device]\r\nControlerAddr1=-1\r\nControlerAddr4=-1\r\n");
  TestMain& main = Main();
  EXPECT_EQ(Child<QAction>(main, "mOpenDisconnect")->shortcut(),
            QKeySequence(Qt::CTRL | Qt::Key_D));
  EXPECT_FALSE(StateShown(main).disconnectOffered);
  EXPECT_FALSE(StateShown(main).connectPressed);

  // A refused Connect (no answer) leaves Connect unpressed although clicking pressed it.
  QTest::mouseClick(Child<QToolButton>(main, "tbConnect"), Qt::LeftButton);
  EXPECT_FALSE(main.PortOpen());
  EXPECT_FALSE(StateShown(main).connectPressed);

  main.identify = [](int site) { return site == 1; };
  main.Connect();
  ASSERT_TRUE(main.PortOpen());
  EXPECT_TRUE(main.session().Poll().PollTimerRunning());
  EXPECT_TRUE(StateShown(main).disconnectOffered);
  EXPECT_TRUE(StateShown(main).connectPressed);

  auto first = port;
  Child<QAction>(main, "mOpenDisconnect")->trigger();
  EXPECT_TRUE(first->closed);
  EXPECT_FALSE(main.PortOpen());
  EXPECT_FALSE(main.session().Poll().PollTimerRunning());
  EXPECT_EQ(main.StatusText(0), "disconnected.");
  EXPECT_FALSE(StateShown(main).disconnectOffered);
  EXPECT_FALSE(StateShown(main).connectPressed);
  EXPECT_EQ(main.Slots().WindowState(1), kWindowOnline);  // the window stays
  EXPECT_EQ(main.CommState(1), kCommRetry);
  for (const char* name : {"tbSiteAddr", "tbComPort", "mConfigurationPort"})
    EXPECT_TRUE(Child<QObject>(main, name)->property("enabled").toBool()) << name;
  EXPECT_TRUE(host.messages.empty());

  // Connect opens the port anew, leaves site 1's window as it is and polls it again.
  main.tried.clear();
  main.Connect();
  EXPECT_NE(port, first);
  EXPECT_TRUE(main.PortOpen());
  EXPECT_EQ(main.tried, std::vector<int>{4});
  EXPECT_TRUE(main.session().Poll().PollTimerRunning());
  EXPECT_EQ(main.StatusText(0), "Connected.");
  EXPECT_TRUE(StateShown(main).disconnectOffered);
}

TEST_F(UiDisconnect, ExitWhileConnectedAsksFirst) {
  WriteVport("[System]\r\nLanguage=chinese\r\n[Device]\r\nControlerAddr1=-1\r\n");
  TestMain& main = Main();
  main.identify = [](int) { return true; };
  main.Connect();
  ASSERT_TRUE(main.PortOpen());
  QAction* exit = Child<QAction>(main, "mOpenExit");
  for (Answer answer : {Answer::No, Answer::Cancel, Answer::Closed}) {
    host.answers.push_back(answer);
    exit->trigger();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.PortOpen());
  }
  ASSERT_EQ(host.questions.size(), 3u);
  EXPECT_EQ(host.questions[0].caption, "退出");
  EXPECT_EQ(host.questions[0].text, "正在连接中。断开连接并退出吗？");
  host.answers.push_back(Answer::Yes);
  exit->trigger();
  EXPECT_FALSE(main.isVisible());
  EXPECT_TRUE(port->closed);
}

TEST_F(UiDisconnect, ExitWithoutAConnectionDoesNotAsk) {
  TestMain& main = Main();
  Child<QAction>(main, "mOpenExit")->trigger();
  EXPECT_FALSE(main.isVisible());
  EXPECT_TRUE(host.questions.empty());
}

// The main window whose identification makes a real parameter window for the site.
class WindowedMain : public MainWindow {
 public:
  WindowedMain(Host& host, MainWindowServices services) : MainWindow(host, std::move(services)) {
    session().Connector().SetIdentifier([this](int site) {
      session().SetWindow(site, session().MakeWindow(site), kWindowOnline);
      session().Window(site)->ShowWindow();
      session().Window(site)->SetUpWindow();
      return true;
    });
  }
};

TEST_F(UiDisconnect, LanguageSwitchWhileConnectedKeepsTheLineAndRelabelsOpenWindows) {
  WriteVport("[System]\r\nLanguage=chinese\r\n[Device]\r\nControlerAddr2=-1\r\n");
  MainWindowServices services;
  auto record = std::make_shared<RecordingPort::Record>();
  services.makePort = [&] { return std::make_unique<RecordingPort>(record, true); };
  services.pump = pump;
  services.makeWindow = MakeParameterWindow;
  WindowedMain main(host, services);
  main.show();
  main.Connect();
  ASSERT_TRUE(main.PortOpen());
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(2));
  ASSERT_NE(window, nullptr);
  auto* pages = window->findChild<QTabWidget*>("pcParameter");
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(window->windowTitle(), "参数/监测");

  main.SetLanguage("english");
  EXPECT_EQ(main.StatusText(0), "Connected.");
  EXPECT_TRUE(main.PortOpen());
  EXPECT_TRUE(main.session().Poll().PollTimerRunning());
  EXPECT_EQ(window->windowTitle(), "Configuration/Monitor");
  EXPECT_EQ(pages->tabText(0), "Configuration");
  EXPECT_EQ(Child<QToolButton>(main, "tbDisconnect")->text(), "Disconnect");

  main.SetLanguage("chinese");
  EXPECT_EQ(main.StatusText(0), "连接.");
  EXPECT_EQ(window->windowTitle(), "参数/监测");
  EXPECT_EQ(pages->tabText(0), "参数设置");
  main.DisconnectLine();
  main.SetLanguage("english");
  EXPECT_EQ(main.StatusText(0), "Disconnected");
}

}  // namespace
}  // namespace vorel::test
