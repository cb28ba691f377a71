#include "ui/site_window_tabs.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"
#include "ui/window_placement.h"

namespace vorel {
namespace {

// The site number a held window was adopted with.
constexpr const char* kSiteProperty = "vorelSite";

SiteWindowTabs* HolderOf(const QWidget* window) {
  for (QWidget* w = window ? window->parentWidget() : nullptr; w; w = w->parentWidget()) {
    if (auto* holder = qobject_cast<SiteWindowTabs*>(w)) return holder;
  }
  return nullptr;
}

}  // namespace

SiteWindowTabs::SiteWindowTabs(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("fmSiteWindows");
  // Closing this window closes its site windows; it never ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("pcSiteWindows");
  tabs_->setTabsClosable(true);
  tabs_->setDocumentMode(true);
  tabs_->setUsesScrollButtons(true);
  tabs_->setElideMode(Qt::ElideNone);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
  connect(tabs_, &QTabWidget::tabCloseRequested, this, [this](int tab) {
    if (QWidget* window = WindowAt(tab)) window->close();
  });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { FollowCurrentTab(); });
  Relabel();
}

SiteWindowTabs::~SiteWindowTabs() = default;

void SiteWindowTabs::Adopt(QWidget* window, int site) {
  if (!window || Holds(window)) return;
  window->setProperty(kSiteProperty, site);
  int index = 0;
  while (index < tabs_->count() && WindowAt(index)->property(kSiteProperty).toInt() <= site)
    ++index;
  tabs_->insertTab(index, window, QString());
  LabelTab(index);
  connect(window, &QWidget::windowTitleChanged, this, [this, window] {
    const int tab = tabs_->indexOf(window);
    if (tab < 0) return;
    LabelTab(tab);
    if (tab == tabs_->currentIndex()) FollowCurrentTab();
  });
  // A window that goes (the session destroys it) takes its tab along; the last one hides this.
  connect(window, &QObject::destroyed, this, [this] {
    QTimer::singleShot(0, this, [this] {
      if (tabs_->count() == 0) hide();
    });
  });
  window->installEventFilter(this);
  FollowCurrentTab();
}

void SiteWindowTabs::Release(QWidget* window) {
  if (!Holds(window)) return;
  const QSize size = window->size();
  RemoveTabOf(window);
  window->removeEventFilter(this);
  disconnect(window, nullptr, this, nullptr);
  window->setParent(nullptr);
  window->resize(size);
  PlaceOnMainScreen(*window);
  window->show();
}

bool SiteWindowTabs::Holds(const QWidget* window) const {
  return window && tabs_->indexOf(const_cast<QWidget*>(window)) >= 0;
}

int SiteWindowTabs::TabCount() const {
  return tabs_->count();
}

QWidget* SiteWindowTabs::WindowAt(int tab) const {
  return tabs_->widget(tab);
}

void SiteWindowTabs::Relabel() {
  for (int tab = 0; tab < tabs_->count(); ++tab) LabelTab(tab);
  FollowCurrentTab();
}

void SiteWindowTabs::LabelTab(int tab) {
  const QWidget* window = WindowAt(tab);
  if (!window) return;
  const int site = window->property(kSiteProperty).toInt();
  tabs_->setTabText(tab, tabLabel ? tabLabel(window, site) : window->windowTitle());
  tabs_->setTabToolTip(tab, window->windowTitle());
}

bool SiteWindowTabs::eventFilter(QObject* watched, QEvent* event) {
  // A held window that is closed (its own Exit, its tab's close button, this window's close)
  // leaves at once; the session frees its slot afterwards, later still during an exchange.
  if (event->type() == QEvent::Close) {
    QPointer<QWidget> window = qobject_cast<QWidget*>(watched);
    QTimer::singleShot(0, this, [this, window] {
      if (window && Holds(window) && window->isHidden()) {
        RemoveTabOf(window);
        window->removeEventFilter(this);
        disconnect(window, nullptr, this, nullptr);
        window->setParent(nullptr);  // hidden until the session destroys it
      }
    });
  }
  return QWidget::eventFilter(watched, event);
}

void SiteWindowTabs::closeEvent(QCloseEvent* event) {
  // Closing the holder closes every site window in it, as closing each of them would.
  std::vector<QPointer<QWidget>> windows;
  for (int tab = 0; tab < tabs_->count(); ++tab) windows.emplace_back(WindowAt(tab));
  // A window that keeps itself open (changed values not discarded) keeps the holder open.
  bool refused = false;
  for (const QPointer<QWidget>& window : windows)
    if (window && !window->close()) refused = true;
  if (refused) {
    event->ignore();
    return;
  }
  event->accept();
}

void SiteWindowTabs::RemoveTabOf(QWidget* window) {
  const int tab = tabs_->indexOf(window);
  if (tab >= 0) tabs_->removeTab(tab);
  if (tabs_->count() == 0) hide();
  FollowCurrentTab();
}

void SiteWindowTabs::FollowCurrentTab() {
  // The title is the current site window's, as that window's own would be.
  QWidget* current = tabs_->currentWidget();
  setWindowTitle(current ? current->windowTitle() : Q(PickText("Parameter windows", "参数窗口")));
}

void BringSiteWindowForward(QWidget* window) {
  if (!window) return;
  if (SiteWindowTabs* holder = HolderOf(window)) {
    holder->Tabs()->setCurrentWidget(window);
    if (holder->isMinimized()) holder->showNormal();
    if (!holder->isVisible()) PlaceOnMainScreen(*holder);
    holder->show();
    holder->raise();
    holder->activateWindow();
    return;
  }
  if (!window->isVisible()) PlaceOnMainScreen(*window);
  window->show();
  window->raise();
  window->activateWindow();
}

QWidget* SiteWindowForMessage(QWidget* window) {
  if (SiteWindowTabs* holder = HolderOf(window)) {
    if (holder->isVisible()) holder->Tabs()->setCurrentWidget(window);
  }
  return window;
}

}  // namespace vorel
