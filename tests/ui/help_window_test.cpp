// The help window against the guide of this source tree, offscreen: pages in both languages,
// images, back/forward/contents, find, the Help entries of the main and parameter windows,
// and the message when the guide is missing.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <algorithm>
#include <fstream>
#include <string>

#include "parameter_window_fixture.h"
#include "ui/help_window.h"

namespace vorel::test {
namespace {

const QString kGuide = GUIDE_DIR;

// The heading of a guide page: its first line without the "# ".
QString Heading(const QString& language, const QString& page) {
  std::ifstream in((kGuide + "/" + language + "/" + page).toStdString());
  std::string line;
  std::getline(in, line);
  if (!line.starts_with("# ")) {
    ADD_FAILURE() << page.toStdString() << " has no heading";
    return "<no heading>";
  }
  return QString::fromUtf8(line.substr(2));
}

class HelpTest : public ParameterWindowTest {
 protected:
  void SetUp() override {
    ParameterWindowTest::SetUp();
    HelpWindow::SetSharedFolders({kGuide});
  }
  void TearDown() override {
    HelpWindow::SetSharedFolders({});
    ParameterWindowTest::TearDown();
  }
  static HelpWindow& Help() {
    HelpWindow* help = HelpWindow::SharedIfMade();
    EXPECT_NE(help, nullptr);
    return *help;
  }
  static QString Shown() { return Help().Browser()->toPlainText(); }
};

TEST_F(HelpTest, ShowsTheContentsWithItsImagesInEitherLanguage) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    const QString folder = IsEnglish() ? "en" : "zh";
    ShowHelpPage("index.md");
    HelpWindow& help = Help();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_EQ(help.CurrentPage(), "index.md");
    EXPECT_TRUE(help.Browser()->source().path().endsWith(folder + "/index.md"));
    EXPECT_TRUE(Shown().startsWith(Heading(folder, "index.md"))) << Shown().toStdString();
    // Markdown was rendered: the link text shows, not its target.
    EXPECT_FALSE(Shown().contains("](")) << language;
    EXPECT_FALSE(help.Browser()
                     ->loadResource(QTextDocument::ImageResource, QUrl("images/main-window.png"))
                     .isNull())
        << language;
  }
}

TEST_F(HelpTest, FollowsLinksBackForwardAndContents) {
  SetLanguageSetting("english");
  ShowHelpPage("index.md");
  HelpWindow& help = Help();
  // A relative link of the contents page, as a click on it follows it.
  help.Browser()->setSource(QUrl("monitor.md"));
  EXPECT_EQ(help.CurrentPage(), "monitor.md");
  EXPECT_TRUE(Shown().startsWith(Heading("en", "monitor.md")));
  auto* back = Child<QAction>(help, "actBack");
  auto* forward = Child<QAction>(help, "actForward");
  ASSERT_TRUE(back->isEnabled());
  back->trigger();
  EXPECT_EQ(help.CurrentPage(), "index.md");
  ASSERT_TRUE(forward->isEnabled());
  forward->trigger();
  EXPECT_EQ(help.CurrentPage(), "monitor.md");
  Child<QAction>(help, "actContents")->trigger();
  EXPECT_EQ(help.CurrentPage(), "index.md");

  // Find in the page selects the next match and wraps round.
  Child<QLineEdit>(help, "edFind")->setText("Troubleshooting");
  Child<QAction>(help, "actFindNext")->trigger();
  EXPECT_EQ(help.Browser()->textCursor().selectedText(), "Troubleshooting");
  const int first = help.Browser()->textCursor().position();
  for (int i = 0; i < 20 && help.Browser()->textCursor().position() != first; ++i)
    Child<QAction>(help, "actFindNext")->trigger();
  Child<QAction>(help, "actFindNext")->trigger();
  Child<QAction>(help, "actFindPrevious")->trigger();
  EXPECT_EQ(help.Browser()->textCursor().selectedText(), "Troubleshooting");
}

TEST_F(HelpTest, HelpButtonOpensThePageOfTheTabShowing) {
  struct Case {
    const char* page;  // the page or sub-page shown
    const char* guidePage;
  };
  // clang-format off
  const Case cases[] = {
      {"tbBasic",          "parameters-system.md"},
      {"tbEngine",         "parameters-engine.md"},
      {"tbGenProtection",  "parameters-protection.md"},
      {"tbSensor",         "inputs-outputs.md"},
      {"tsStatusDisplay",  "monitor.md"},
      {"tsHistoryDisplay", "event-log.md"},
  };
  // clang-format on
  for (const char* language : {"chinese", "english"}) {
    SetLanguageSetting(language);
    const QString folder = IsEnglish() ? "en" : "zh";
    ParameterWindow& w = Open();
    auto* pages = w.findChild<QTabWidget*>("pcParameter");
    auto* sub = w.findChild<QTabWidget*>("pcConfiguration");
    for (const Case& c : cases) {
      QWidget* page = w.findChild<QWidget*>(c.page);
      ASSERT_NE(page, nullptr) << c.page;
      if (sub->indexOf(page) >= 0) {
        pages->setCurrentIndex(0);
        sub->setCurrentWidget(page);
        QTest::mouseClick(Named<QPushButton>("btnHelp"), Qt::LeftButton);
      } else {
        // The monitor and event-log pages have no Help button: F1 asks for their page.
        pages->setCurrentWidget(page);
        QTest::keyClick(&w, Qt::Key_F1);
      }
      EXPECT_EQ(Help().CurrentPage(), c.guidePage) << c.page;
      EXPECT_TRUE(Help().Browser()->source().path().endsWith(folder + "/" + c.guidePage));
      EXPECT_TRUE(Shown().startsWith(Heading(folder, c.guidePage))) << c.page;
    }
  }
}

