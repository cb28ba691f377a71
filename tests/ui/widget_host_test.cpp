#include "ui/widget_host.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "core/register_table.h"
#include "ui/desktop.h"
#include "ui/parameter_window.h"
#include "ui/progress_window.h"
#include "ui/site_window_tabs.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

TEST(WidgetHost, FileFiltersBecomeQtFilters) {
  const std::pair<const char*, const char*> cases[] = {
      {"Parameter files (*.dat)|*.dat", "Parameter files (*.dat)"},
      {"Parameter|*.dat|All|*.*", "Parameter (*.dat);;All (*.*)"},
      {"Logs|*.log;*.txt", "Logs (*.log *.txt)"},
      {"Images (*.png)", "Images (*.png)"},
      {"Odd|", "Odd ()"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(QtFileFilter(in), out) << in;
}

using UiWidgetHost = UiTest;

// While a transfer runs the main window is disabled, but the progress window's text and its
// Cancel stay live; the next transfer starts without the old text or the old Cancel.
TEST_F(UiWidgetHost, ProgressWindowShowsWhatIsDoneAndTakesCancel) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    WidgetHost widgets;
    MainWindow& main = Main();
    widgets.Attach(&main);
    main.SetMainEnabled(false);
    widgets.ShowProgress(true);
    ProgressWindow& status = main.StatusWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&status));
    widgets.SetProgressText("Reading the event log of site 1: block 23 of 56");
    EXPECT_EQ(status.Text(), "Reading the event log of site 1: block 23 of 56");
    auto* cancel = Child<QAbstractButton>(status, "btnStatusCancel");
    EXPECT_EQ(cancel->text(), IsEnglish() ? "Cancel" : "取消");
    EXPECT_FALSE(widgets.ProgressCancelled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(widgets.ProgressCancelled());
    EXPECT_FALSE(cancel->isEnabled());
    widgets.ShowProgress(false);
    main.SetMainEnabled(true);

    widgets.ShowProgress(true);
    EXPECT_FALSE(widgets.ProgressCancelled());
    EXPECT_TRUE(status.Text().isEmpty());
    EXPECT_TRUE(cancel->isEnabled());
    widgets.ShowProgress(false);
  }
}

TEST_F(UiWidgetHost, DrivesTheStatusBarAndTheProgressWindow) {
  WidgetHost widgets;
  MainWindow& main = Main();
  widgets.Attach(&main);
  widgets.SetMainStatus(0, "Address 4 init 21%.");
  widgets.SetMainStatus(1, "modem");
  widgets.SetMainStatus(7, "ignored");
  EXPECT_EQ(main.StatusText(0), "Address 4 init 21%.");
  EXPECT_EQ(main.StatusText(1), "modem");

  widgets.ShowProgress(true);
  widgets.SetProgress(42);
  EXPECT_TRUE(main.StatusWindow().isVisible());
  EXPECT_EQ(main.StatusWindow().Percent(), 42);
  widgets.SetProgress(250);
  EXPECT_EQ(main.StatusWindow().Percent(), 100);
  // The progress window is borderless and on top.
  EXPECT_TRUE(main.StatusWindow().windowFlags().testFlags(Qt::FramelessWindowHint |
                                                          Qt::WindowStaysOnTopHint));
  widgets.ShowProgress(false);
  EXPECT_FALSE(main.StatusWindow().isVisible());

  std::vector<std::string> seen;
  widgets.siteStatusSink = [&](int site, int panel, const std::string& text) {
    seen.push_back(std::to_string(site) + "/" + std::to_string(panel) + ":" + text);
  };
  widgets.SetSiteStatus(3, 1, "CRC error");
  EXPECT_EQ(seen, std::vector<std::string>{"3/1:CRC error"});
}

// The widget host as OpenDesktop wires it, with its plain messages recorded instead of shown.
class RecordingWidgetHost : public WidgetHost {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

TEST_F(UiWidgetHost, OpenDesktopSendsTextsAndBoxesToTheSitesWindows) {
  WriteVport("[System]\r\nLanguage=english\r\n");
  RecordingWidgetHost widgets;
  MainWindowServices services;
  services.pump = pump;
  const std::unique_ptr<MainWindow> desktop = OpenDesktop(widgets, std::move(services));
  Session& session = desktop->session();
  for (int site : {2, 5}) session.Images().SetWord(site, reg::kProductCode.address, 3101);
  session.SetWindow(2, session.MakeWindow(2), kWindowOnline);
  session.SetWindow(5, session.MakeWindow(5), kWindowOffline);
  auto* online = dynamic_cast<ParameterWindow*>(session.Window(2));
  auto* offline = dynamic_cast<ParameterWindow*>(session.Window(5));
  ASSERT_NE(online, nullptr);
  ASSERT_NE(offline, nullptr);

  widgets.SetMainStatus(0, "Connected.");
  EXPECT_EQ(desktop->StatusText(0), "Connected.");
  // A site's line state shows in its window while it is online; a window opened from a file
  // and a site without a window show nothing of it.
  const std::string offlinePanel = offline->StatusPanel(1).toStdString();
  for (int site : {2, 5, 7}) widgets.SetSiteStatus(site, 1, "CRC error");
  EXPECT_EQ(online->StatusPanel(1).toStdString(), "CRC error");
  EXPECT_EQ(offline->StatusPanel(1).toStdString(), offlinePanel);

  // A Retry/Cancel box about site 2 stands over site 2's window, not the main window.
  QWidget* owner = nullptr;
  QTimer::singleShot(50, [&owner] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      owner = box->parentWidget();
      box->button(QMessageBox::Cancel)->click();
    }
  });
  EXPECT_EQ(widgets.AskRetryCancel(2, "", "Communication timeout!"), Answer::Cancel);
  EXPECT_EQ(owner, SiteWindowForMessage(online));
  EXPECT_NE(owner, desktop.get());
  EXPECT_TRUE(widgets.messages.empty());
}

// A confirmation before an engine starts or stops offers Yes and No, No the default: Enter
// on the box, as a stray key press would, sends nothing.
TEST_F(UiWidgetHost, AConfirmationAnswersNoToEnter) {
  WidgetHost widgets;
  QString buttons;
  QTimer::singleShot(50, [&buttons] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      for (QAbstractButton* b : box->buttons())
        buttons += box->standardButton(b) == QMessageBox::Yes ? "Y" : "N";
      QTest::keyClick(box, Qt::Key_Return);
    }
  });
  EXPECT_EQ(widgets.AskConfirmation(2, "Start", "Start the engine of site 2?"), Answer::No);
  EXPECT_EQ(buttons.size(), 2);
  EXPECT_TRUE(buttons.contains("Y"));
}

}  // namespace
}  // namespace vorel::test
