#include "ui/curve_editor.h"

#include <QDoubleSpinBox>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "core/sensor_curve.h"
#include "files/curve_csv.h"
#include "parameter_window_fixture.h"

namespace vorel::test {
namespace {

class CurveEditorTest : public ParameterWindowTest {
 protected:
  // AI1 oil pressure with one decimal and the given sensor type; a falling five-point curve.
  void SetChannel(int type) {
    images->SetWord(kSite, 0x0126, 84);
    images->SetWord(kSite, 0x0129, static_cast<std::uint16_t>((type << 10) | 0x0100));
    for (int k = 0; k < kCurvePoints; ++k) {
      curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(k < 5 ? 10 + 40 * k : -1),
                                            static_cast<std::int16_t>(k < 5 ? 100 - 25 * k : 0)};
    }
    curve[0].value = 235;
    CurveToImage(*images, kSite, 0, curve);
  }
  CurveEditor& OpenEditor(std::int16_t state = kWindowOnline) {
    ParameterWindow& w = OpenType(3101, state);
    ShowPageOf(w.AnalogueGrid());
    QTest::mouseClick(w.AnalogueGrid()->CurveButton(0), Qt::LeftButton);
    EXPECT_EQ(modalsShown, std::vector<std::string>{"fmAnlgChart"});
    return *w.CurveEditorWindow();
  }
  void ClickEditorCell(CurveEditor& e, int row, int column) {
    const QRect cell = e.Table()->visualRect(e.Table()->model()->index(row, column));
    QTest::mouseClick(e.Table()->viewport(), Qt::LeftButton, {}, cell.center());
  }
  static bool Black(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == QColor(Qt::black);
  }
  // Red pixels within 5 of (x, y): the ring of the measured value.
  static int RedAround(const QImage& image, int x, int y) {
    int red = 0;
    for (int dy = -5; dy <= 5; ++dy)
      for (int dx = -5; dx <= 5; ++dx) red += image.pixelColor(x + dx, y + dy) == QColor(Qt::red);
    return red;
  }

