#include "ui/trend_plot.h"

#include <QDateTime>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>

namespace vorel {
namespace {

// Steps of the time axis, shortest first: the first that gives at most kMaxTimeLabels labels.
constexpr std::array<std::int64_t, 15> kTimeSteps{
    1'000,   2'000,   5'000,   10'000,  15'000,    30'000,    60'000,   120'000,
    180'000, 300'000, 600'000, 900'000, 1'200'000, 1'800'000, 3'600'000};
constexpr std::int64_t kMaxTimeLabels = 6;
// A span longer than this shows hours and minutes only.
constexpr std::int64_t kSecondsShownUpToMs = 15 * 60 * 1000;
// Laid-out labels kept before the cache starts over (a span moving on for hours adds one a step).
constexpr qsizetype kMaxKeptTexts = 64;
constexpr int kGap = 4;  // between texts and the plot
constexpr int kTickLength = 4;
constexpr int kLineWidth = 2;

const QColor kGridColour(224, 224, 224);
const QColor kAxisColour(128, 128, 128);

}  // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted: nothing under it to draw
  titleText_.setPerformanceHint(QStaticText::AggressiveCaching);
}

QColor TrendPlot::LineColour() {
  return {32, 159, 223};
}

void TrendPlot::SetTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  titleText_.setText(title);
  update();
}

void TrendPlot::SetRanges(std::int64_t startMs, std::int64_t endMs, double bottom, double top,
                          double tick, int decimals) {
  startMs_ = startMs;
  endMs_ = std::max(endMs, startMs + 1);
  bottom_ = bottom;
  top_ = top > bottom ? top : bottom + 1;
  tick_ = tick > 0 ? tick : top_ - bottom_;
  const bool seconds = endMs_ - startMs_ <= kSecondsShownUpToMs;
  if (decimals != decimals_) valueTexts_.clear();
  if (seconds != secondsShown_) timeTexts_.clear();
  decimals_ = decimals;
  secondsShown_ = seconds;
  update();
}

void TrendPlot::ForgetTexts() {
  timeTexts_.clear();
  valueTexts_.clear();
  titleText_.setText(title_);  // laid out again with the new font
}

void TrendPlot::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange ||
      event->type() == QEvent::LocaleChange)
    ForgetTexts();
}

std::int64_t TrendPlot::TimeStep() const {
  const std::int64_t span = endMs_ - startMs_;
  for (std::int64_t step : kTimeSteps)
    if (span / step <= kMaxTimeLabels) return step;
  return kTimeSteps.back() * ((span / kTimeSteps.back()) / kMaxTimeLabels + 1);
}

const QStaticText& TrendPlot::TimeText(std::int64_t ms) {
  auto it = timeTexts_.find(ms);
  if (it != timeTexts_.end()) return *it;
  if (timeTexts_.size() >= kMaxKeptTexts) timeTexts_.clear();
  QStaticText text(
      QDateTime::fromMSecsSinceEpoch(ms).toString(secondsShown_ ? "hh:mm:ss" : "hh:mm"));
  text.setPerformanceHint(QStaticText::AggressiveCaching);
  text.prepare(QTransform(), font());
  return *timeTexts_.insert(ms, text);
}

const QStaticText& TrendPlot::ValueText(double value) {
  const QString label = QString::number(value, 'f', decimals_);
  auto it = valueTexts_.find(label);
  if (it != valueTexts_.end()) return *it;
  if (valueTexts_.size() >= kMaxKeptTexts) valueTexts_.clear();
  QStaticText text(label);
  text.setPerformanceHint(QStaticText::AggressiveCaching);
  text.prepare(QTransform(), font());
  return *valueTexts_.insert(label, text);
}

QStringList TrendPlot::TimeLabels() const {
  QStringList labels;
  const std::int64_t step = TimeStep();
  for (std::int64_t t = (startMs_ + step - 1) / step * step; t <= endMs_; t += step)
    labels.append(QDateTime::fromMSecsSinceEpoch(t).toString(secondsShown_ ? "hh:mm:ss" : "hh:mm"));
  return labels;
}

