#include "ui/trend_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/language.h"
#include "ui/qt_text.h"
#include "ui/trend_plot.h"

namespace vorel {
namespace {

// More points than a chart has pixels only cost time: a long span is thinned to this many.
constexpr std::size_t kMaxPoints = 720;
constexpr int kStripHeight = 150;
constexpr int kValueSteps = 3;

}  // namespace

TrendView::TrendView(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlTrend");
  auto* side = new QVBoxLayout;
  const auto& table = TrendSeriesTable();
  for (int s = 0; s < kTrendSeriesCount; ++s) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QString("cbTrend_") + table[Index(s)].key);
    box->setChecked(table[Index(s)].shownByDefault);
    connect(box, &QCheckBox::toggled, this, [this, s](bool on) { SeriesToggled(s, on); });
    boxes_[Index(s)] = box;
    side->addWidget(box);
  }
  side->addSpacing(12);
  spanLabel_ = new QLabel(this);
  side->addWidget(spanLabel_);
  spanPicker_ = new QComboBox(this);
  spanPicker_->setObjectName("cbTrendSpan");
  for (int minutes : kSpanMinutes) spanPicker_->addItem(QString(), minutes);
  connect(spanPicker_, &QComboBox::currentIndexChanged, this, [this] {
    stale_ = rebuild_ = true;
    Refresh();
  });
  side->addWidget(spanPicker_);
  exportButton_ = new QPushButton(this);
  exportButton_->setObjectName("btnTrendExport");
  connect(exportButton_, &QPushButton::clicked, this, &TrendView::exportRequested);
  side->addWidget(exportButton_);
  side->addStretch();

  auto* strips = new QWidget;
  stripLayout_ = new QVBoxLayout(strips);
  stripLayout_->setContentsMargins(0, 0, 0, 0);
  stripLayout_->addStretch();
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("sbTrendCharts");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(strips);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(side);
  layout->addWidget(scroll, 1);
  ApplyTexts();
}

void TrendView::SetSource(std::function<const TrendBuffer*()> buffer,
                          std::function<std::string(int)> title) {
  buffer_ = std::move(buffer);
  title_ = std::move(title);
  ApplyTexts();
}

void TrendView::ApplyTexts() {
  const auto& table = TrendSeriesTable();
  for (int s = 0; s < kTrendSeriesCount; ++s) {
    const TrendSeries& row = table[Index(s)];
    const QString title =
        title_ ? Q(title_(s))
               : Q(row.title.Pick()) + (*row.unit ? QString(" (%1)").arg(row.unit) : QString());
    boxes_[Index(s)]->setText(title);
    if (TrendPlot* plot = strips_[Index(s)].plot) plot->SetTitle(title);
  }
  spanLabel_->setText(Q(PickText("Time span", "时间范围")));
  for (int i = 0; i < spanPicker_->count(); ++i)
    spanPicker_->setItemText(i, QString::number(kSpanMinutes[static_cast<std::size_t>(i)]) +
                                    Q(PickText(" min", " 分钟")));
  exportButton_->setText(Q(PickText("Export CSV...", "导出CSV...")));
}

void TrendView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  for (int s = 0; s < kTrendSeriesCount; ++s)
    if (boxes_[Index(s)]->isChecked() && !strips_[Index(s)].plot) MakeStrip(s);
  stale_ = true;
  Refresh();
}

void TrendView::MakeStrip(int series) {
  Strip& strip = strips_[Index(series)];
  strip.plot = new TrendPlot;
  strip.plot->setObjectName(QString("chTrend_") + TrendSeriesTable()[Index(series)].key);
  strip.plot->setMinimumHeight(kStripHeight);
  // Strips keep the order of the table whatever order they are made in.
  int position = 0;
  for (int s = 0; s < series; ++s)
    if (strips_[Index(s)].plot) ++position;
  stripLayout_->insertWidget(position, strip.plot);
  strip.plot->setVisible(boxes_[Index(series)]->isChecked());  // not left to a queued show
  ApplyTexts();
}

void TrendView::SeriesToggled(int series, bool shown) {
  Strip& strip = strips_[Index(series)];
  if (shown && !strip.plot) {
    if (!isVisible()) return;  // made when the view is first shown
    MakeStrip(series);
  }
  if (strip.plot) strip.plot->setVisible(shown);
  stale_ = true;
  Refresh();
}

std::int64_t TrendView::SpanMs() const {
  const int minutes = spanPicker_->currentData().toInt();
  return static_cast<std::int64_t>(minutes > 0 ? minutes : kSpanMinutes[0]) * 60 * 1000;
}

std::int64_t TrendView::PixelMs() const {
  for (const Strip& strip : strips_) {
    if (!strip.plot || strip.plot->isHidden()) continue;
    const double width = strip.plot->PlotArea().width();
    if (width >= 1) return static_cast<std::int64_t>(static_cast<double>(SpanMs()) / width);
  }
  return 0;
}