  SensorCurve curve{};
};

TEST_F(CurveEditorTest, OpensWithCaptionTableAndWriteByType) {
  SetChannel(4);  // a catalogue sensor
  CurveEditor& e = OpenEditor();
  EXPECT_EQ(e.windowTitle().toStdString(), "AI1(Oil Pressure)Sensor Chart");
  EXPECT_EQ(Cell(e.Table(), 0, 0), "1");
  EXPECT_EQ(Cell(e.Table(), 9, 0), "10");
  EXPECT_EQ(Cell(e.Table(), 0, 1), "10");
  EXPECT_EQ(Cell(e.Table(), 0, 2), "23.5");
  EXPECT_EQ(Cell(e.Table(), 5, 1), "-1");
  EXPECT_EQ(e.Table()->horizontalHeaderItem(1)->text().toStdString(), "Ohm");
  EXPECT_FALSE(e.WriteButton()->isEnabled());
  EXPECT_EQ(e.ValueEditor(1)->decimals(), 1);
  EXPECT_GE(e.width(), 534);
  EXPECT_GE(e.Chart()->width(), 313);
  EXPECT_GE(e.Chart()->height(), 209);

  // A click enables Write and shows the cell's spin editor; typing and another click collects
  // (truncated) into the value image and the table.
  ClickEditorCell(e, 1, 2);
  EXPECT_TRUE(e.WriteButton()->isEnabled());
  EXPECT_EQ(ShownEditor(e.Table()), "seAnlgValue2");
  e.ValueEditor(2)->setValue(4.3);
  ClickEditorCell(e, 2, 1);
  EXPECT_EQ(ShownEditor(e.Table()), "seAnlgResistor3");
  EXPECT_EQ(images->Word(kSite, 0x012D), 43);
  EXPECT_EQ(Cell(e.Table(), 1, 2), "4.3");
  EXPECT_TRUE(commands.curves.empty());

  // Chinese texts.
  e.reject();
  SetLanguageSetting("chinese");
  modalsShown.clear();
  QTest::mouseClick(window->AnalogueGrid()->CurveButton(0), Qt::LeftButton);
  EXPECT_EQ(e.windowTitle().toStdString(), "AI1(油压)传感器曲线");
  EXPECT_EQ(e.WriteButton()->text().toStdString(), "写入");
  EXPECT_EQ(e.Table()->horizontalHeaderItem(0)->text().toStdString(), "设定点");
}

TEST_F(CurveEditorTest, DrawingOnTheRenderedImage) {
  SetChannel(3);
  CurveEditor& e = OpenEditor();
  EXPECT_TRUE(e.WriteButton()->isEnabled());
  for (QSize size : {QSize(534, 302), QSize(1068, 604)}) {
    e.resize(size);
    QTest::qWait(20);
    const QImage image = e.Chart()->grab().toImage();
    const int wd = e.Chart()->width();
    const int ht = e.Chart()->height();
    ASSERT_EQ(image.width(), wd);
    const CurvePlot plot = PlotCurve(CurveFromImage(*images, kSite, 0), 3, wd, ht, 1);
    ASSERT_TRUE(plot.points);
    ASSERT_EQ(plot.count, 5);
    EXPECT_TRUE(Black(image, 5, ht / 2));       // the vertical axis
    EXPECT_TRUE(Black(image, wd / 2, ht - 5));  // the zero line on the bottom margin
    EXPECT_FALSE(Black(image, 2, ht / 2));      // the margin is clear
    for (int k = 0; k < plot.count; ++k) {
      const PlotPixel p = plot.at[static_cast<std::size_t>(k)];
      EXPECT_TRUE(Black(image, p.x, p.y)) << k;
      EXPECT_TRUE(Black(image, p.x - 2, p.y - 2)) << k;  // the cross
      EXPECT_TRUE(Black(image, p.x + 2, p.y - 2)) << k;
    }
    // The dotted marker of point 1 stands on the axis; one of two pixels next to the
    // axis of the marker of point 3 is drawn.
    ClickEditorCell(e, 2, 0);
    const QImage marked = e.Chart()->grab().toImage();
    const int mx = plot.at[2].x;
    EXPECT_TRUE(Black(marked, mx, 10) || Black(marked, mx, 11));
    EXPECT_FALSE(Black(image, mx, 10) && Black(image, mx, 11));
    ClickEditorCell(e, 0, 0);
  }
  if (qEnvironmentVariableIsSet("VOREL_CURVE_PNG"))
    e.grab().save(qEnvironmentVariable("VOREL_CURVE_PNG"));

  // A sensor type without a curve draws nothing.
  images->SetWord(kSite, 0x0129, 1 << 10);
  e.SetChannel(kSite, 0, 84, 2, 1);
  QTest::qWait(20);
  const QImage blank = e.Chart()->grab().toImage();
  EXPECT_FALSE(Black(blank, 5, blank.height() / 2));
}

TEST_F(CurveEditorTest, WriteThroughTheWindowSetsUserDefinedAndRedrawsTheRow) {
  SetChannel(5);
  const struct {
    CurveWriteResult result;
    std::string type;
  } cases[] = {{CurveWriteResult::Refused, ""}, {CurveWriteResult::Written, "User defined"}};
  for (const auto& c : cases) {
    modalsShown.clear();
    commands.curves.clear();
    commands.curveResult = c.result;
    CurveEditor& e = OpenEditor();
    const std::string before = Cell(window->AnalogueGrid(), 1, 2);
    int titles = 0;
    QObject::connect(window.get(), &ParameterWindow::channelTitlesChanged, [&] { ++titles; });
    ClickEditorCell(e, 3, 1);
    e.ResistanceEditor(4)->setValue(777);
    QTest::mouseClick(e.WriteButton(), Qt::LeftButton);
    ASSERT_EQ(commands.curves.size(), 1u);
    SensorCurve expected = curve;
    expected[3].ohms = 777;
    EXPECT_EQ(commands.curves[0], expected);
    EXPECT_EQ(commands.calls.back(), "curve3[0]");
    if (c.type.empty()) {
      EXPECT_EQ(Cell(window->AnalogueGrid(), 1, 2), before);
      EXPECT_EQ(titles, 0);
    } else {
      EXPECT_EQ(Cell(window->AnalogueGrid(), 1, 2), c.type);
      EXPECT_EQ(window->Model().Channels().analogue[0].type, 3);
      EXPECT_GE(titles, 1);
    }
  }
}

// Export writes what the table shows; Import refuses a bad file with the line named and leaves
// the table alone, and fills table and image from a good one, enabling Write.
TEST_F(CurveEditorTest, ExportAndImportThroughTheButtons) {
  SetChannel(4);
  CurveEditor& e = OpenEditor();
  EXPECT_EQ(e.ExportButton()->objectName().toStdString(), "btnAnlgChartExport");
  EXPECT_EQ(e.ImportButton()->objectName().toStdString(), "btnAnlgChartImport");
  QTemporaryDir dir;
  const std::string path = dir.filePath("ai1.csv").toStdString();
  std::optional<std::string> chosen = path;
  std::vector<bool> asked;
  std::vector<std::string> messages;
  e.chooseFile = [&](bool save) {
    asked.push_back(save);
    return chosen;
  };
  e.showMessage = [&](const std::string& text) { messages.push_back(text); };
  auto fileText = [&] {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  auto writeFile = [&](const std::string& text) { std::ofstream(path, std::ios::binary) << text; };

  QTest::mouseClick(e.ExportButton(), Qt::LeftButton);
  EXPECT_EQ(fileText(), CurveCsv(curve, 1));
  EXPECT_TRUE(messages.empty());

  SensorCurve changed = curve;
  changed[1] = {60, -12};
  std::string bad = CurveCsv(changed, 1);
  bad.replace(bad.find("4,130"), 5, "4,13x");
  writeFile(bad);
  QTest::mouseClick(e.ImportButton(), Qt::LeftButton);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            path + "\nLine 5: the resistance must be whole ohms from -32768 to 32767.");
  EXPECT_EQ(Cell(e.Table(), 1, 1), "50");
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), curve);
  EXPECT_FALSE(e.WriteButton()->isEnabled());

  writeFile(CurveCsv(changed, 1));
  QTest::mouseClick(e.ImportButton(), Qt::LeftButton);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(Cell(e.Table(), 1, 1), "60");
  EXPECT_EQ(Cell(e.Table(), 1, 2), "-1.2");
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), changed);
  EXPECT_EQ(e.Collected(), changed);
  EXPECT_TRUE(e.WriteButton()->isEnabled());

  chosen = dir.filePath("missing.csv").toStdString();
  QTest::mouseClick(e.ImportButton(), Qt::LeftButton);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "Cannot read " + *chosen + ".");
  chosen.reset();  // cancelled: nothing happens
  QTest::mouseClick(e.ExportButton(), Qt::LeftButton);
  QTest::mouseClick(e.ImportButton(), Qt::LeftButton);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(asked, (std::vector<bool>{true, false, false, false, true, false}));
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), changed);
}

