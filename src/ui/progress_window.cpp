#include "ui/progress_window.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace vorel {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent), pbStatus_(new QProgressBar(this)) {
  setObjectName("fmStatus");
  setWindowTitle("Parvex");
  setModal(false);
  // Borderless and above every other window, so that it cannot fall behind the windows it
  // reports on.
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  pbStatus_->setObjectName("pbStatus");
  pbStatus_->setRange(0, 100);
  pbStatus_->setValue(0);
  pbStatus_->setMinimumWidth(300);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pbStatus_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressWindow::SetPercent(int percent) {
  pbStatus_->setValue(std::clamp(percent, 0, 100));
}

int ProgressWindow::Percent() const {
  return pbStatus_->value();
}

}  // namespace vorel
