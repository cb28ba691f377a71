// The "Parameter windows" window that holds the site windows as tabs, on its own and with the
// main window connected to vorel-sim: tabs in site order, a tab's close closes that site's
// window to the session, the View menu's setting moves the windows out and back in and is
// kept in vport.ini, and both languages label it.
#include <QAction>
#include <QTabBar>
#include <QTabWidget>

#include "support/sim_process.h"
#include "ui/parameter_window.h"
#include "ui/site_window_tabs.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiSiteWindowTabs = UiTest;

// A stand-in site window that counts its close events.
class CountingWindow : public QWidget {
 public:
  explicit CountingWindow(const QString& title) { setWindowTitle(title); }
  int closes = 0;

 protected:
  void closeEvent(QCloseEvent* event) override {
    ++closes;
    QWidget::closeEvent(event);
  }
};

QStringList TabTexts(const SiteWindowTabs& tabs) {
  QStringList texts;
  for (int i = 0; i < tabs.TabCount(); ++i) texts << tabs.Tabs()->tabText(i);
  return texts;
}

TEST_F(UiSiteWindowTabs, HoldsWindowsInSiteOrderAndLetsThemGo) {
  SetLanguageSetting("english");
  SiteWindowTabs tabs;
  auto five = std::make_unique<CountingWindow>("site 5");
  auto two = std::make_unique<CountingWindow>("site 2");
  auto nine = std::make_unique<CountingWindow>("site 9");
  tabs.Adopt(five.get(), 5);
  tabs.Adopt(nine.get(), 9);
  tabs.Adopt(two.get(), 2);
  tabs.Adopt(two.get(), 2);  // held already: no second tab
  EXPECT_EQ(TabTexts(tabs), (QStringList{"site 2", "site 5", "site 9"}));
  EXPECT_FALSE(five->isWindow());

  // A new caption relabels the tab, and the title of the window while its tab is current.
  BringSiteWindowForward(five.get());
  EXPECT_TRUE(tabs.isVisible());
  EXPECT_EQ(tabs.Tabs()->currentWidget(), five.get());
  five->setWindowTitle("3101 address 5");
  EXPECT_EQ(tabs.Tabs()->tabText(1), "3101 address 5");
  EXPECT_EQ(tabs.windowTitle(), "3101 address 5");

  // The tab's close button closes that window only, which leaves its tab at once.
  QWidget* closeButton = tabs.Tabs()->tabBar()->tabButton(1, QTabBar::RightSide);
  ASSERT_NE(closeButton, nullptr);
  QTest::mouseClick(closeButton, Qt::LeftButton);
  QTest::qWait(20);
  EXPECT_EQ(five->closes, 1);
  EXPECT_EQ(two->closes + nine->closes, 0);
  EXPECT_EQ(TabTexts(tabs), (QStringList{"site 2", "site 9"}));
  EXPECT_TRUE(five->isHidden());
  EXPECT_TRUE(five->isWindow());  // out of the holder: its owner destroys it when it will

  // Released: a shown window of its own again.
  tabs.Release(nine.get());
  EXPECT_TRUE(nine->isWindow());
  EXPECT_TRUE(nine->isVisible());
  EXPECT_EQ(TabTexts(tabs), QStringList{"site 2"});

  // A destroyed window takes its tab along; the holder hides with its last tab.
  two.reset();
  QTest::qWait(20);
  EXPECT_EQ(tabs.TabCount(), 0);
  EXPECT_FALSE(tabs.isVisible());
  EXPECT_EQ(tabs.windowTitle(), "Parameter windows");
}

class UiSiteWindowsSim : public UiTest {
 protected:
  void Connect(bool separate, std::initializer_list<int> sites) {
    QStringList args{"--baud", "0"};
    for (int site : sites) args << "--site" << QString::number(site);
    ASSERT_TRUE(sim.Start(args)) << sim.error();
    main = ConnectedToSim(
        sim, sites,
        std::string("[View]\r\nSeparateSiteWindows=") + (separate ? "-1" : "0") + "\r\n");
    for (int site : sites) ASSERT_TRUE(main->IsOnline(site)) << site;
  }
  void TearDown() override {
    main.reset();
    sim.Stop();
    UiTest::TearDown();
  }
  ParameterWindow* Window(int site) {
    return dynamic_cast<ParameterWindow*>(main->session().Window(site));
  }

  SimProcess sim{VOREL_SIM_PATH};
  std::unique_ptr<MainWindow> main;
};