TEST_F(HelpTest, MainWindowHelpOpensTheContentsAndFollowsTheLanguage) {
  MainWindow& main = Main();  // Chinese: no settings file yet reads as English
  SetLanguageSetting("english");
  auto* help = Child<QAction>(main, "mHelpHelp");
  ASSERT_TRUE(help->isEnabled());
  help->trigger();
  EXPECT_EQ(Help().CurrentPage(), "index.md");
  EXPECT_TRUE(Shown().startsWith(Heading("en", "index.md")));
  Help().Browser()->setSource(QUrl("monitor.md"));
  Child<QAction>(main, "mConfigurationChinese")->trigger();
  EXPECT_TRUE(Help().Browser()->source().path().endsWith("zh/monitor.md"));
  EXPECT_TRUE(Shown().startsWith(Heading("zh", "monitor.md")));
  EXPECT_EQ(Help().windowTitle().left(2), "帮助");
}

TEST_F(HelpTest, TitleNamesThePageShown) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    const QString folder = IsEnglish() ? "en" : "zh";
    const QString name = IsEnglish() ? "Vorel Help" : "帮助";
    for (const char* page : {"index.md", "monitor.md", "troubleshooting.md"}) {
      ShowHelpPage(page);
      EXPECT_EQ(Help().windowTitle(), name + " - " + Heading(folder, page)) << page;
    }
    // A link followed inside the window names its page too.
    Help().Browser()->setSource(QUrl("modem.md"));
    EXPECT_EQ(Help().windowTitle(), name + " - " + Heading(folder, "modem.md"));
  }
}

TEST_F(HelpTest, EscapeAndCtrlWCloseTheWindow) {
  SetLanguageSetting("english");
  for (const QKeySequence& key :
       {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
    ShowHelpPage("index.md");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Help()));
    Help().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Help()));
    QTest::keySequence(&Help(), key);
    EXPECT_FALSE(Help().isVisible()) << key.toString().toStdString();
  }
}

TEST_F(HelpTest, FindListsEveryPageOfTheGuideThatHoldsTheText) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    const QString folder = IsEnglish() ? "en" : "zh";
    ShowHelpPage("index.md");
    // The pages holding the text, read from the guide itself.
    const QString text = "vorel-cli";
    QStringList expected;
    for (const QString& page : QDir(kGuide + "/" + folder).entryList({"*.md"})) {
      QFile file(kGuide + "/" + folder + "/" + page);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      if (QString::fromUtf8(file.readAll()).contains(text, Qt::CaseInsensitive)) expected << page;
    }
    ASSERT_GE(expected.size(), 3) << language;
    Child<QLineEdit>(Help(), "edFind")->setText(text);
    Child<QAction>(Help(), "actFindNext")->trigger();
    auto* list = Child<QListWidget>(Help(), "lstFoundPages");
    ASSERT_TRUE(list->isVisible());
    QStringList listed;
    for (int i = 0; i < list->count(); ++i) listed << list->item(i)->data(Qt::UserRole).toString();
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected) << language;
    // Choosing a page opens it at the first match.
    QListWidgetItem* last = list->item(list->count() - 1);
    const QString page = last->data(Qt::UserRole).toString();
    emit list->itemActivated(last);
    EXPECT_EQ(Help().CurrentPage(), page);
    EXPECT_EQ(Help().Browser()->textCursor().selectedText().toLower(), text);
    EXPECT_EQ(last->text(), Heading(folder, page));
  }
  // A text no page holds says so.
  EXPECT_TRUE(Help().SearchGuide("no such text anywhere 42").isEmpty());
  EXPECT_EQ(Help().FoundPages()->count(), 1);
}

TEST_F(HelpTest, MissingGuideSaysWhereItLooked) {
  const QString nowhere = "/nonexistent/vorel-guide";
  HelpWindow::SetSharedFolders({nowhere, kGuide + "/en"});
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    ShowHelpPage("index.md");
    EXPECT_TRUE(Help().GuideFolder().isEmpty());
    EXPECT_TRUE(Help().CurrentPage().isEmpty());
    const QString text = Shown();
    EXPECT_TRUE(text.contains(IsEnglish() ? "The user guide was not found" : "未找到用户指南"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(nowhere));
    EXPECT_TRUE(text.contains(kGuide + "/en"));
  }
  // The installed place beside the executable is looked at first.
  EXPECT_TRUE(DefaultGuideFolders().front().endsWith("/share/vorel/guide"));
}

}  // namespace
}  // namespace vorel::test
