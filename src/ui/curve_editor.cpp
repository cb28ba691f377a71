#include "ui/curve_editor.h"

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <fstream>

#include "control/site_window.h"
#include "core/conversions.h"
#include "core/language.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "core/vocabulary.h"
#include "files/atomic_file.h"
#include "files/curve_csv.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr int kClientWidth = 534;
constexpr int kClientHeight = 302;
constexpr std::array<int, 3> kColumnWidths{50, 53, 53};
constexpr int kRowHeight = 24;
constexpr int kCross = 2;
// A curve file is a few hundred bytes; anything much larger is not one.
constexpr std::streamsize kMaxCurveFile = 64 * 1024;
// A press this close to a drawn point (in pixels, either way) takes it for a drag.
constexpr int kGrabDistance = 5;
constexpr int kMeasuredRadius = 4;
// Edits Undo can take back.
constexpr std::size_t kUndoSteps = 32;
// The measured value is read as often as the monitor refreshes.
constexpr int kLiveRefreshMs = 500;

QString Pick(std::string_view english, std::string_view chinese) {
  return Q(PickText(english, chinese));
}

}  // namespace

// ---- The drawing ---------------------------------------------------------------------------

CurveChart::CurveChart(QWidget* parent) : QWidget(parent) {
  setObjectName("pbAnlgChart");
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CurveChart::Show(const SensorCurve& curve, int sensorType, int selectedPoint) {
  curve_ = curve;
  sensorType_ = sensorType;
  selectedPoint_ = selectedPoint;
  update();
}

void CurveChart::ShowMeasured(std::optional<int> value) {
  if (value == measured_) return;
  measured_ = value;
  update();
}

CurvePlot CurveChart::Plot() const {
  return PlotCurve(curve_, sensorType_, width(), height(), selectedPoint_);
}

std::optional<PlotPixel> CurveChart::MeasuredAt() const {
  if (!measured_) return std::nullopt;
  return PlotMeasured(curve_, Plot(), width(), height(), *measured_);
}

void CurveChart::mousePressEvent(QMouseEvent* event) {
  dragged_ = 0;
  if (event->button() != Qt::LeftButton) return;
  const CurvePlot plot = Plot();
  if (!plot.points) return;
  const QPoint at = event->position().toPoint();
  for (int k = 0; k < plot.count; ++k) {
    const PlotPixel p = plot.at[static_cast<std::size_t>(k)];
    if (std::abs(p.x - at.x()) <= kGrabDistance && std::abs(p.y - at.y()) <= kGrabDistance) {
      dragged_ = k + 1;
      dragPlot_ = plot;
      if (onDragStart) onDragStart(dragged_);
      return;
    }
  }
}

void CurveChart::mouseMoveEvent(QMouseEvent* event) {
  if (dragged_ == 0 || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint at = event->position().toPoint();
  if (onDrag) onDrag(dragged_, PlotPointAt(dragPlot_, width(), height(), {at.x(), at.y()}));
}

void CurveChart::mouseReleaseEvent(QMouseEvent* event) {
  mouseMoveEvent(event);
  dragged_ = 0;
}

void CurveChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const CurvePlot plot = Plot();
  if (!plot.axes) return;
  painter.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(Qt::black, 1);
  painter.setPen(pen);
  auto line = [&](PlotPixel a, PlotPixel b) { painter.drawLine(a.x, a.y, b.x, b.y); };
  line(plot.axisTop, plot.axisBottom);
  line(plot.zeroLeft, plot.zeroRight);
  if (!plot.points) return;
  auto cross = [&](PlotPixel p) {
    line({p.x - kCross, p.y - kCross}, {p.x + kCross, p.y + kCross});
    line({p.x - kCross, p.y + kCross}, {p.x + kCross, p.y - kCross});
  };
  for (int k = 1; k < plot.count; ++k) {
    const PlotPixel a = plot.at[static_cast<std::size_t>(k - 1)];
    const PlotPixel b = plot.at[static_cast<std::size_t>(k)];
    line(a, b);
    cross(a);
    cross(b);
  }
  pen.setStyle(Qt::DotLine);
  painter.setPen(pen);
  line({plot.markerX, 5}, {plot.markerX, height() - 5});
  // A red ring, so that the cross of a point it stands on still shows.
  if (const std::optional<PlotPixel> m = MeasuredAt()) {
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPoint(m->x, m->y), kMeasuredRadius, kMeasuredRadius);
  }
}

