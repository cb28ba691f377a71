// The guide names the menus, items and buttons of the real windows: every "**Menu > Item**" of
// either language is an item of that menu of the main window in that language, and every
// button the guide names in bold exists in the window the guide speaks of. A window that
// changes without the guide fails here rather than misleading a reader.
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "parameter_window_fixture.h"
#include "ui/scan_line_window.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

// A caption as the guide writes it: without the "(&C)" accelerator or a lone '&'.
QString Plain(QString text) {
  text.remove(QRegularExpression("\\(&.\\)"));
  text.remove('&');
  return text.trimmed();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every "**A > B**" of the pages of one language; "**A > B / C**" names two items.
std::vector<std::pair<QString, QString>> MenuPaths(const char* folder) {
  std::vector<std::pair<QString, QString>> paths;
  const QRegularExpression bold("\\*\\*([^*]+?) > ([^*]+?)\\*\\*");
  for (const auto& entry : fs::directory_iterator(fs::path(GUIDE_DIR) / folder)) {
    if (entry.path().extension() != ".md") continue;
    const QString text = QString::fromStdString(ReadAll(entry.path()));
    for (auto it = bold.globalMatch(text); it.hasNext();) {
      const auto m = it.next();
      for (const QString& item : m.captured(2).split(" / "))
        paths.emplace_back(m.captured(1).trimmed(), item.trimmed());
    }
  }
  return paths;
}

using GuideNames = UiTest;

TEST_F(GuideNames, EveryMenuPathOfTheGuideIsInTheMainWindow) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    ScriptedHost quiet;
    MainWindow main(quiet, {});
    main.Relabel();
    const auto paths = MenuPaths(IsEnglish() ? "en" : "zh");
    EXPECT_GE(paths.size(), 8u) << language;
    for (const auto& [menuName, itemName] : paths) {
      bool found = false;
      for (QAction* top : main.menuBar()->actions()) {
        if (!top->menu() || Plain(top->text()) != menuName) continue;
        for (QAction* item : top->menu()->actions())
          found = found || Plain(item->text()) == itemName;
      }
      EXPECT_TRUE(found) << language << ": " << menuName.toStdString() << " > "
                         << itemName.toStdString();
    }
  }
}

// What the guide tells the reader to press ("press **Read**", "the **Chart** button",
// "按 **读出**") in either language.
QStringList PressedNames(const char* folder) {
  QStringList names;
  const QRegularExpression pressed(
      "(?:[Pp]ress|[Cc]lick|按|点击|单击) ?\\*\\*([^*]{1,40})\\*\\*|\\*\\*([^*]{1,40})\\*\\* "
      "?(?:button|按钮)");
  const QRegularExpression key("^(F\\d+|Ctrl\\+.|Esc(ape)?)$");
  for (const auto& entry : fs::directory_iterator(fs::path(GUIDE_DIR) / folder)) {
    if (entry.path().extension() != ".md") continue;
    const QString text = QString::fromStdString(ReadAll(entry.path()));
    for (auto it = pressed.globalMatch(text); it.hasNext();) {
      const auto m = it.next();
      const QString name = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
      if (!key.match(name).hasMatch() && !names.contains(name)) names << name;
    }
  }
  return names;
}

// Every caption of the buttons, items and labels of a window and its children.
void Collect(QWidget& window, QSet<QString>& captions) {
  for (QAbstractButton* b : window.findChildren<QAbstractButton*>()) captions << Plain(b->text());
  for (QAction* a : window.findChildren<QAction*>()) captions << Plain(a->text());
  for (QLabel* l : window.findChildren<QLabel*>()) captions << Plain(l->text());
  // A column of buttons is named by its title cell ("Chart").
  for (QTableWidget* t : window.findChildren<QTableWidget*>())
    for (int r = 0; r < t->rowCount(); ++r)
      for (int c = 0; c < t->columnCount(); ++c)
        if (QTableWidgetItem* item = t->item(r, c)) captions << Plain(item->text());
}

using GuideButtons = ParameterWindowTest;

TEST_F(GuideButtons, EveryButtonTheGuideSaysToPressExists) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    QSet<QString> captions;
    ScriptedHost quiet;
    MainWindow main(quiet, {});
    main.Relabel();
    Collect(main, captions);
    for (QWidget* dialog :
         std::initializer_list<QWidget*>{&main.Properties(), &main.ScanLine(), &main.SiteAddr()}) {
      dialog->show();
      Collect(*dialog, captions);
      dialog->hide();
    }
    ParameterWindow& window = Open();
    window.Monitor();
    window.EventLog();
    window.ApplyWindowTexts();
    Collect(window, captions);
    const QStringList names = PressedNames(IsEnglish() ? "en" : "zh");
    EXPECT_GE(names.size(), 8) << language;
    for (const QString& name : names)
      EXPECT_TRUE(captions.contains(name)) << language << ": **" << name.toStdString() << "**";
  }
}

}  // namespace
}  // namespace vorel::test
