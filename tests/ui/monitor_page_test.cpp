// The monitor page of a real parameter window, filled from the value image.
#include <QAbstractItemModel>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <functional>
#include <map>

#include "parameter_window_fixture.h"

namespace vorel::test {
namespace {

using MonitorPageTest = ParameterWindowTest;

// The monitor tab made current: the page the user looks at.
void ShowMonitor(ParameterWindow& w) {
  w.Monitor();
  Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsStatusDisplay"));
  ASSERT_TRUE(w.Monitor()->InView());
}

TEST_F(MonitorPageTest, RefreshShowsTheImageOnAnOnlineWindow) {
  images->SetWord(kSite, 0x0099, 1500);
  images->SetWord(kSite, 0x009E, 245);
  images->SetWord(kSite, 0x0059, 308);
  images->SetWord(kSite, 0x008F, 12);
  images->SetWord(kSite, 0x0057, 317);
  images->SetWord(kSite, 0x005A, 322);
  images->SetWord(kSite, 0x0113, 200);
  images->SetWord(kSite, 0x001A, 0x2011);
  images->SetWord(kSite, 0x001B, 0x2811);
  images->SetWord(kSite, 0x0032, 131);
  images->SetWord(kSite, 0x0060, 0x0001);
  ParameterWindow& w = OpenType(3101);
  MonitorPage& page = *w.Monitor();
  ShowMonitor(w);
  w.RefreshMonitor();

  EXPECT_EQ(page.EngineGrid()->CellText(1, 1), "Speed(r/min)");
  EXPECT_EQ(page.EngineGrid()->CellText(1, 2), "1500");
  EXPECT_EQ(page.EngineGrid()->CellText(5, 2), "24.5");
  EXPECT_EQ(page.BinaryIoGrid()->CellText(1, 2), "deactivated");
  EXPECT_EQ(Child<QLabel>(w, "lbGenSetStatus")->text(), "Gen-Set Loaded  12");
  EXPECT_EQ(Child<QLabel>(w, "lbMains1Status")->text(), "Mains Oper");
  EXPECT_EQ(Child<QLabel>(w, "lbLoad1Status")->text(), "ATS GCB close");
  EXPECT_EQ(Child<QLabel>(w, "lbMonitorAlarmList")->text(), "Alarm List");
  EXPECT_TRUE(page.ModeButton(OperatingMode::Auto)->isChecked());

  QLabel* first = page.AlarmLabel(1);
  QLabel* second = page.AlarmLabel(2);
  EXPECT_FALSE(first->isHidden());
  EXPECT_EQ(first->text(), "start auto");
  EXPECT_EQ(second->text(), "start auto");
  EXPECT_NE(first->palette().color(QPalette::Window), QColor(192, 192, 192));
  EXPECT_EQ(second->palette().color(QPalette::Window), QColor(192, 192, 192));
  EXPECT_TRUE(page.AlarmLabel(3)->isHidden());
  EXPECT_EQ(page.ButtonBackground(RemoteCommand::Start), QColor(166, 202, 240));
  EXPECT_EQ(page.ButtonBackground(RemoteCommand::Stop), QColor(255, 0, 0));
  EXPECT_EQ(page.ButtonText(RemoteCommand::Reset), QColor(255, 0, 0));

  // Mode 202 leaves the button that was down; LED 133 leaves START and STOP; a cleared
  // alarm word hides its line again.
  images->SetWord(kSite, 0x0113, 202);
  images->SetWord(kSite, 0x0032, 133);
  images->SetWord(kSite, 0x001A, 0);
  w.RefreshMonitor();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Auto)->isChecked());
  EXPECT_EQ(page.ButtonBackground(RemoteCommand::Start), QColor(166, 202, 240));
  EXPECT_TRUE(first->isHidden());
}