TEST_F(UiSiteWindowsSim, SitesAreTabsOfOneWindowAndATabCloseClosesToTheSession) {
  Connect(false, {2, 5, 7});
  SiteWindowTabs& tabs = main->SiteTabs();
  ASSERT_EQ(tabs.TabCount(), 3);
  EXPECT_TRUE(tabs.isVisible());
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    auto* window = dynamic_cast<ParameterWindow*>(tabs.WindowAt(i));
    ASSERT_NE(window, nullptr);
    const int sites[] = {2, 5, 7};
    EXPECT_EQ(window->Site(), sites[i]);
    EXPECT_FALSE(window->isWindow());
    EXPECT_EQ(tabs.Tabs()->tabText(i), QString("Address %1").arg(sites[i]));
    EXPECT_EQ(tabs.Tabs()->tabToolTip(i), window->windowTitle());
  }
  // The window of the site connected last is in front, as its own window would have been.
  EXPECT_EQ(tabs.Tabs()->currentWidget(), Window(7));
  EXPECT_TRUE(Window(7)->isVisible());
  // Only the shown window is drawn: one window among the top-level ones holds the three.
  int shownSiteWindows = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    shownSiteWindows += w->isVisible() && dynamic_cast<ParameterWindow*>(w) ? 1 : 0;
  EXPECT_EQ(shownSiteWindows, 0);

  // The tab of site 5 closed: that window is closed to the session, the others stay online.
  QTest::mouseClick(tabs.Tabs()->tabBar()->tabButton(1, QTabBar::RightSide), Qt::LeftButton);
  QTest::qWait(50);
  EXPECT_EQ(main->Slots().WindowState(5), kWindowNone);
  EXPECT_EQ(main->session().Window(5), nullptr);
  EXPECT_EQ(tabs.TabCount(), 2);
  EXPECT_TRUE(main->IsOnline(2));
  EXPECT_TRUE(main->IsOnline(7));
  EXPECT_TRUE(main->PortOpen());

  // Closing the holder closes every window in it: the last one gone disconnects.
  tabs.close();
  QTest::qWait(50);
  EXPECT_FALSE(main->session().AnyWindow());
  EXPECT_FALSE(main->PortOpen());
  EXPECT_FALSE(tabs.isVisible());
}

TEST_F(UiSiteWindowsSim, TheViewSettingMovesTheWindowsAndIsKept) {
  Connect(false, {3, 4});
  auto* item = main->findChild<QAction*>("mViewSeparateWindows");
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->isChecked());
  EXPECT_EQ(item->text(), "Separate site windows");

  item->trigger();  // ticks it: separate windows
  EXPECT_TRUE(main->SeparateSiteWindows());
  EXPECT_EQ(VportValue("View", "SeparateSiteWindows"), "-1");
  EXPECT_EQ(main->SiteTabs().TabCount(), 0);
  EXPECT_FALSE(main->SiteTabs().isVisible());
  for (int site : {3, 4}) {
    EXPECT_TRUE(Window(site)->isWindow()) << site;
    EXPECT_TRUE(Window(site)->isVisible()) << site;
  }
  // A separate window's close still closes it to the session.
  Window(3)->close();
  QTest::qWait(50);
  EXPECT_EQ(main->Slots().WindowState(3), kWindowNone);

  item->trigger();  // back to tabs
  EXPECT_FALSE(main->SeparateSiteWindows());
  EXPECT_EQ(VportValue("View", "SeparateSiteWindows"), "0");
  ASSERT_EQ(main->SiteTabs().TabCount(), 1);
  EXPECT_EQ(main->SiteTabs().WindowAt(0), Window(4));
  EXPECT_TRUE(main->SiteTabs().isVisible());

  // Both languages label the item; the holder's title is its current window's caption.
  main->SetLanguage("chinese");
  EXPECT_EQ(item->text(), "设备窗口分开显示");
  EXPECT_EQ(main->SiteTabs().Tabs()->tabText(0), "地址 4");
  EXPECT_EQ(main->SiteTabs().windowTitle(), Window(4)->windowTitle());
  main->SetLanguage("english");
  EXPECT_EQ(item->text(), "Separate site windows");
  EXPECT_EQ(main->SiteTabs().Tabs()->tabText(0), "Address 4");
}

TEST_F(UiSiteWindowsSim, SeparateWindowsFromTheSettingsFile) {
  Connect(true, {6});
  EXPECT_TRUE(main->SeparateSiteWindows());
  EXPECT_TRUE(main->findChild<QAction*>("mViewSeparateWindows")->isChecked());
  EXPECT_TRUE(Window(6)->isWindow());
  EXPECT_TRUE(Window(6)->isVisible());
  EXPECT_EQ(main->SiteTabs().TabCount(), 0);
  EXPECT_FALSE(main->SiteTabs().isVisible());
}

}  // namespace
}  // namespace vorel::test
