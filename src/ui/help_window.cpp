#include "ui/help_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr const char* kContentsPage = "index.md";

QPointer<HelpWindow>& SharedWindow() {
  static QPointer<HelpWindow> window;
  return window;
}

QStringList& SharedFolders() {
  static QStringList folders;
  return folders;
}

QString Pick(std::string_view english, std::string_view chinese) {
  return Q(PickText(english, chinese));
}

// The language folder of the guide that the language setting picks.
QString LanguageFolder() {
  return IsEnglish() ? "en" : "zh";
}

}  // namespace

QStringList DefaultGuideFolders() {
  QStringList folders;
  const QDir bin(QCoreApplication::applicationDirPath());
  folders << QDir::cleanPath(bin.filePath("../share/vorel/guide"));
#ifdef VOREL_SOURCE_GUIDE_DIR
  folders << QDir::cleanPath(QStringLiteral(VOREL_SOURCE_GUIDE_DIR));
#endif
  return folders;
}

QString FindGuideFolder(const QStringList& folders) {
  for (const QString& folder : folders)
    if (QFileInfo(QDir(folder).filePath(QString("en/") + kContentsPage)).isFile()) return folder;
  return {};
}

HelpWindow::HelpWindow(QStringList folders, QWidget* parent)
    : QMainWindow(parent), folders_(std::move(folders)) {
  setObjectName("fmHelp");
  guide_ = FindGuideFolder(folders_);

  browser_ = new QTextBrowser(this);
  browser_->setObjectName("tbrGuide");
  browser_->setOpenExternalLinks(true);
  setCentralWidget(browser_);

  QToolBar* bar = addToolBar("Help");
  bar->setObjectName("tlbHelp");
  bar->setMovable(false);
  backAction_ = bar->addAction(QString(), browser_, &QTextBrowser::backward);
  backAction_->setObjectName("actBack");
  backAction_->setShortcut(QKeySequence::Back);
  backAction_->setEnabled(false);
  forwardAction_ = bar->addAction(QString(), browser_, &QTextBrowser::forward);
  forwardAction_->setObjectName("actForward");
  forwardAction_->setShortcut(QKeySequence::Forward);
  forwardAction_->setEnabled(false);
  homeAction_ = bar->addAction(QString(), this, [this] { ShowPage(kContentsPage); });
  homeAction_->setObjectName("actContents");
  bar->addSeparator();
  findLabel_ = new QLabel(bar);
  bar->addWidget(findLabel_);
  findEdit_ = new QLineEdit(bar);
  findEdit_->setObjectName("edFind");
  findEdit_->setClearButtonEnabled(true);
  findEdit_->setMaximumWidth(220);
  bar->addWidget(findEdit_);
  findNextAction_ = bar->addAction(QString(), this, [this] { Find(false); });
  findNextAction_->setObjectName("actFindNext");
  findNextAction_->setShortcut(QKeySequence::FindNext);
  findPreviousAction_ = bar->addAction(QString(), this, [this] { Find(true); });
  findPreviousAction_->setObjectName("actFindPrevious");
  findPreviousAction_->setShortcut(QKeySequence::FindPrevious);
  auto* focusFind = new QAction(this);
  focusFind->setShortcut(QKeySequence::Find);
  connect(focusFind, &QAction::triggered, this, [this] {
    findEdit_->setFocus();
    findEdit_->selectAll();
  });
  addAction(focusFind);
  connect(findEdit_, &QLineEdit::returnPressed, this, [this] { Find(false); });
  connect(browser_, &QTextBrowser::backwardAvailable, backAction_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forwardAction_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    setWindowTitle(Pick("Vorel Help", "帮助") + " - " + browser_->documentTitle());
  });
  resize(760, 600);
  Relabel();
}

void HelpWindow::Relabel() {
  backAction_->setText(Pick("Back", "后退"));
  forwardAction_->setText(Pick("Forward", "前进"));
  homeAction_->setText(Pick("Contents", "目录"));
  findLabel_->setText(Pick("Find: ", "查找："));
  findNextAction_->setText(Pick("Next", "下一个"));
  findPreviousAction_->setText(Pick("Previous", "上一个"));
  setWindowTitle(Pick("Vorel Help", "帮助"));
}

void HelpWindow::ShowPage(std::string_view page) {
  Relabel();
  if (guide_.isEmpty()) {
    QString looked;
    for (const QString& folder : folders_) looked += "<li>" + folder.toHtmlEscaped() + "</li>";
    browser_->clearHistory();
    browser_->setHtml(
        "<h2>" + Pick("The user guide was not found", "未找到用户指南") + "</h2><p>" +
        Pick("The guide is installed with the program in share/vorel/guide beside its bin "
             "folder. It was looked for in:",
             "用户指南随程序安装在 bin 目录旁的 share/vorel/guide 中。已查找以下位置：") +
        "</p><ul>" + looked + "</ul><p>" +
        Pick("Reinstall the program, or copy the docs/guide folder of the source to one of "
             "these places.",
             "请重新安装程序，或把源代码中的 docs/guide 目录复制到上述位置之一。") +
        "</p>");
  } else {
    const QString path = QDir(guide_).filePath(LanguageFolder() + "/" + Q(page));
    browser_->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
  }
  show();
  raise();
  activateWindow();
}

void HelpWindow::FollowLanguage() {
  if (!isVisible()) return;
  const QString page = CurrentPage();
  ShowPage((page.isEmpty() ? QString(kContentsPage) : page).toStdString());
}

QString HelpWindow::CurrentPage() const {
  const QUrl source = browser_->source();
  return source.isEmpty() ? QString() : source.fileName();
}

void HelpWindow::Find(bool backward) {
  const QString text = findEdit_->text();
  if (text.isEmpty()) return;
  QTextDocument::FindFlags flags;
  if (backward) flags |= QTextDocument::FindBackward;
  if (browser_->find(text, flags)) return;
  // Not found after the cursor: start again from the other end of the page.
  QTextCursor cursor = browser_->textCursor();
  cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  browser_->setTextCursor(cursor);
  browser_->find(text, flags);
}

HelpWindow& HelpWindow::Shared() {
  QPointer<HelpWindow>& window = SharedWindow();
  if (!window) {
    window = new HelpWindow(SharedFolders().isEmpty() ? DefaultGuideFolders() : SharedFolders());
    window->setAttribute(Qt::WA_QuitOnClose, false);
    // A window without a parent goes with the application, before its widgets do.
    static bool cleanupAdded = false;
    if (!cleanupAdded) {
      qAddPostRoutine([] { delete SharedWindow().data(); });
      cleanupAdded = true;
    }
  }
  return *window;
}

HelpWindow* HelpWindow::SharedIfMade() {
  return SharedWindow().data();
}

void HelpWindow::SetSharedFolders(QStringList folders) {
  SharedFolders() = std::move(folders);
  delete SharedWindow().data();
}

void ShowHelpPage(std::string_view page) {
  HelpWindow::Shared().ShowPage(page);
}

}  // namespace vorel
