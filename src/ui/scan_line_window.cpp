#include "ui/scan_line_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <span>
#include <string>

#include "control/connect_sequence.h"
#include "core/language.h"
#include "ui/center_on_screen.h"
#include "ui/qt_text.h"

namespace vorel {

ScanLineWindow::ScanLineWindow(Host& host, EventPump& pump, PortFactory makePort, QWidget* parent)
    : QDialog(parent),
      host_(host),
      pump_(pump),
      makePort_(std::move(makePort)),
      everySpeedCheck_(new QCheckBox(this)),
      statusLabel_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      resultGrid_(new QTableWidget(0, 3, this)),
      startButton_(new QPushButton(this)),
      stopButton_(new QPushButton(this)),
      useButton_(new QPushButton(this)),
      closeButton_(new QPushButton(this)) {
  setObjectName("fmScanLine");
  everySpeedCheck_->setObjectName("cbScanEverySpeed");
  statusLabel_->setObjectName("lbScanStatus");
  progress_->setObjectName("pbScan");
  resultGrid_->setObjectName("sgScanResult");
  startButton_->setObjectName("btnScanStart");
  stopButton_->setObjectName("btnScanStop");
  useButton_->setObjectName("btnScanUse");
  closeButton_->setObjectName("btnScanClose");

  resultGrid_->verticalHeader()->hide();
  resultGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  resultGrid_->setSelectionMode(QAbstractItemView::NoSelection);
  resultGrid_->horizontalHeader()->setStretchLastSection(true);
  resultGrid_->setMinimumSize(320, 200);
  progress_->setRange(0, 100);
  progress_->setValue(0);

  connect(startButton_, &QPushButton::clicked, this, [this] { Start(); });
  connect(stopButton_, &QPushButton::clicked, this, [this] { Stop(); });
  connect(useButton_, &QPushButton::clicked, this, [this] { UseAddresses(); });
  connect(closeButton_, &QPushButton::clicked, this, [this] { reject(); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(startButton_);
  buttons->addWidget(stopButton_);
  buttons->addStretch();
  buttons->addWidget(useButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(everySpeedCheck_);
  layout->addWidget(progress_);
  layout->addWidget(statusLabel_);
  layout->addWidget(resultGrid_);
  layout->addLayout(buttons);
  Relabel();
  UpdateButtons();
}

int ScanLineWindow::FoundSpeed() const {
  int best = 0;
  std::size_t bestCount = 0;
  for (const ScanHit& hit : found_) {  // hits come in scan order
    const auto count = static_cast<std::size_t>(std::count_if(
        found_.begin(), found_.end(), [&](const ScanHit& h) { return h.baud == hit.baud; }));
    if (count > bestCount) {
      best = hit.baud;
      bestCount = count;
    }
  }
  return best;
}

std::array<bool, kSiteCount> ScanLineWindow::FoundSites() const {
  const int baud = FoundSpeed();
  std::array<bool, kSiteCount> sites{};
  for (const ScanHit& hit : found_)
    if (hit.baud == baud) sites[static_cast<std::size_t>(hit.site - 1)] = true;
  return sites;
}

void ScanLineWindow::SetEverySpeed(bool on) {
  everySpeedCheck_->setChecked(on);
}

void ScanLineWindow::UseAddresses() {
  const int baud = FoundSpeed();
  const std::array<bool, kSiteCount> sites = FoundSites();
  const auto taken = static_cast<std::size_t>(std::count(sites.begin(), sites.end(), true));
  if (taken < found_.size()) {
    host_.ShowMessage(std::string(PickText("Controllers answered at more than one speed, and the "
                                           "line runs at one. Taking the ",
                                           "控制器以不同的波特率应答，而线路只能用一种。采用")) +
                      std::to_string(taken) + std::string(PickText(" found at ", " 个在 ")) +
                      std::to_string(baud) +
                      std::string(PickText(" baud.", " 波特率下找到的地址。")));
  }
  if (onUseAddresses) onUseAddresses(sites, baud);
}

void ScanLineWindow::Start() {
  if (running_) return;
  running_ = true;
  stopRequested_ = false;
  found_.clear();
  resultGrid_->setRowCount(0);
  progress_->setValue(0);
  UpdateButtons();

  const bool everySpeed = everySpeedCheck_->isChecked();
  const std::array<int, 1> configured{settings_.baud};
  const std::span<const int> speeds =
      everySpeed ? std::span<const int>(kScanSpeeds) : std::span<const int>(configured);
  const int total = static_cast<int>(speeds.size()) * kSiteCount;
  int done = 0;

  std::unique_ptr<SerialPort> port = makePort_ ? makePort_() : nullptr;
  bool ok = false;
  std::string error;
  if (port) {
    LineScanner scanner(*port, host_, pump_);
    scanner.onProbe = [&](int baud, int site) {
      progress_->setValue(100 * done++ / total);
      statusLabel_->setText(
          Q(std::string(PickText("Scanning", "正在扫描")) + " " + std::to_string(baud) + " baud, " +
            std::string(PickText("address", "地址")) + " " + std::to_string(site)));
      pump_.Pump(0);  // the Stop button
      return !stopRequested_;
    };
    scanner.onFound = [&](const ScanHit& hit) {
      found_.push_back(hit);
      const int row = resultGrid_->rowCount();
      resultGrid_->insertRow(row);
      resultGrid_->setItem(row, 0, new QTableWidgetItem(QString::number(hit.baud)));
      resultGrid_->setItem(row, 1, new QTableWidgetItem(QString::number(hit.site)));
      resultGrid_->setItem(row, 2, new QTableWidgetItem(QString::number(hit.productCode)));
    };
    // Event-driven collection: the per-address timeouts are shorter than a paced step.
    ok = scanner.Run(settings_, speeds, 0, true, &error);
  }
  running_ = false;
  if (ok) progress_->setValue(100);
  if (!ok && !stopRequested_) {
    host_.ShowMessage(PortErrorText(settings_.name));
  }
  if (stopRequested_) {
    statusLabel_->setText(Q(PickText("Scan stopped", "扫描已停止")));
  } else if (ok) {
    statusLabel_->setText(Q(std::string(PickText("Addresses found: ", "找到的地址: ")) +
                            std::to_string(found_.size())));
  }
  UpdateButtons();
}

void ScanLineWindow::UpdateButtons() {
  startButton_->setEnabled(!running_);
  stopButton_->setEnabled(running_);
  everySpeedCheck_->setEnabled(!running_);
  useButton_->setEnabled(!running_ && !found_.empty());
  closeButton_->setEnabled(!running_);
}

void ScanLineWindow::reject() {
  if (running_) {
    Stop();  // closing while the scan runs stops it first
    return;
  }
  QDialog::reject();
}

void ScanLineWindow::Relabel() {
  setWindowTitle(Q(PickText("Scan line", "扫描线路")));
  everySpeedCheck_->setText(
      Q(PickText("Every speed (9600, 19200, 38400, 4800, 2400, 57600, 115200)",
                 "所有波特率 (9600, 19200, 38400, 4800, 2400, 57600, 115200)")));
  resultGrid_->setHorizontalHeaderLabels({Q(PickText("Baud", "波特率")),
                                          Q(PickText("Address", "地址")),
                                          Q(PickText("Product code", "产品代码"))});
  startButton_->setText(Q(PickText("Start", "开始")));
  stopButton_->setText(Q(PickText("Stop", "停止")));
  useButton_->setText(Q(PickText("Use these addresses", "采用这些地址")));
  closeButton_->setText(Q(PickText("Close", "关闭")));
}

void ScanLineWindow::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    Relabel();
    CenterOnScreen(*this);
  }
  QDialog::showEvent(event);
}

}  // namespace vorel