// ---- The window ------------------------------------------------------------------------------

CurveEditor::CurveEditor(SiteImages& images, SiteCommands& commands, QWidget* parent)
    : QDialog(parent), images_(images), commands_(commands) {
  setObjectName("fmAnlgChart");
  setModal(true);
  setMinimumSize(kClientWidth, kClientHeight);
  resize(kClientWidth, kClientHeight);

  table_ = new QTableWidget(kCurvePoints, 3, this);
  table_->setObjectName("sgAnlgSetpoints");
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setFixedHeight(kRowHeight);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  int tableWidth = 2 * table_->frameWidth();
  for (int c = 0; c < 3; ++c) {
    table_->setColumnWidth(c, kColumnWidths[static_cast<std::size_t>(c)]);
    tableWidth += kColumnWidths[static_cast<std::size_t>(c)];
  }
  table_->setFixedWidth(tableWidth);
  table_->setMinimumHeight(2 * table_->frameWidth() + (kCurvePoints + 1) * kRowHeight);
  for (int k = 0; k < kCurvePoints; ++k) {
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(c == 0 ? QString::number(k + 1) : QString());
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(k, c, item);
    }
    auto* r = new QSpinBox(table_->viewport());
    r->setObjectName(QString("seAnlgResistor%1").arg(k + 1));
    r->setRange(-32768, 32767);
    r->hide();
    resistance_[static_cast<std::size_t>(k)] = r;
    auto* v = new QDoubleSpinBox(table_->viewport());
    v->setObjectName(QString("seAnlgValue%1").arg(k + 1));
    v->hide();
    value_[static_cast<std::size_t>(k)] = v;
  }
  connect(table_, &QTableWidget::cellClicked, this, &CurveEditor::OnCellClicked);
  connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int) { OnTitleClicked(); });
  connect(table_, &QTableWidget::currentCellChanged, this, [this] { HideEditors(); });

  chart_ = new CurveChart(this);
  write_ = new QPushButton(this);
  write_->setObjectName("btnAnlgChartWrite");
  write_->setToolTip(QString::fromUtf8("写控制器"));
  exit_ = new QPushButton(this);
  exit_->setObjectName("btnAnlgChartExit");
  connect(write_, &QPushButton::clicked, this, &CurveEditor::OnWrite);
  connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
  export_ = new QPushButton(this);
  export_->setObjectName("btnAnlgChartExport");
  import_ = new QPushButton(this);
  import_->setObjectName("btnAnlgChartImport");
  connect(export_, &QPushButton::clicked, this, &CurveEditor::OnExport);
  connect(import_, &QPushButton::clicked, this, &CurveEditor::OnImport);
  undo_ = new QPushButton(this);
  undo_->setObjectName("btnAnlgChartUndo");
  undo_->setEnabled(false);
  connect(undo_, &QPushButton::clicked, this, &CurveEditor::OnUndo);
  chart_->onDragStart = [this](int point) { OnDragStart(point); };
  chart_->onDrag = [this](int point, CurvePoint where) { OnDrag(point, where); };
  liveTimer_ = new QTimer(this);
  liveTimer_->setInterval(kLiveRefreshMs);
  connect(liveTimer_, &QTimer::timeout, this, &CurveEditor::RefreshMeasured);
  connect(this, &QDialog::finished, liveTimer_, &QTimer::stop);

  chooseFile = [this](bool save) -> std::optional<std::string> {
    const QString filter = Pick("CSV files (*.csv)", "CSV 文件 (*.csv)") + ";;" +
                           Pick("All files (*)", "所有文件 (*)");
    const QString name =
        save ? QFileDialog::getSaveFileName(this, Pick("Export curve", "导出曲线"),
                                            QString("AI%1.csv").arg(channel_ + 1), filter)
             : QFileDialog::getOpenFileName(this, Pick("Import curve", "导入曲线"), QString(),
                                            filter);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
  };
  showMessage = [this](const std::string& text) {
    QMessageBox box(QMessageBox::Warning, windowTitle(), Q(text), QMessageBox::Ok, this);
    box.exec();
  };

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(export_);
  buttons->addWidget(import_);
  buttons->addWidget(undo_);
  buttons->addStretch(1);
  buttons->addWidget(write_);
  buttons->addWidget(exit_);
  auto* right = new QVBoxLayout;
  right->addWidget(chart_, 1);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(table_, 0, Qt::AlignTop);
  layout->addLayout(right, 1);
}

