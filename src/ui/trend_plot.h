// One strip of the trend view: a series against time, drawn with a plain painter. The title sits
// above the plot, the value axis on the left, the time axis below with its labels at round
// times; the points are one polyline per run between gaps. The texts of both axes are laid out
// once per label and kept: a redraw as the span moves on only paints.
#pragma once

#include <QHash>
#include <QList>
#include <QPointF>
#include <QStaticText>
#include <QString>
#include <QWidget>
#include <cstdint>

namespace vorel {

class TrendPlot : public QWidget {
  Q_OBJECT
 public:
  explicit TrendPlot(QWidget* parent = nullptr);

  void SetTitle(const QString& title);
  // The points (x: milliseconds since the epoch, y: the value; a NaN value is a gap that breaks
  // the line) as the view keeps them, moved on in place between redraws.
  QList<QPointF>& Points() { return points_; }
  const QList<QPointF>& Points() const { return points_; }
  // The time and value ranges shown, the value axis's step and its decimals; schedules one
  // repaint.
  void SetRanges(std::int64_t startMs, std::int64_t endMs, double bottom, double top, double tick,
                 int decimals);

  // The runs of points between gaps, oldest first: what is drawn as one line each.
  QList<QList<QPointF>> Runs() const;
  // The area inside the axes, and where a point of the ranges lands in it.
  QRectF PlotArea() const;
  QPointF ToPixel(const QPointF& point) const;
  // The colour of the line.
  static QColor LineColour();
  // The labels of the time axis as drawn now (local times).
  QStringList TimeLabels() const;
  // Paints done so far.
  int Paints() const { return paints_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The time between two labels of the time axis: a round step giving at most six labels.
  std::int64_t TimeStep() const;
  const QStaticText& TimeText(std::int64_t ms);
  const QStaticText& ValueText(double value);
  void ForgetTexts();

  QString title_;
  QStaticText titleText_;
  QList<QPointF> points_;
  std::int64_t startMs_ = 0;
  std::int64_t endMs_ = 1;
  double bottom_ = 0;
  double top_ = 1;
  double tick_ = 1;
  int decimals_ = 0;
  // Laid-out texts of the labels by what they show; emptied when the font or format changes.
  QHash<std::int64_t, QStaticText> timeTexts_;
  QHash<QString, QStaticText> valueTexts_;
  bool secondsShown_ = true;
  int paints_ = 0;
};

}  // namespace vorel