// A falling curve (most temperature senders) comes in as it is; one whose resistances turn comes
// in too, with a warning naming the point, and Write sends it as it is.
TEST_F(CurveEditorTest, ImportTakesFallingCurvesAndWarnsOfATurn) {
  SetChannel(3);
  CurveEditor& e = OpenEditor();
  QTemporaryDir dir;
  const std::string path = dir.filePath("ai1.csv").toStdString();
  std::vector<std::string> messages;
  e.chooseFile = [&](bool) -> std::optional<std::string> { return path; };
  e.showMessage = [&](const std::string& text) { messages.push_back(text); };
  SensorCurve falling = curve;
  for (int k = 0; k < 5; ++k) falling[static_cast<std::size_t>(k)].ohms = 287 - 60 * k;
  std::ofstream(path, std::ios::binary) << CurveCsv(falling, 1);
  QTest::mouseClick(e.ImportButton(), Qt::LeftButton);
  EXPECT_TRUE(messages.empty()) << messages.front();
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), falling);
  EXPECT_EQ(Cell(e.Table(), 4, 1), "47");

  SensorCurve turning = falling;
  turning[2].ohms = 300;
  std::ofstream(path, std::ios::binary) << CurveCsv(turning, 1);
  QTest::mouseClick(e.ImportButton(), Qt::LeftButton);
  const std::string warning =
      "Point 3: the resistances neither only rise nor only fall; the channel may read wrongly "
      "between these points.";
  EXPECT_EQ(messages, std::vector<std::string>{path + "\n" + warning});
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), turning);
  QTest::mouseClick(e.WriteButton(), Qt::LeftButton);
  EXPECT_EQ(messages.size(), 1u);
  ASSERT_EQ(commands.curves.size(), 1u);
  EXPECT_EQ(commands.curves[0], turning);
}