void TrendView::Refresh() {
  if (!isVisible() || window()->isMinimized()) return;
  const TrendBuffer* buffer = buffer_ ? buffer_() : nullptr;
  const std::uint64_t added = buffer ? buffer->Added() : 0;
  if (!stale_ && added == drawnAdded_) return;

  // The window ends at the newest sample and reaches back over the span.
  const std::size_t size = buffer ? buffer->Size() : 0;
  const std::int64_t end =
      size > 0 ? buffer->At(size - 1).timeMs : QDateTime::currentMSecsSinceEpoch();
  // Less than a pixel further on, the chart would look the same: the next tick decides again.
  if (!stale_ && end >= drawnEndMs_ && end - drawnEndMs_ < PixelMs()) return;
  // Another buffer, or the same emptied by a new connection: the points start over.
  const std::uint64_t clears = buffer ? buffer->Clears() : 0;
  const bool rebuild = rebuild_ || buffer != drawnBuffer_ || clears != drawnClears_;
  stale_ = rebuild_ = false;
  drawnBuffer_ = buffer;
  drawnClears_ = clears;
  drawnAdded_ = added;
  drawnEndMs_ = end;
  ++redraws_;

  const std::int64_t start = end - SpanMs();
  std::size_t first = size;
  while (first > 0 && buffer->At(first - 1).timeMs >= start) --first;
  // More points than a chart has pixels only cost time: a long span shows every step-th sample,
  // counted from the first ever added so that the same samples stay shown as the span moves.
  const std::size_t count = size - first;
  // The step never exceeds that of a full span, so that a count that wavers by a sample at the
  // edge does not flip it (each change starts the points over).
  const auto spanSamples = static_cast<std::size_t>(SpanMs() / kTrendSampleIntervalMs);
  std::size_t step =
      std::min((count + kMaxPoints - 1) / kMaxPoints, (spanSamples + kMaxPoints - 1) / kMaxPoints);
  const std::uint64_t firstNumber = added - size + first;
  if (step == 0) step = 1;
  for (int s = 0; s < kTrendSeriesCount; ++s) {
    if (boxes_[Index(s)]->isChecked() && strips_[Index(s)].plot)
      Draw(s, buffer, firstNumber, step, rebuild, start, end);
  }
}

void TrendView::Draw(int series, const TrendBuffer* buffer, std::uint64_t first, std::size_t step,
                     bool rebuild, std::int64_t start, std::int64_t end) {
  Strip& strip = strips_[Index(series)];
  QList<QPointF>& points = strip.plot->Points();
  const std::size_t size = buffer ? buffer->Size() : 0;
  const std::uint64_t added = buffer ? buffer->Added() : 0;
  const std::uint64_t oldest = added - size;  // the number of sample At(0)
  // Start over when asked, when the thinning changed, or when the samples since the last draw
  // of this chart have left the span (it was hidden meanwhile).
  if (rebuild || step != strip.step || strip.next < first || strip.next > added) {
    points.clear();
    strip.step = step;
    strip.next = first;
  }
  // Samples that left the span go at the front; new ones come at the end.
  qsizetype gone = 0;
  while (gone < points.size() && points[gone].x() < static_cast<double>(start)) ++gone;
  if (gone > 0) points.remove(0, gone);
  for (std::uint64_t n = strip.next; n < added; ++n) {
    const TrendSample& sample = buffer->At(static_cast<std::size_t>(n - oldest));
    // A gap is never thinned away.
    if (sample.gap) {
      if (!points.isEmpty() && !std::isnan(points.back().y()))
        points.append(QPointF(static_cast<double>(sample.timeMs), qQNaN()));
      continue;
    }
    if (n % step != 0) continue;
    const auto number = sample.Number(series);
    if (!number) continue;  // the page showed a text (sensor fault, unused channel)
    points.append(QPointF(static_cast<double>(sample.timeMs), number->Value()));
  }
  strip.next = added;

  double low = std::numeric_limits<double>::max();
  double high = std::numeric_limits<double>::lowest();
  for (const QPointF& p : points) {
    if (std::isnan(p.y())) continue;
    low = std::min(low, p.y());
    high = std::max(high, p.y());
  }
  if (low > high) {  // no number in the span
    low = 0;
    high = 1;
  }
  if (high - low < 1e-9) {
    low -= 1;
    high += 1;
  }
  // A round step of 1, 2 or 5 times a power of ten, at most three steps high: a strip has room
  // for four labels (more and the chart elides them all).
  double tick = std::pow(10.0, std::floor(std::log10((high - low) / kValueSteps)));
  for (double factor : {1.0, 2.0, 5.0, 10.0, 20.0}) {
    if (std::ceil(high / (tick * factor)) - std::floor(low / (tick * factor)) <= kValueSteps) {
      tick *= factor;
      break;
    }
  }
  const double bottom = std::floor(low / tick) * tick;
  const double top = std::max(std::ceil(high / tick) * tick, bottom + tick);
  strip.plot->SetRanges(start, end, bottom, top, tick, tick >= 1 ? 0 : tick >= 0.1 ? 1 : 2);
}

}  // namespace vorel
