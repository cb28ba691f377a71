#include <QAction>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "control/version.h"
#include "ui/about_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

QString Text(QObject& window, const char* name) {
  if (auto* b = window.findChild<QToolButton*>(name)) return b->text();
  if (auto* m = window.findChild<QMenu*>(name)) return m->title();
  if (auto* a = window.findChild<QAction*>(name)) return a->text();
  ADD_FAILURE() << "no control " << name;
  return {};
}

bool Checked(QObject& window, const char* name) {
  return window.findChild<QAction*>(name)->isChecked();
}

using UiMainWindow = UiTest;

TEST_F(UiMainWindow, StartsWithItsTitlesWindowsAndSiteSlots) {
  MainWindow& main = Main();
  EXPECT_EQ(main.windowTitle(), "Vorel2000");
  EXPECT_FALSE(main.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(main.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(Child<QToolButton>(main, "tbHangup")->isEnabled());
  EXPECT_TRUE(Child<QAction>(main, "mHelpHelp")->isEnabled());
  EXPECT_FALSE(main.PowerUpLogShown());
  EXPECT_TRUE(main.PowerUpLog()->isReadOnly());
  EXPECT_FALSE(main.Properties().isVisible());
  EXPECT_FALSE(main.SiteAddr().isVisible());
  EXPECT_FALSE(main.StatusWindow().isVisible());
  EXPECT_EQ(Child<QLabel>(main, "StatusPanel0")->width(), 120);
  for (int site = 1; site <= kSiteCount; ++site) {
    EXPECT_EQ(main.Slots().WindowState(site), kWindowNone);
    EXPECT_EQ(main.CommState(site), kCommStateNone);
  }
  // No settings file: English, and reading created nothing.
  EXPECT_EQ(Text(main, "tbConnect"), "Connect(&C)");
  EXPECT_FALSE(std::filesystem::exists(Vport()));
}

// The connection-state panel keeps its width for a short text and grows to show a long one.
TEST_F(UiMainWindow, ConnectionStatePanelGrowsToShowItsText) {
  MainWindow& main = Main();
  auto* panel = main.findChild<QLabel*>("StatusPanel0");
  for (const char* text :
       {"Adress3Connect fail!", "Polling stopped: Read in a site's window resumes it.", "连接."}) {
    main.SetMainStatus(0, text);
    QCoreApplication::processEvents();
    EXPECT_GE(panel->contentsRect().width(),
              panel->fontMetrics().horizontalAdvance(QString::fromUtf8(text)))
        << text;
    EXPECT_GE(panel->width(), 120) << text;
  }
  EXPECT_EQ(panel->width(), 120);
}

TEST_F(UiMainWindow, LanguageSettingAtStartDecidesTheTexts) {
  struct Case {
    const char* file;
    bool english;
  } cases[] = {
      {"", true},  // missing key: english
      {"[System]\r\nLanguage=english\r\n", true},
      {"[system]\r\nlanguage = english \r\n", true},  // names ignore case, spaces dropped
      {"[System]\r\nLanguage=English\r\n", false},    // only exactly "english"
      {"[System]\r\nLanguage=chinese\r\n", false},
      {"[System]\r\nLanguage=\r\n", false},  // empty is not missing
      {"[System]\r\nLanguage=klingon\r\n", false},
  };
  for (const auto& c : cases) {
    WriteVport(c.file);
    ScriptedHost host;
    MainWindow main(host, {});
    main.show();
    SCOPED_TRACE(c.file);
    EXPECT_EQ(IsEnglish(), c.english);
    EXPECT_EQ(Checked(main, "mConfigurationEnglish"), c.english);
    EXPECT_EQ(Checked(main, "mConfigurationChinese"), !c.english);
    EXPECT_EQ(Text(main, "tbSiteAddr"), c.english ? "Address(&G)" : "设备地址(&G)");
    EXPECT_EQ(main.StatusText(0), c.english ? "Disconnected" : "未连接");
  }
}

TEST_F(UiMainWindow, LanguageMenuSwitchesRelabelsAndWritesTheFile) {
  WriteVport("; mine\r\n[System]\r\nLanguage=english\r\nOther=1\r\n");
  MainWindow& main = Main();
  main.SetStatusText(1, "modem");
  Child<QAction>(main, "mConfigurationChinese")->trigger();
  EXPECT_EQ(ReadVportBytes(), "; mine\r\n[System]\r\nLanguage=chinese\r\nOther=1\r\n");
  EXPECT_EQ(LanguageSetting(), "chinese");
  EXPECT_TRUE(Checked(main, "mConfigurationChinese"));
  EXPECT_FALSE(Checked(main, "mConfigurationEnglish"));
  const std::pair<const char*, const char*> chinese[] = {
      {"tbConnect", "连接(&C)"},
      {"tbOpenOffLine", "文件(&F)"},
      {"tbHangup", "挂断"},
      {"tbSiteAddr", "设备地址(&G)"},
      {"tbComPort", "通讯端口(&P)"},
      {"mOpen", "打开(&O)"},
      {"mOpenConnect", "连接(&C)"},
      {"mOpenFile", "文件(&F)"},
      {"mOpenExit", "退出(&E)"},
      {"mConfiguration", "设置(&T)"},
      {"mConfigurationPort", "通讯端口(&P)"},
      {"mConfigurationAddress", "设备地址(&G)"},
      {"mConfigurationChinese", "中文"},
      {"mConfigurationEnglish", "英文"},
      {"mHelp", "帮助(&H)"},
      {"mHelpHelp", "帮助(&H)"},
      {"mHelpAbout", "关于(&A)"},
  };
  for (const auto& [name, text] : chinese)
    EXPECT_EQ(Text(main, name), QString::fromUtf8(text)) << name;
  EXPECT_EQ(main.StatusText(0), "未连接");
  EXPECT_EQ(main.StatusText(1), "");

  Child<QAction>(main, "mConfigurationEnglish")->trigger();
  EXPECT_EQ(VportValue("System", "Language"), "english");
  const std::pair<const char*, const char*> english[] = {
      {"tbHangup", "Hungup"},
      {"mConfiguration", "Configurations(&T)"},
      {"mHelpHelp", "Vorel Help(&H)"},
      {"mConfigurationChinese", "Chinese"},
  };
  for (const auto& [name, text] : english) EXPECT_EQ(Text(main, name), text) << name;
  EXPECT_TRUE(Checked(main, "mConfigurationEnglish"));
  EXPECT_TRUE(host.messages.empty());
}

// Qt's own buttons speak the interface language, from the start and after a switch.
TEST_F(UiMainWindow, StandardButtonsFollowTheLanguage) {
  auto yes = [] {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    return box.button(QMessageBox::Yes)->text().toStdString() + "|" +
           box.button(QMessageBox::Cancel)->text().toStdString();
  };
  WriteVport("[System]\r\nLanguage=chinese\r\n");
  MainWindow& main = Main();
  EXPECT_EQ(yes(), "是(&Y)|取消");
  Child<QAction>(main, "mConfigurationEnglish")->trigger();
  EXPECT_EQ(yes(), "&Yes|Cancel");
  Child<QAction>(main, "mConfigurationChinese")->trigger();
  EXPECT_EQ(yes(), "是(&Y)|取消");
  // Dates that Qt writes follow too: no "11 Dec 2026" in the Chinese interface.
  const QDate date(2026, 12, 11);
  EXPECT_EQ(QLocale().toString(date, QLocale::ShortFormat),
            QLocale(QLocale::Chinese, QLocale::China).toString(date, QLocale::ShortFormat));
  EXPECT_FALSE(QLocale().toString(date, QLocale::LongFormat).contains("Dec"));
  Child<QAction>(main, "mConfigurationEnglish")->trigger();
  EXPECT_EQ(QLocale(), QLocale::system());
}

TEST_F(UiMainWindow, UnwritableSettingsFileKeepsTheLanguage) {
  WriteVport("[System]\r\nLanguage=english\r\n");
  MainWindow& main = Main();
  // A folder where the file should be: the save fails whoever runs the test.
  std::filesystem::remove(Vport());
  std::filesystem::create_directory(Vport());
  Child<QAction>(main, "mConfigurationChinese")->trigger();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("Unable to write to"), std::string::npos);
  EXPECT_NE(host.messages[0].find(Vport().string()), std::string::npos);
  EXPECT_EQ(LanguageSetting(), "english");
  EXPECT_TRUE(Checked(main, "mConfigurationEnglish"));
  EXPECT_FALSE(Checked(main, "mConfigurationChinese"));
  std::filesystem::remove(Vport());
}

TEST_F(UiMainWindow, AboutShowsTheVersionModally) {
  MainWindow& main = Main();
  bool seen = false;
  scripts.push_back([&](QDialog& d) {
    seen = dynamic_cast<AboutDialog*>(&d) != nullptr &&
           Child<QLabel>(d, "Version")->text() == kVersionText;
    d.accept();
  });
  Child<QAction>(main, "mHelpAbout")->trigger();
  EXPECT_TRUE(seen);
}

TEST_F(UiMainWindow, PowerUpLogCoversThePictureAndAppends) {
  MainWindow& main = Main();
  main.ShowPowerUpLog(true);
  main.AppendPowerUpLine("Communication Address 1");
  main.AppendPowerUpText(".");
  main.AppendPowerUpText(".");
  EXPECT_TRUE(main.PowerUpLogShown());
  EXPECT_EQ(main.PowerUpLog()->toPlainText(), "Communication Address 1..");
  EXPECT_TRUE(main.PowerUpLog()->font().bold());
  EXPECT_EQ(main.PowerUpLog()->palette().color(QPalette::Text), QColor(Qt::white));
}

}  // namespace
}  // namespace vorel::test
