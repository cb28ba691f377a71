// The window "Parameter windows" that holds the sites' parameter windows as tabs, one tab per
// site in site order, so that 32 open sites draw into one window instead of 32. The session
// still owns every parameter window; this window only shows them. A tab keeps the caption of
// its window; closing a tab closes that window (to the session, as its own close would), and
// the window hides itself when its last tab goes.
#pragma once

#include <QWidget>
#include <functional>

class QTabWidget;

namespace vorel {

class SiteWindowTabs : public QWidget {
  Q_OBJECT
 public:
  explicit SiteWindowTabs(QWidget* parent = nullptr);
  ~SiteWindowTabs() override;

  // Takes a site's window into a tab placed in site order (a window already held stays).
  void Adopt(QWidget* window, int site);
  // Gives a held window back as a top-level window of its own, shown where it was shown.
  void Release(QWidget* window);
  bool Holds(const QWidget* window) const;
  int TabCount() const;
  // The held window of a tab (0 is the leftmost); nullptr when out of range.
  QWidget* WindowAt(int tab) const;
  QTabWidget* Tabs() const { return tabs_; }
  // The text of a window's tab (its caption when not set); asked again when the caption or
  // the language changes.
  std::function<QString(const QWidget* window, int site)> tabLabel;
  // Tab texts and the title in the current language.
  void Relabel();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void RemoveTabOf(QWidget* window);
  void LabelTab(int tab);
  void FollowCurrentTab();

  QTabWidget* tabs_ = nullptr;
};

// Brings a site's window in front of the user: a top-level window is shown, raised and
// activated; a window held as a tab is made the current tab of its shown, raised window.
void BringSiteWindowForward(QWidget* window);
// The window a message box about the site is shown over: a held window's tab is made current
// first, so that the box stands over the site it speaks of.
QWidget* SiteWindowForMessage(QWidget* window);

}  // namespace vorel
