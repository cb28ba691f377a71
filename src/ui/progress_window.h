// The progress window of long transfers: one bar from 0 to 100, shown without blocking in a
// borderless window that stays on top and live while the other windows are disabled.
#pragma once

#include <QDialog>

class QProgressBar;

namespace vorel {

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* parent = nullptr);
  void SetPercent(int percent);
  int Percent() const;

 private:
  QProgressBar* pbStatus_;
};

}  // namespace vorel