QRectF TrendPlot::PlotArea() const {
  const QFontMetrics metrics(font());
  QFont bold = font();
  bold.setBold(true);
  const int titleHeight = QFontMetrics(bold).height() + kGap;
  // The value labels' width: the longest of those at the ends (as wide as any between).
  const auto labelWidth = [&](double v) {
    return metrics.horizontalAdvance(QString::number(v, 'f', decimals_));
  };
  const int labels = std::max(labelWidth(bottom_), labelWidth(top_));
  const int halfTimeLabel = metrics.horizontalAdvance("00:00:00") / 2;
  const double left = kGap + labels + kGap + kTickLength;
  const double right = width() - halfTimeLabel - kGap;
  const double topEdge = titleHeight + metrics.height() / 2.0;
  const double bottomEdge = height() - metrics.height() - kGap - kTickLength;
  return {QPointF(left, topEdge),
          QPointF(std::max(left + 1, right), std::max(topEdge + 1, bottomEdge))};
}

QPointF TrendPlot::ToPixel(const QPointF& point) const {
  const QRectF area = PlotArea();
  return {area.left() + (point.x() - static_cast<double>(startMs_)) * area.width() /
                            static_cast<double>(endMs_ - startMs_),
          area.bottom() - (point.y() - bottom_) * area.height() / (top_ - bottom_)};
}

QList<QList<QPointF>> TrendPlot::Runs() const {
  QList<QList<QPointF>> runs;
  bool open = false;
  for (const QPointF& p : points_) {
    if (std::isnan(p.y())) {
      open = false;
      continue;
    }
    if (!open) runs.append(QList<QPointF>());
    open = true;
    runs.back().append(p);
  }
  return runs;
}

void TrendPlot::paintEvent(QPaintEvent*) {
  ++paints_;
  QPainter painter(this);
  const QPalette& colours = palette();
  painter.fillRect(rect(), colours.color(QPalette::Base));
  const QRectF area = PlotArea();

  // The title, bold, centred above the plot.
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(colours.color(QPalette::Text));
  const QSizeF titleSize = titleText_.size();
  painter.drawStaticText(QPointF((width() - titleSize.width()) / 2, kGap / 2.0), titleText_);
  painter.setFont(font());

  // Value grid lines and labels at each step.
  const double valueScale = area.height() / (top_ - bottom_);
  const int steps = static_cast<int>(std::lround((top_ - bottom_) / tick_));
  for (int i = 0; i <= steps; ++i) {
    const double value = bottom_ + i * tick_;
    const double y = std::round(area.bottom() - (value - bottom_) * valueScale);
    painter.setPen(kGridColour);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    painter.setPen(kAxisColour);
    painter.drawLine(QPointF(area.left() - kTickLength, y), QPointF(area.left(), y));
    const QStaticText& text = ValueText(value);
    painter.setPen(colours.color(QPalette::Text));
    painter.drawStaticText(QPointF(area.left() - kTickLength - kGap - text.size().width(),
                                   y - text.size().height() / 2),
                           text);
  }

  // Time grid lines and labels at round times.
  const double timeScale = area.width() / static_cast<double>(endMs_ - startMs_);
  const std::int64_t step = TimeStep();
  for (std::int64_t t = (startMs_ + step - 1) / step * step; t <= endMs_; t += step) {
    const double x = std::round(area.left() + static_cast<double>(t - startMs_) * timeScale);
    painter.setPen(kGridColour);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    painter.setPen(kAxisColour);
    painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + kTickLength));
    const QStaticText& text = TimeText(t);
    painter.setPen(colours.color(QPalette::Text));
    painter.drawStaticText(
        QPointF(x - text.size().width() / 2, area.bottom() + kTickLength + kGap / 2.0), text);
  }
  painter.setPen(kAxisColour);
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  painter.drawLine(area.bottomLeft(), area.topLeft());

  // The line, one polyline per run between gaps; a run of one point is a dot.
  painter.setClipRect(area.adjusted(-kLineWidth, -kLineWidth, kLineWidth, kLineWidth));
  QPen pen(LineColour(), kLineWidth);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  painter.setPen(pen);
  QPolygonF run;
  run.reserve(points_.size());
  const auto flush = [&] {
    if (run.size() == 1) painter.drawPoint(run.front());
    if (run.size() > 1) painter.drawPolyline(run);
    run.clear();
  };
  for (const QPointF& p : points_) {
    if (std::isnan(p.y())) {
      flush();
      continue;
    }
    run.append(QPointF(area.left() + (p.x() - static_cast<double>(startMs_)) * timeScale,
                       area.bottom() - (p.y() - bottom_) * valueScale));
  }
  flush();
}

}  // namespace vorel