QSpinBox* CurveEditor::ResistanceEditor(int point) const {
  return point >= 1 && point <= kCurvePoints ? resistance_[static_cast<std::size_t>(point - 1)]
                                             : nullptr;
}

QDoubleSpinBox* CurveEditor::ValueEditor(int point) const {
  return point >= 1 && point <= kCurvePoints ? value_[static_cast<std::size_t>(point - 1)]
                                             : nullptr;
}

void CurveEditor::SetChannel(int site, int channel, int functionCode, int sensorType,
                             int decimals) {
  site_ = site;
  channel_ = channel;
  functionCode_ = functionCode;
  sensorType_ = sensorType;
  decimals_ = CurveDecimals(decimals);
  selectedPoint_ = 1;
  undoSteps_.clear();
  undo_->setEnabled(false);
  HideEditors();
  table_->setCurrentCell(0, 0);
  ApplyTexts();
  FillFromImage();
  RefreshMeasured();
}

void CurveEditor::SetLive(bool live) {
  live_ = live;
  RefreshMeasured();
}

void CurveEditor::RefreshMeasured() {
  if (!live_) {
    chart_->ShowMeasured(std::nullopt);
    return;
  }
  chart_->ShowMeasured(
      static_cast<std::int16_t>(images_.Word(site_, reg::kFirstChannelValue.address + channel_)));
}

void CurveEditor::ApplyTexts() {
  setWindowTitle(QString("AI%1(").arg(channel_ + 1) +
                 Q(FunctionName(static_cast<std::uint16_t>(functionCode_))) + ")" +
                 Pick("Sensor Chart", "传感器曲线"));
  table_->setHorizontalHeaderLabels(
      {Pick("Point", "设定点"), Pick("Ohm", "阻值"), Pick("Value", "测量值")});
  write_->setText(Pick("Write", "写入"));
  exit_->setText(Pick("Exit", "退出"));
  export_->setText(Pick("Export...", "导出..."));
  import_->setText(Pick("Import...", "导入..."));
  undo_->setText(Pick("Undo", "撤销"));
}

void CurveEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (live_) liveTimer_->start();
  write_->setEnabled(sensorType_ == kUserDefinedSensor);
  (write_->isEnabled() ? write_ : exit_)->setFocus();
}

void CurveEditor::FillFromImage() {
  const SensorCurve curve = CurveFromImage(images_, site_, channel_);
  const int divisor = CurveFactor(decimals_);
  for (int k = 0; k < kCurvePoints; ++k) {
    const CurvePoint& p = curve[static_cast<std::size_t>(k)];
    table_->item(k, 1)->setText(QString::number(p.ohms));
    table_->item(k, 2)->setText(Q(CurveValueText(p.value, decimals_)));
    resistance_[static_cast<std::size_t>(k)]->setValue(p.ohms);
    QDoubleSpinBox* v = value_[static_cast<std::size_t>(k)];
    v->setDecimals(decimals_);
    v->setSingleStep(1.0 / divisor);
    v->setRange(-32768.0 / divisor, 32767.0 / divisor);
    v->setValue(static_cast<double>(p.value) / divisor);
  }
  chart_->Show(curve, sensorType_, selectedPoint_);
}

SensorCurve CurveEditor::Collected() const {
  SensorCurve curve{};
  for (std::size_t k = 0; k < curve.size(); ++k) {
    curve[k].ohms = static_cast<std::int16_t>(resistance_[k]->value());
    curve[k].value = CurveValueFromReal(value_[k]->value(), decimals_);
  }
  return curve;
}

void CurveEditor::CollectIntoImage() {
  const SensorCurve before = CurveFromImage(images_, site_, channel_);
  const SensorCurve collected = Collected();
  if (collected == before) return;
  Remember(before);
  CurveToImage(images_, site_, channel_, collected);
}

void CurveEditor::Remember(const SensorCurve& before) {
  if (!undoSteps_.empty() && undoSteps_.back() == before) return;
  if (undoSteps_.size() == kUndoSteps) undoSteps_.erase(undoSteps_.begin());
  undoSteps_.push_back(before);
  undo_->setEnabled(true);
}

