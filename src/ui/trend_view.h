// The "Trend" view of the monitor page: the site's live numbers against time, one strip chart
// per series the user ticks, over the last 5, 15 or 60 minutes, and "Export CSV..." of the
// whole hour kept. The samples live in the control layer (they keep coming while another page
// is shown); the view only draws them, and only while it is visible and something new came.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/trend_buffer.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vorel {

class TrendPlot;

class TrendView : public QWidget {
  Q_OBJECT
 public:
  explicit TrendView(QWidget* parent = nullptr);

  // Where the samples and the series titles come from (the site's buffer may appear later).
  void SetSource(std::function<const TrendBuffer*()> buffer,
                 std::function<std::string(int series)> title);
  // Captions and series titles in the current language.
  void ApplyTexts();
  // Redraws the shown charts when the view can be seen (visible, its window not minimised) and
  // the newest sample moved the time axis by at least one pixel of the plot since the last
  // redraw (a smaller move would not show). The points follow the buffer incrementally: new
  // samples are added at the end, those that left the span are dropped at the front.
  void Refresh();

  // The minutes the picker offers; the view starts on the first.
  static constexpr std::array<int, 3> kSpanMinutes{5, 15, 60};

  QCheckBox* SeriesBox(int series) const { return boxes_[Index(series)]; }
  QComboBox* SpanPicker() const { return spanPicker_; }
  QPushButton* ExportButton() const { return exportButton_; }
  // The strip of a series (null until the series is first shown). A failed poll breaks the
  // line: the points after each gap are a run of their own.
  TrendPlot* Plot(int series) const { return strips_[Index(series)].plot; }
  // Redraws done so far.
  int Redraws() const { return redraws_; }
  // The time one pixel of the plot stands for at the current span (0 before the first layout).
  std::int64_t PixelMs() const;

 signals:
  void exportRequested();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Strip {
    // Its points are kept to be moved on rather than rebuilt: the samples in the span
    // (numbered as TrendBuffer::Added counts them) that are multiples of `step`, up to but not
    // including `next`; a gap is a point whose value is NaN.
    TrendPlot* plot = nullptr;
    std::uint64_t next = 0;
    std::size_t step = 0;  // 0: nothing drawn yet
  };
  static std::size_t Index(int series) { return static_cast<std::size_t>(series); }
  void MakeStrip(int series);
  void SeriesToggled(int series, bool shown);
  void Draw(int series, const TrendBuffer* buffer, std::uint64_t first, std::size_t step,
            bool rebuild, std::int64_t start, std::int64_t end);
  std::int64_t SpanMs() const;

  std::function<const TrendBuffer*()> buffer_;
  std::function<std::string(int)> title_;
  std::array<QCheckBox*, kTrendSeriesCount> boxes_{};
  std::array<Strip, kTrendSeriesCount> strips_{};
  QLabel* spanLabel_ = nullptr;
  QComboBox* spanPicker_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QVBoxLayout* stripLayout_ = nullptr;
  std::uint64_t drawnAdded_ = 0;
  std::int64_t drawnEndMs_ = 0;
  const TrendBuffer* drawnBuffer_ = nullptr;
  std::uint64_t drawnClears_ = 0;
  bool stale_ = true;
  bool rebuild_ = true;  // the points start over (a new span)
  int redraws_ = 0;
};

}  // namespace vorel
