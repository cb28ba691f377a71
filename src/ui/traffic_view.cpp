#include "ui/traffic_view.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "core/language.h"
#include "core/site_images.h"
#include "files/atomic_file.h"
#include "ui/qt_text.h"
#include "ui/traffic_model.h"

namespace vorel {
namespace {

constexpr int kRefreshMs = 250;

// Keeps the rows of one site (0: all).
class SiteFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void SetSite(int site) {
    site_ = site;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex&) const override {
    if (site_ == 0) return true;
    return static_cast<const TrafficModel*>(sourceModel())->Frame(row).site == site_;
  }

 private:
  int site_ = 0;
};

}  // namespace

TrafficView::TrafficView(TrafficLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(log) {
  setObjectName("TrafficView");
  model_ = new TrafficModel(log.Capacity(), this);
  filter_ = new SiteFilter(this);
  filter_->setSourceModel(model_);

  pauseBox_ = new QCheckBox(this);
  pauseBox_->setObjectName("cbPause");
  clearButton_ = new QPushButton(this);
  clearButton_->setObjectName("bbClear");
  saveButton_ = new QPushButton(this);
  saveButton_->setObjectName("bbSave");
  siteLabel_ = new QLabel(this);
  siteBox_ = new QComboBox(this);
  siteBox_->setObjectName("cbSite");
  // "All" or "全部" is set later: the box grows to whichever it shows.
  siteBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  siteBox_->addItem(QString(), 0);
  for (int site = 1; site <= kSiteCount; ++site) siteBox_->addItem(QString::number(site), site);
  countLabel_ = new QLabel(this);

  table_ = new QTableView(this);
  table_->setObjectName("sgTraffic");
  table_->setModel(filter_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // The bytes come last, as wide as the longest frame (FitBytesColumn), so that the outcome
  // stays in sight and no frame is cut off: the table scrolls sideways instead.
  QHeaderView* header = table_->horizontalHeader();
  header->setStretchLastSection(false);
  // Titles at the left, where a wide column's title stays in sight.
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->moveSection(header->visualIndex(TrafficModel::Outcome),
                      header->visualIndex(TrafficModel::Bytes));
  table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  auto* bar = new QHBoxLayout;
  bar->addWidget(pauseBox_);
  bar->addWidget(clearButton_);
  bar->addWidget(saveButton_);
  bar->addSpacing(12);
  bar->addWidget(siteLabel_);
  bar->addWidget(siteBox_);
  bar->addStretch();
  bar->addWidget(countLabel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(table_);

  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
  connect(pauseBox_, &QCheckBox::toggled, this, [this](bool on) { SetPaused(on); });
  connect(clearButton_, &QPushButton::clicked, this, [this] { Clear(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { Save(); });
  connect(siteBox_, &QComboBox::currentIndexChanged, this,
          [this](int index) { SetSiteFilter(siteBox_->itemData(index).toInt()); });
  resize(900, 420);
  Relabel();
}

void TrafficView::Relabel() {
  setWindowTitle(Q(PickText("Traffic", "通讯监视")));
  pauseBox_->setText(Q(PickText("Pause", "暂停")));
  clearButton_->setText(Q(PickText("Clear", "清除")));
  saveButton_->setText(Q(PickText("Save...", "保存...")));
  siteLabel_->setText(Q(PickText("Site:", "地址:")));
  siteBox_->setItemText(0, Q(PickText("All", "全部")));
  model_->Relabel();
  UpdateCount();
}

void TrafficView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  if (!Paused()) timer_->start();
}

void TrafficView::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

void TrafficView::Refresh() {
  if (Paused()) return;
  const std::uint64_t generation = log_.Generation();
  if (generation != generation_) {
    // The log restarted (a new Connect) or was cleared since the last look: start over.
    generation_ = generation;
    seen_ = 0;
    model_->Clear();
  }
  const std::uint64_t newest = log_.Newest();
  if (newest == seen_) return;
  std::vector<FrameRecord> frames;
  log_.CopySince(seen_, frames);
  seen_ = newest;
  const bool atEnd = table_->verticalScrollBar() == nullptr ||
                     table_->verticalScrollBar()->value() == table_->verticalScrollBar()->maximum();
  model_->Append(frames);
  FitBytesColumn();
  if (atEnd) table_->scrollToBottom();
  UpdateCount();
}

void TrafficView::SetPaused(bool paused) {
  if (pauseBox_->isChecked() != paused) pauseBox_->setChecked(paused);
  if (paused) {
    timer_->stop();
  } else if (isVisible()) {
    Refresh();
    timer_->start();
  }
}

bool TrafficView::Paused() const {
  return pauseBox_->isChecked();
}

void TrafficView::Clear() {
  log_.Clear();
  generation_ = log_.Generation();
  seen_ = log_.Newest();
  model_->Clear();
  FitBytesColumn();
  UpdateCount();
}

void TrafficView::SetSiteFilter(int site) {
  const int index = siteBox_->findData(site);
  if (index >= 0 && siteBox_->currentIndex() != index) siteBox_->setCurrentIndex(index);
  static_cast<SiteFilter*>(filter_)->SetSite(site);
  UpdateCount();
}

int TrafficView::RowCount() const {
  return filter_->rowCount();
}

QString TrafficView::CellText(int row, int column) const {
  return filter_->index(row, column).data().toString();
}

void TrafficView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitBytesColumn();
}

void TrafficView::FitBytesColumn() {
  QHeaderView* header = table_->horizontalHeader();
  // Two hexadecimal digits and a space per byte, in the table's fixed-width font.
  const std::size_t bytes = std::max<std::size_t>(model_->WidestFrame(), 8);
  const int text =
      table_->fontMetrics().horizontalAdvance(QString(static_cast<qsizetype>(bytes * 3), '0'));
  constexpr int kMargin = 16;
  const int others = header->length() - header->sectionSize(TrafficModel::Bytes);
  const int width = std::max(text + kMargin, table_->viewport()->width() - others);
  if (header->sectionSize(TrafficModel::Bytes) != width)
    header->resizeSection(TrafficModel::Bytes, width);
}

void TrafficView::UpdateCount() {
  countLabel_->setText(Q(PickText("Frames: ", "帧数: ")) + QString::number(filter_->rowCount()));
}

bool TrafficView::SaveTo(const std::string& path, FileError* error) const {
  std::string text;
  for (int row = 0; row < filter_->rowCount(); ++row) {
    const int source = filter_->mapToSource(filter_->index(row, 0)).row();
    text += FormatFrameLine(model_->Frame(source));
    text += '\n';
  }
  return WriteFileAtomically(path, text, error);
}

void TrafficView::Save() {
  const QString path =
      QFileDialog::getSaveFileName(this, Q(PickText("Save traffic", "保存通讯记录")), QString(),
                                   Q(PickText("Text files (*.txt)", "文本文件 (*.txt)")));
  if (path.isEmpty()) return;
  FileError error;
  if (SaveTo(path.toStdString(), &error)) return;
  QMessageBox::warning(this, windowTitle(), Q(UnableToWriteMessage(path.toStdString(), error)));
}

}  // namespace vorel
