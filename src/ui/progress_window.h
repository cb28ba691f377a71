// The progress window of long transfers: what is being done, one bar from 0 to 100 and Cancel,
// shown without blocking in a borderless window that stays on top and live while the other
// windows are disabled. Cancel asks the transfer to stop after the request under way.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vorel {

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* parent = nullptr);
  void SetPercent(int percent);
  int Percent() const;
  // The line above the bar (empty: no line).
  void SetText(const QString& text);
  QString Text() const;
  // A new transfer: no text, Cancel not pressed, the captions in the current language.
  void Restart();
  bool Cancelled() const { return cancelled_; }

 private:
  QLabel* lbStatus_;
  QProgressBar* pbStatus_;
  QPushButton* cancelButton_;
  bool cancelled_ = false;
};

}  // namespace vorel
