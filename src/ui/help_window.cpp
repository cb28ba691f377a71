#include "ui/help_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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

// The heading of a guide page: its first line without the "# "; empty when it has none.
QString PageHeading(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString first = QString::fromUtf8(file.readLine(4096)).trimmed();
  return first.startsWith("# ") ? first.mid(2).trimmed() : QString();
}

// The pages of a language folder: those the contents page links to in its order, then any
// other page by name.
QStringList GuidePages(const QDir& folder) {
  QStringList pages{kContentsPage};
  QFile contents(folder.filePath(kContentsPage));
  if (contents.open(QIODevice::ReadOnly)) {
    const QString text = QString::fromUtf8(contents.readAll());
    qsizetype at = 0;
    while ((at = text.indexOf("](", at)) >= 0) {
      const qsizetype end = text.indexOf(')', at);
      if (end < 0) break;
      const QString target = text.mid(at + 2, end - at - 2);
      at = end;
      if (target.endsWith(".md") && !target.contains('/') && !pages.contains(target))
        pages << target;
    }
  }
  for (const QString& page : folder.entryList({"*.md"}, QDir::Files, QDir::Name))
    if (!pages.contains(page)) pages << page;
  return pages;
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
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
    ShowTitle(url);
    // A page opened from the list of found pages shows its first match.
    if (!searched_.isEmpty()) {
      browser_->moveCursor(QTextCursor::Start);
      browser_->find(searched_);
    }
  });
  auto* closeAction = new QAction(this);
  closeAction->setObjectName("actClose");
  closeAction->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
  closeAction->setShortcutContext(Qt::WindowShortcut);
  connect(closeAction, &QAction::triggered, this, &QWidget::close);
  addAction(closeAction);

  foundList_ = new QListWidget(this);
  foundList_->setObjectName("lstFoundPages");
  auto* dock = new QDockWidget(this);
  dock->setObjectName("dckFoundPages");
  dock->setFeatures(QDockWidget::DockWidgetClosable);
  dock->setWidget(foundList_);
  addDockWidget(Qt::LeftDockWidgetArea, dock);
  dock->hide();
  connect(foundList_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const QString page = item->data(Qt::UserRole).toString();
    if (!page.isEmpty()) ShowPage(page.toStdString());  // not the "no page" line
  });
  connect(foundList_, &QListWidget::itemClicked, foundList_, &QListWidget::itemActivated);
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
  if (auto* dock = findChild<QDockWidget*>("dckFoundPages"))
    dock->setWindowTitle(Pick("Pages found", "找到的页面"));
  ShowTitle(browser_->source());
}

void HelpWindow::ShowTitle(const QUrl& url) {
  const QString name = Pick("Vorel Help", "帮助");
  // A link followed inside the guide is relative to the page it was on.
  const QUrl source = url.isRelative() ? browser_->source().resolved(url) : url;
  const QString heading = source.isLocalFile() ? PageHeading(source.toLocalFile()) : QString();
  setWindowTitle(heading.isEmpty() ? name : name + " - " + heading);
}

QStringList HelpWindow::SearchGuide(const QString& text) {
  QStringList found;
  foundList_->clear();
  searched_ = text;
  searchedFolder_ = LanguageFolder();
  if (guide_.isEmpty() || text.isEmpty()) return found;
  const QDir folder(QDir(guide_).filePath(LanguageFolder()));
  for (const QString& page : GuidePages(folder)) {
    QFile file(folder.filePath(page));
    if (!file.open(QIODevice::ReadOnly)) continue;
    if (!QString::fromUtf8(file.readAll()).contains(text, Qt::CaseInsensitive)) continue;
    found << page;
    const QString heading = PageHeading(folder.filePath(page));
    auto* item = new QListWidgetItem(heading.isEmpty() ? page : heading, foundList_);
    item->setData(Qt::UserRole, page);
  }
  if (found.isEmpty())
    new QListWidgetItem(Pick("No page holds this text.", "没有页面含有此文字。"), foundList_);
  if (auto* dock = findChild<QDockWidget*>("dckFoundPages")) dock->show();
  return found;
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
  if (!searched_.isEmpty()) SearchGuide(searched_);  // the pages of the other language
  ShowPage((page.isEmpty() ? QString(kContentsPage) : page).toStdString());
}

QString HelpWindow::CurrentPage() const {
  const QUrl source = browser_->source();
  return source.isEmpty() ? QString() : source.fileName();
}

void HelpWindow::Find(bool backward) {
  const QString text = findEdit_->text();
  if (text.isEmpty()) return;
  // A new text is looked for in every page of the guide first.
  if (text != searched_ || searchedFolder_ != LanguageFolder()) SearchGuide(text);
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