// A page the user cannot see is left alone at the ticks, however it is hidden, and shows the
// image as soon as it comes into view, before any tick.
TEST_F(MonitorPageTest, AHiddenPageWaitsAndDrawsAsSoonAsItIsSeen) {
  images->SetWord(kSite, 0x0059, 308);
  images->SetWord(kSite, 0x008F, 12);
  ParameterWindow& w = OpenType(3101);
  MonitorPage& page = *w.Monitor();
  auto* tabs = Child<QTabWidget>(w, "pcParameter");
  ShowMonitor(w);
  w.RefreshMonitor();
  const struct {
    const char* what;
    std::function<void()> hide;
    std::function<void()> show;
  } cases[] = {
      {"another tab", [&] { tabs->setCurrentIndex(0); },
       [&] { tabs->setCurrentWidget(Child<QWidget>(w, "tsStatusDisplay")); }},
      {"minimised", [&] { w.showMinimized(); }, [&] { w.showNormal(); }},
      {"window hidden", [&] { w.hide(); }, [&] { w.show(); }},
  };
  std::uint16_t speed = 1000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.hide();
    EXPECT_FALSE(page.InView());
    const int draws = page.Draws();
    images->SetWord(kSite, 0x0099, ++speed);
    w.RefreshMonitor();
    EXPECT_EQ(page.Draws(), draws);
    EXPECT_NE(page.EngineGrid()->CellText(1, 2), QString::number(speed));
    c.show();
    EXPECT_TRUE(page.InView());
    EXPECT_EQ(page.Draws(), draws + 1);
    EXPECT_EQ(page.EngineGrid()->CellText(1, 2), QString::number(speed));
  }

  // Under the trend view the labels follow; the grids once they show again.
  page.ShowTrend(true);
  images->SetWord(kSite, 0x0099, 1200);
  images->SetWord(kSite, 0x008F, 13);
  w.RefreshMonitor();
  EXPECT_EQ(Child<QLabel>(w, "lbGenSetStatus")->text(), "Gen-Set Loaded  13");
  EXPECT_EQ(page.EngineGrid()->CellText(1, 2), QString::number(speed));
  page.ShowTrend(false);
  EXPECT_EQ(page.EngineGrid()->CellText(1, 2), "1200");
}

// A tick that finds the image as it was writes nothing; a changed word rewrites its cell only.
TEST_F(MonitorPageTest, OnlyWhatChangedIsWritten) {
  images->SetWord(kSite, 0x0099, 1500);
  ParameterWindow& w = OpenType(3101);
  MonitorPage& page = *w.Monitor();
  ShowMonitor(w);
  w.RefreshMonitor();
  const int draws = page.Draws();
  std::map<const QAbstractItemModel*, int> writes;
  for (StringGrid* g : {page.EngineGrid(), page.GeneratorGrid(), page.BinaryIoGrid()}) {
    const QAbstractItemModel* model = g->model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, &w,
                     [&writes, model] { ++writes[model]; });
  }
  w.RefreshMonitor();
  images->SetWord(kSite, 0x0099, 1500);  // the same value stored again
  w.RefreshMonitor();
  EXPECT_EQ(page.Draws(), draws);
  EXPECT_TRUE(writes.empty());

  images->SetWord(kSite, 0x0099, 1510);
  w.RefreshMonitor();
  EXPECT_EQ(page.Draws(), draws + 1);
  EXPECT_EQ(page.EngineGrid()->CellText(1, 2), "1510");
  EXPECT_EQ(writes[page.EngineGrid()->model()], 1);
  EXPECT_EQ(writes[page.GeneratorGrid()->model()], 0);
  EXPECT_EQ(writes[page.BinaryIoGrid()->model()], 0);

  // A new set-up (type, access level, language) draws again whatever the image.
  w.SetUpWindow();
  w.RefreshMonitor();
  EXPECT_EQ(page.Draws(), draws + 2);
  EXPECT_EQ(page.EngineGrid()->CellText(1, 2), "1510");
}

