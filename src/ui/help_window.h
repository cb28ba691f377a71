// The help window: the user guide's Markdown pages in a text browser with back, forward,
// contents and find (the pages of the whole guide that hold the text are listed beside the
// page; Next and Previous move through the page shown). Escape and Ctrl+W close it. One window
// serves the whole program; the main window's Help entry opens its contents and a parameter
// window's Help button the page of its tab. Pages come from the guide folder of the current
// language ("en" or "zh").
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <string_view>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;
class QUrl;

namespace vorel {

// The guide folders looked at, in order: the installed place next to the executable
// (<prefix>/bin/vorel -> <prefix>/share/vorel/guide), then the source tree of this build.
QStringList DefaultGuideFolders();

// The first folder holding a contents page (en/index.md), or empty.
QString FindGuideFolder(const QStringList& folders);

class HelpWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HelpWindow(QStringList folders, QWidget* parent = nullptr);

  // Shows the window at a page of the guide ("index.md", "monitor.md") in the current
  // language; when the guide is missing, a message naming the folders looked at instead.
  void ShowPage(std::string_view page);
  // An open window shows its page again in the language now set.
  void FollowLanguage();
  // The file name of the page shown ("monitor.md"), empty when none is.
  QString CurrentPage() const;
  // The folder the guide was found in, empty when it was not.
  const QString& GuideFolder() const { return guide_; }
  QTextBrowser* Browser() const { return browser_; }
  // The pages of the guide in the current language that hold `text` (letter case ignored),
  // as file names in the order of the contents; the list beside the page shows their headings.
  QStringList SearchGuide(const QString& text);
  QListWidget* FoundPages() const { return foundList_; }

  // The window the program shares, made on first use with DefaultGuideFolders().
  static HelpWindow& Shared();
  // The shared window if it was made.
  static HelpWindow* SharedIfMade();
  // Makes the shared window look in these folders from now on (tests).
  static void SetSharedFolders(QStringList folders);

 private:
  void Relabel();
  void Find(bool backward);
  // The window's title: the guide's name and the heading of the page shown.
  void ShowTitle(const QUrl& source);

  QStringList folders_;
  QString guide_;
  QTextBrowser* browser_ = nullptr;
  QAction* backAction_ = nullptr;
  QAction* forwardAction_ = nullptr;
  QAction* homeAction_ = nullptr;
  QAction* findNextAction_ = nullptr;
  QAction* findPreviousAction_ = nullptr;
  QLabel* findLabel_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
  QListWidget* foundList_ = nullptr;
  QString searched_;
  QString searchedFolder_;  // the language folder of that search
};

// Opens the shared help window at a page of the guide.
void ShowHelpPage(std::string_view page);

}  // namespace vorel
