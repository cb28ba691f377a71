#include "ui/progress_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent),
      lbStatus_(new QLabel(this)),
      pbStatus_(new QProgressBar(this)),
      cancelButton_(new QPushButton(this)) {
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
  lbStatus_->setObjectName("lbStatusText");
  lbStatus_->setVisible(false);
  cancelButton_->setObjectName("btnStatusCancel");
  connect(cancelButton_, &QPushButton::clicked, this, [this] {
    cancelled_ = true;
    cancelButton_->setEnabled(false);
    lbStatus_->setText(
        Q(PickText("Stopping after the request under way...", "当前请求结束后停止...")));
    lbStatus_->setVisible(true);
  });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lbStatus_);
  auto* row = new QHBoxLayout;
  row->addWidget(pbStatus_, 1);
  row->addWidget(cancelButton_);
  layout->addLayout(row);
  Restart();
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressWindow::SetPercent(int percent) {
  pbStatus_->setValue(std::clamp(percent, 0, 100));
}

int ProgressWindow::Percent() const {
  return pbStatus_->value();
}

void ProgressWindow::SetText(const QString& text) {
  if (cancelled_) return;  // keeps saying that it stops
  lbStatus_->setText(text);
  lbStatus_->setVisible(!text.isEmpty());
}

QString ProgressWindow::Text() const {
  return lbStatus_->text();
}

void ProgressWindow::Restart() {
  cancelled_ = false;
  lbStatus_->clear();
  lbStatus_->setVisible(false);
  cancelButton_->setText(Q(PickText("Cancel", "取消")));
  cancelButton_->setEnabled(true);
  // A window of its own: live while its parent, the main window, is disabled.
  setEnabled(true);
}

}  // namespace vorel