TEST_F(MonitorPageTest, AWindowFromAFileIsNeverRefreshed) {
  images->SetWord(kSite, 0x0099, 1500);
  ParameterWindow& w = OpenType(3101, kWindowOffline);
  ShowMonitor(w);
  w.RefreshMonitor();
  EXPECT_EQ(w.Monitor()->EngineGrid()->CellText(1, 2), "");
  EXPECT_EQ(Child<QLabel>(w, "lbGenSetStatus")->text(), "");
}

TEST_F(MonitorPageTest, TitlesFollowTheTypeAndTheChannels) {
  images->SetWord(kSite, 0x0126, 84);
  images->SetWord(kSite, 0x0129, static_cast<std::uint16_t>((5 << 10) | (1 << 8)));
  ParameterWindow& w = OpenType(3105);
  MonitorPage& page = *w.Monitor();
  EXPECT_EQ(page.EngineGrid()->CellText(2, 1), "Oil Pressure(Bar)");
  EXPECT_EQ(page.GeneratorGrid()->CellText(13, 1), "");
  EXPECT_TRUE(Child<QLabel>(w, "lbMains1Status")->isHidden());
  EXPECT_TRUE(page.BinaryIoGrid()->CellText(5, 1).startsWith("BI5 ("));
  EXPECT_EQ(page.BinaryIoGrid()->CellText(6, 1), "");

  // A new type: the rows of the old one go.
  images->SetWord(kSite, 0x016B, 3106);
  w.SetUpWindow();
  EXPECT_TRUE(page.BinaryIoGrid()->CellText(1, 1).startsWith("BI6 ("));
  EXPECT_EQ(page.BinaryIoGrid()->CellText(5, 1), "");
  EXPECT_EQ(page.GeneratorGrid()->CellText(13, 1), "Ph-N(V)");
}

TEST_F(MonitorPageTest, ButtonsAskTheSessionForTheirCommands) {
  ParameterWindow& w = OpenType(3101);
  MonitorPage& page = *w.Monitor();
  for (RemoteCommand c : {RemoteCommand::Auto, RemoteCommand::Start, RemoteCommand::Reset})
    page.CommandButton(c)->click();
  EXPECT_EQ(commands.calls,
            (std::vector<std::string>{"command3auto", "command3start", "command3reset"}));
  // The mode button shows down at once, before any reply.
  EXPECT_TRUE(page.ModeButton(OperatingMode::Auto)->isChecked());
  // The next tick shows the mode the image holds, changed or not.
  images->SetWord(kSite, 0x0113, 198);
  ShowMonitor(w);
  w.RefreshMonitor();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Off)->isChecked());
  page.ModeButton(OperatingMode::Manual)->click();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Manual)->isChecked());
  w.RefreshMonitor();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Off)->isChecked());
}

// Each button, found by its control name, shows its caption in the current language and asks
// for its own command.
TEST_F(MonitorPageTest, EachButtonShowsItsCaptionAndAsksForItsCommand) {
  const struct {
    const char* control;
    const char* english;
    const char* chinese;
    const char* call;
  } buttons[] = {
      {"lbsbOff", "OFF", "模式", "command3off"},
      {"lbsbManual", "MANU", "手动", "command3manual"},
      {"lbsbAuto", "AUTO", "自动", "command3auto"},
      {"lbsbTest", "TEST", "测试", "command3test"},
      {"lbsbStart", "START", "启动", "command3start"},
      {"lbsbStop", "STOP", "停机", "command3stop"},
      {"lbsbMute", "MUTE", "消音", "command3mute"},
      {"lbsbReset", "RESET", "复位", "command3reset"},
  };
  for (const std::string language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    ParameterWindow& w = OpenType(3101);
    w.Monitor();
    for (const auto& b : buttons) {
      auto* button = w.findChild<QPushButton*>(b.control);
      ASSERT_NE(button, nullptr) << b.control;
      EXPECT_EQ(button->text().toStdString(), language == "english" ? b.english : b.chinese);
      commands.calls.clear();
      button->click();
      EXPECT_EQ(commands.calls, std::vector<std::string>{b.call}) << b.control;
    }
  }
}

}  // namespace
}  // namespace vorel::test
