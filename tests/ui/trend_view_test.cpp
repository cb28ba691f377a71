// The trend view of a real window on the fake clock: samples arrive with the good polls whatever
// the page shows, the view draws the ticked series only while it is shown, and exports the hour;
// a failed poll breaks the line, on the screen too, and leaves an empty row in the export.
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

#include "files/trend_csv.h"
#include "support/temp_files.h"
#include "ui/monitor_page.h"
#include "ui/parameter_window.h"
#include "ui/setpoint_grid.h"
#include "ui/trend_plot.h"
#include "ui/trend_view.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiTrend = UiTest;

constexpr int kSite = 2;
constexpr int kSpeed = static_cast<int>(TrendSeriesId::EngineSpeed);
constexpr int kBattery = static_cast<int>(TrendSeriesId::Battery);
constexpr int kVoltage = static_cast<int>(TrendSeriesId::VoltageL1);
constexpr std::int64_t kClockBase = 1'700'000'000'000;

// The points of the first line a strip draws (all of them when no poll failed).
QList<QPointF> Line(const TrendView& view, int series) {
  return view.Plot(series)->Runs().value(0);
}

TEST_F(UiTrend, SamplesArriveWithPollsAndTheViewDrawsWhatIsTicked) {
  WriteVport("[System]\r\nLanguage=english\r\n[Device]\r\nControlerAddr2=-1\r\n");
  MainWindowServices services;
  services.makePort = [this]() -> std::unique_ptr<SerialPort> {
    port = std::make_shared<RecordingPort::Record>();
    return std::make_unique<RecordingPort>(port, true);
  };
  services.pump = pump;
  const std::unique_ptr<MainWindow> desktop = OpenDesktop(host, std::move(services));
  MainWindow& main = *desktop;
  Session& session = main.session();
  SiteImages& images = session.Images();
  // Connect identifies the site without the line, opening its window online.
  session.Connector().SetIdentifier([&](int site) {
    images.SetWord(site, reg::kProductCode.address, 3101);
    session.SetWindow(site, session.MakeWindow(site), kWindowOnline);
    session.Window(site)->ShowWindow();
    session.Window(site)->SetUpWindow();
    return true;
  });
  main.show();
  main.Connect();
  ASSERT_TRUE(main.IsOnline(kSite));
  session.Poll().StopPolling();  // the recording port never answers; the ticks go on
  // A good poll every half second, timed by the fake clock: its sample, then the refresh tick.
  const auto polls = [&](std::uint64_t ms) {
    for (std::uint64_t t = 0; t < ms; t += 500) {
      session.Trends().Sample(kSite, kClockBase + static_cast<std::int64_t>(pump->NowMs()));
      pump->Advance(500);
    }
  };
  auto* window = dynamic_cast<ParameterWindow*>(session.Window(kSite));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  MonitorPage& page = *window->Monitor();
  TrendView& view = *page.Trend();
  Child<QTabWidget>(*window, "pcParameter")
      ->setCurrentWidget(Child<QWidget>(*window, "tsStatusDisplay"));

  // Filling goes on while the live grids are shown; nothing is drawn meanwhile.
  images.SetWord(kSite, 0x0099, 1500);
  images.SetWord(kSite, 0x009E, 245);
  polls(4 * 500);
  const TrendBuffer* buffer = session.Trends().Buffer(kSite);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->Size(), 4u);
  EXPECT_EQ(view.Redraws(), 0);
  EXPECT_EQ(page.EngineGrid()->CellText(5, 2), "24.5");

  // The toggle shows the default series: speed, battery, frequency.
  QTest::mouseClick(Child<QPushButton>(page, "tbTrend"), Qt::LeftButton);
  ASSERT_TRUE(view.isVisible());
  ASSERT_NE(view.Plot(kSpeed), nullptr);
  EXPECT_TRUE(view.Plot(kSpeed)->isVisible());
  EXPECT_EQ(view.Plot(kVoltage), nullptr);
  ASSERT_EQ(Line(view, kSpeed).size(), 4);
  EXPECT_DOUBLE_EQ(Line(view, kSpeed).at(3).y(), 1500);
  EXPECT_DOUBLE_EQ(Line(view, kBattery).at(0).y(), 24.5);

  // Four ticks move the chart by more than a pixel.
  images.SetWord(kSite, 0x0099, 1480);
  polls(4 * 500);
  ASSERT_EQ(Line(view, kSpeed).size(), 8);
  EXPECT_DOUBLE_EQ(Line(view, kSpeed).at(7).y(), 1480);
  const int redraws = view.Redraws();
  view.Refresh();  // nothing new: no redraw
  EXPECT_EQ(view.Redraws(), redraws);

  // Unticking hides the chart; ticking another draws it at once.
  Child<QCheckBox>(view, "cbTrend_battery")->setChecked(false);
  EXPECT_TRUE(view.Plot(kBattery)->isHidden());
  Child<QCheckBox>(view, "cbTrend_u1")->setChecked(true);
  ASSERT_NE(view.Plot(kVoltage), nullptr);
  EXPECT_TRUE(view.Plot(kVoltage)->isVisible());
  EXPECT_EQ(Line(view, kVoltage).size(), 8);

  // Export writes the kept samples through the save dialog.
  TempDir dir;
  const std::string path = (dir.path() / "trend.csv").string();
  host.fileNames.push_back(path);
  QTest::mouseClick(Child<QPushButton>(view, "btnTrendExport"), Qt::LeftButton);
  const std::string csv = ReadFile(path);
  ASSERT_FALSE(csv.empty());
  EXPECT_NE(csv.find(",Engine speed (r/min),"), std::string::npos);
  EXPECT_NE(csv.find(",1480,"), std::string::npos);
  std::size_t lines = 0;
  for (char c : csv) lines += c == '\n';
  EXPECT_EQ(lines, 9u);  // header and eight samples

  // A long span moves by a pixel in several ticks: it redraws only once it has moved that far.
  view.SpanPicker()->setCurrentIndex(2);
  ASSERT_GT(view.PixelMs(), 2 * 500);
  int drawn = view.Redraws();
  polls(500);
  EXPECT_EQ(view.Redraws(), drawn);
  polls(static_cast<std::uint64_t>(view.PixelMs()));
  EXPECT_EQ(view.Redraws(), drawn + 1);

  // Moved on tick by tick past the span, the points are what the buffer holds in the span.
  view.SpanPicker()->setCurrentIndex(0);
  for (int i = 0; i < 700; ++i) {
    images.SetWord(kSite, 0x0099, static_cast<std::uint16_t>(1000 + i));
    polls(500);
  }
  // The newest sample may wait for the next pixel; all before it are drawn.
  const QList<QPointF> line = Line(view, kSpeed);
  ASSERT_GT(line.size(), 0);
  const auto end = static_cast<std::int64_t>(line.back().x());
  EXPECT_LT(buffer->At(buffer->Size() - 1).timeMs - end, std::max<std::int64_t>(view.PixelMs(), 1));
  std::size_t last = buffer->Size() - 1;
  while (last > 0 && buffer->At(last).timeMs > end) --last;
  std::size_t from = last + 1;
  while (from > 0 && buffer->At(from - 1).timeMs >= end - 5 * 60 * 1000) --from;
  ASSERT_EQ(static_cast<std::size_t>(line.size()), last + 1 - from);
  for (qsizetype i = 0; i < line.size(); ++i) {
    const TrendSample& sample = buffer->At(from + static_cast<std::size_t>(i));
    ASSERT_EQ(line.at(i),
              QPointF(static_cast<double>(sample.timeMs), sample.Number(kSpeed)->Value()))
        << i;
  }

  // Back on the live grids: samples go on, the charts are left alone and nothing is painted.
  QTest::mouseClick(Child<QPushButton>(page, "tbTrend"), Qt::LeftButton);
  QCoreApplication::processEvents();
  const int before = view.Redraws();
  const int paints = view.Plot(kSpeed)->Paints();
  const std::size_t size = buffer->Size();
  for (int i = 0; i < 4; ++i) {
    images.SetWord(kSite, 0x0099, static_cast<std::uint16_t>(900 + i));
    polls(500);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(buffer->Size(), size + 4);
  EXPECT_EQ(view.Redraws(), before);
  EXPECT_EQ(view.Plot(kSpeed)->Paints(), paints);

  // A new connection starts the trend afresh.
  session.Trends().Clear();
  EXPECT_EQ(buffer->Size(), 0u);
  main.close();
}

