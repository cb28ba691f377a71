// TEMPORARY: a plain window per connected site until the parameter window (TfmParameterClass)
// takes its place. It shows the caption, the status panels, the controller clock and the
// protection state, and offers Read, Write, the two password fields and the clock pickers, so
// that a connection can be used end to end.
#pragma once

#include <QWidget>

#include "control/site_window.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTimeEdit;
class QToolButton;

namespace vorel {

class SitePlaceholderWindow : public QWidget, public SiteWindow {
  Q_OBJECT
 public:
  SitePlaceholderWindow(int site, SiteCommands& commands);

  void SetUpWindow() override {}
  void LoadAllPages() override {}
  void StoreAllPages() override;
  void SetCaption(const std::string& caption) override;
  void SetStatusPanel(int panel, const std::string& text) override;
  void SetPageVisibility(bool, bool) override {}
  void SetWindowEnabled(bool enabled) override { setEnabled(enabled); }
  void ShowWindow() override;
  void ShowControllerClock(std::optional<QDate> date, std::optional<QTime> time) override;
  void ShowProtectionState(bool unlocked) override;
  void RefreshMonitor() override {}
  bool DateChanged() const override { return dateChanged_; }
  bool TimeChanged() const override { return timeChanged_; }
  void ClearDateChanged() override { dateChanged_ = false; }
  void ClearTimeChanged() override { timeChanged_ = false; }
  bool SerialNumberEditable() const override { return false; }
  std::string UnlockPasswordText() const override;
  std::string NewPasswordText() const override;
  void RefillEventLog() override {}

  // The value image the store pass writes the clock into.
  std::function<void(std::uint16_t address, std::uint16_t word)> storeWord;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  int site_;
  SiteCommands& commands_;
  QLabel* lbTime_;
  QToolButton* tbUnlock_;
  QLineEdit* medPSWUnlock_;
  QLineEdit* medPSWChange_;
  QDateEdit* dtpDate_;
  QTimeEdit* dtpTime_;
  QLabel* panels_[4];
  bool dateChanged_ = false;
  bool timeChanged_ = false;
  bool settingClock_ = false;
};

}  // namespace vorel