void CurveEditor::OnUndo() {
  HideEditors();
  if (undoSteps_.empty()) return;
  CurveToImage(images_, site_, channel_, undoSteps_.back());
  undoSteps_.pop_back();
  undo_->setEnabled(!undoSteps_.empty());
  FillFromImage();
}

void CurveEditor::OnDragStart(int point) {
  // What the editors hold goes in first, so that Undo after the drag returns to it.
  HideEditors();
  CollectIntoImage();
  Remember(CurveFromImage(images_, site_, channel_));
  selectedPoint_ = point;
  table_->setCurrentCell(point - 1, 0);
  FillFromImage();
}

void CurveEditor::OnDrag(int point, CurvePoint where) {
  SensorCurve curve = CurveFromImage(images_, site_, channel_);
  curve[static_cast<std::size_t>(point - 1)] = where;
  CurveToImage(images_, site_, channel_, curve);
  FillFromImage();
  write_->setEnabled(true);
}

void CurveEditor::HideEditors() {
  for (QSpinBox* r : resistance_) r->hide();
  for (QDoubleSpinBox* v : value_) v->hide();
}

void CurveEditor::OnCellClicked(int row, int column) {
  if (row < 0 || row >= kCurvePoints) return;
  HideEditors();
  selectedPoint_ = row + 1;
  CollectIntoImage();
  FillFromImage();
  write_->setEnabled(true);
  QWidget* editor = nullptr;
  if (column == 1) editor = resistance_[static_cast<std::size_t>(row)];
  if (column == 2) editor = value_[static_cast<std::size_t>(row)];
  if (!editor) return;
  editor->setGeometry(table_->visualRect(table_->model()->index(row, column)));
  editor->show();
  editor->setFocus();
}

void CurveEditor::OnTitleClicked() {
  HideEditors();
  CollectIntoImage();
  FillFromImage();
}

void CurveEditor::OnWrite() {
  HideEditors();
  const CurveWriteResult result = commands_.WriteCurve(site_, channel_, Collected());
  switch (result) {
    case CurveWriteResult::Stored:
      FillFromImage();
      break;
    case CurveWriteResult::Written:
    case CurveWriteResult::Failed:
      sensorType_ = kUserDefinedSensor;
      FillFromImage();
      emit curveWritten(channel_);
      exit_->setFocus();
      break;
    case CurveWriteResult::Refused:
    case CurveWriteResult::Busy:
      break;
  }
}

// What the table shows, as the curve file.
void CurveEditor::OnExport() {
  HideEditors();
  const std::optional<std::string> name = chooseFile(true);
  if (!name) return;
  FileError error;
  if (!WriteFileAtomically(*name, CurveCsv(Collected(), decimals_), &error))
    showMessage(UnableToWriteMessage(*name, error));
}

// The whole file is checked before anything changes; a good curve fills the table and the
// image as a click would, and is sent to the controller by Write.
void CurveEditor::OnImport() {
  HideEditors();
  const std::optional<std::string> name = chooseFile(false);
  if (!name) return;
  std::ifstream in(*name, std::ios::binary);
  std::string text(static_cast<std::size_t>(kMaxCurveFile) + 1, '\0');
  if (in) {
    in.read(text.data(), kMaxCurveFile + 1);
    text.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (!in && !in.eof()) {
    showMessage(std::string(PickText("Cannot read " + *name + ".", "无法读取 " + *name + "。")));
    return;
  }
  if (text.size() > static_cast<std::size_t>(kMaxCurveFile)) {
    showMessage(std::string(PickText(*name + " is not a curve file (too large).",
                                     *name + " 不是曲线文件 (文件过大)。")));
    return;
  }
  SensorCurve curve{};
  std::string error;
  std::string warning;
  if (!ReadCurveCsv(text, decimals_, &curve, &error, &warning)) {
    showMessage(*name + "\n" + error);
    return;
  }
  Remember(CurveFromImage(images_, site_, channel_));
  CurveToImage(images_, site_, channel_, curve);
  FillFromImage();
  write_->setEnabled(true);
  // A curve that turns is taken, with a warning.
  if (!warning.empty()) showMessage(*name + "\n" + warning);
}

}  // namespace vorel