// A point dragged on the drawing takes the place under the mouse, and the table follows; Undo
// takes the edits back one by one.
TEST_F(CurveEditorTest, ADraggedPointMovesItsRowAndUndoTakesItBack) {
  SetChannel(3);
  CurveEditor& e = OpenEditor();
  EXPECT_FALSE(e.UndoButton()->isEnabled());
  CurveChart* chart = e.Chart();
  const CurvePlot plot = PlotCurve(curve, 3, chart->width(), chart->height(), 1);
  ASSERT_TRUE(plot.points);
  const QPoint from(plot.at[1].x, plot.at[1].y);
  const QPoint to = from + QPoint(12, -40);
  QTest::mousePress(chart, Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(chart->mapToGlobal(to)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(chart, &move);
  QTest::mouseRelease(chart, Qt::LeftButton, {}, to);

  const CurvePoint expected = PlotPointAt(plot, chart->width(), chart->height(), {to.x(), to.y()});
  SensorCurve dragged = curve;
  dragged[1] = expected;
  EXPECT_GT(expected.ohms, curve[1].ohms);
  EXPECT_GT(expected.value, curve[1].value);
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), dragged);
  EXPECT_EQ(Cell(e.Table(), 1, 1), std::to_string(expected.ohms));
  EXPECT_EQ(Cell(e.Table(), 1, 2), CurveValueText(expected.value, 1));
  EXPECT_EQ(e.Collected(), dragged);
  EXPECT_TRUE(e.WriteButton()->isEnabled());

  // A typed edit after the drag; Undo takes back the edit, then the drag.
  ClickEditorCell(e, 3, 1);
  e.ResistanceEditor(4)->setValue(140);
  ClickEditorCell(e, 0, 0);
  EXPECT_EQ(images->Word(kSite, 0x014A + 3), 140);
  ASSERT_TRUE(e.UndoButton()->isEnabled());
  QTest::mouseClick(e.UndoButton(), Qt::LeftButton);
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), dragged);
  QTest::mouseClick(e.UndoButton(), Qt::LeftButton);
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), curve);
  EXPECT_EQ(Cell(e.Table(), 1, 1), std::to_string(curve[1].ohms));
  EXPECT_FALSE(e.UndoButton()->isEnabled());
  // A press off the points drags nothing.
  QTest::mousePress(chart, Qt::LeftButton, {}, QPoint(chart->width() - 20, chart->height() - 20));
  QTest::mouseRelease(chart, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(CurveFromImage(*images, kSite, 0), curve);
}

// Online, the channel's measured value is drawn as a red dot on the curve and follows the
// image; a window from a file draws none.
TEST_F(CurveEditorTest, TheMeasuredValueIsDrawnOnTheCurveWhileOnline) {
  SetChannel(3);
  images->SetWord(kSite, 0x009A, 60);  // between points 2 (7.5) and 3 (5.0)
  CurveEditor& e = OpenEditor();
  CurveChart* chart = e.Chart();
  const std::optional<PlotPixel> at = chart->MeasuredAt();
  ASSERT_TRUE(at.has_value());
  const CurvePlot plot = PlotCurve(curve, 3, chart->width(), chart->height(), 1);
  EXPECT_GT(at->x, plot.at[1].x);
  EXPECT_LT(at->x, plot.at[2].x);
  EXPECT_GE(RedAround(chart->grab().toImage(), at->x, at->y), 8);
  if (qEnvironmentVariableIsSet("VOREL_SHOTS_DIR"))
    e.grab().save(qEnvironmentVariable("VOREL_SHOTS_DIR") + "/curve-editor-english.png");

  images->SetWord(kSite, 0x009A, 75);  // point 2 itself
  e.RefreshMeasured();
  ASSERT_TRUE(chart->MeasuredAt().has_value());
  EXPECT_NEAR(chart->MeasuredAt()->x, plot.at[1].x, 1);
  QTest::qWait(20);
  const QImage moved = chart->grab().toImage();
  EXPECT_GE(RedAround(moved, chart->MeasuredAt()->x, chart->MeasuredAt()->y), 8);
  EXPECT_EQ(RedAround(moved, at->x, at->y), 0);
  e.reject();

  if (qEnvironmentVariableIsSet("VOREL_SHOTS_DIR")) {
    SetLanguageSetting("chinese");
    modalsShown.clear();
    CurveEditor& chinese = OpenEditor();
    QTest::qWait(20);
    chinese.grab().save(qEnvironmentVariable("VOREL_SHOTS_DIR") + "/curve-editor-chinese.png");
    chinese.reject();
    SetLanguageSetting("english");
  }
  modalsShown.clear();
  CurveEditor& offline = OpenEditor(kWindowOffline);
  EXPECT_FALSE(offline.Chart()->MeasuredAt().has_value());
  const QImage none = offline.Chart()->grab().toImage();
  bool red = false;
  for (int y = 0; y < none.height(); ++y)
    for (int x = 0; x < none.width(); ++x) red = red || none.pixelColor(x, y) == QColor(Qt::red);
  EXPECT_FALSE(red);
}

}  // namespace
}  // namespace vorel::test