TEST_F(UiTrend, AFailedPollBreaksTheLineAndEmptiesItsCsvRow) {
  SetLanguageSetting("english");
  auto images = std::make_unique<SiteImages>();
  TrendBuffer buffer(64);
  const auto sample = [&](std::int64_t t, std::uint16_t speed) {
    images->SetWord(kSite, 0x0099, speed);
    buffer.Add(TakeTrendSample(*images, kSite, kClockBase + t));
  };
  // Three polls, a failure, two polls; then a gap at the end.
  sample(0, 1500);
  sample(700, 1510);
  sample(1400, 1520);
  buffer.Add(TrendGap(kClockBase + 2100));
  sample(12'000, 1490);
  sample(12'700, 1480);
  TrendView view;
  view.SetSource([&] { return &buffer; }, [](int) { return std::string("series"); });
  view.resize(1600, 600);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.Refresh();
  TrendPlot& plot = *view.Plot(kSpeed);
  QList<QList<QPointF>> runs = plot.Runs();
  ASSERT_EQ(runs.size(), 2);
  EXPECT_EQ(runs[0].size(), 3);
  EXPECT_EQ(runs[1].size(), 2);
  EXPECT_DOUBLE_EQ(runs[1][0].y(), 1490);
  // What is drawn: the line at each point (within the pen's two pixels), nothing in a column
  // across the gap.
  const QImage grab = plot.grab().toImage();
  const auto lineNear = [&](QPoint at) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (grab.pixelColor(at + QPoint(dx, dy)) == TrendPlot::LineColour()) return true;
    return false;
  };
  const auto lineIn = [&](int x) {
    for (int y = 0; y < grab.height(); ++y)
      if (grab.pixelColor(x, y) == TrendPlot::LineColour()) return true;
    return false;
  };
  for (const QList<QPointF>& run : runs) {
    for (const QPointF& p : run) EXPECT_TRUE(lineNear(plot.ToPixel(p).toPoint())) << p.x();
  }
  const double gapMiddle = (runs[0].back().x() + runs[1].front().x()) / 2;
  EXPECT_FALSE(lineIn(qRound(plot.ToPixel(QPointF(gapMiddle, 0)).x())));
  // The time axis is labelled at round minutes of the five shown.
  const QStringList labels = plot.TimeLabels();
  EXPECT_GE(labels.size(), 5);
  for (const QString& label : labels) EXPECT_TRUE(label.endsWith(":00")) << label.toStdString();
  buffer.Add(TrendGap(kClockBase + 13'400));
  sample(20'000, 1470);
  view.Refresh();
  runs = plot.Runs();
  ASSERT_EQ(runs.size(), 3);
  EXPECT_EQ(runs[2].size(), 1);

  // The export: the gaps are rows with a time and nothing else.
  std::vector<std::string> titles(kTrendSeriesCount, "t");
  const std::string csv = TrendCsv(buffer, titles);
  const std::string emptyFields(kTrendSeriesCount, ',');
  std::size_t emptyRows = 0;
  for (std::size_t at = csv.find(emptyFields + "\r\n"); at != std::string::npos;
       at = csv.find(emptyFields + "\r\n", at + 1))
    ++emptyRows;
  EXPECT_EQ(emptyRows, 2u);
}

}  // namespace
}  // namespace vorel::test
