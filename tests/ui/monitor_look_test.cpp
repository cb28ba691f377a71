// What the monitor page draws, read back from grabs of its widgets: the alarm highlight, the
// MUTE and RESET captions, the mode button during a slow command and the width of long titles.
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <cmath>

#include "core/vocabulary.h"
#include "parameter_window_fixture.h"
#include "ui/qt_text.h"

namespace vorel::test {
namespace {

using MonitorLookTest = ParameterWindowTest;

void ShowMonitor(ParameterWindow& w) {
  w.Monitor();
  Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsStatusDisplay"));
  ASSERT_TRUE(w.Monitor()->InView());
}

int Distance(const QColor& a, const QColor& b) {
  return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                   std::abs(a.blue() - b.blue())});
}

// The contrast ratio of two colours as readers of text perceive it (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) {
      v /= 255.0;
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The pixel of `rect` in `image` that differs most from `background`: a pixel of the text.
QColor TextPixel(const QImage& image, const QRect& rect, const QColor& background) {
  QColor best = background;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (Distance(c, background) > Distance(best, background)) best = c;
    }
  }
  return best;
}

// An alarm word with bit 11 set (as a controller reports a present alarm) draws on silver in the
// active-caption colour over every grid cell its line covers, in either column; one without on
// the grid's own colours, in both languages.
TEST_F(MonitorLookTest, TheAlarmHighlightIsDrawn) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    images->SetWord(kSite, 0x001A, 0x0854);
    images->SetWord(kSite, 0x001B, 0x2811);
    images->SetWord(kSite, 0x001C, 0x2011);
    images->SetWord(kSite, 0x001D, 0x0855);
    images->SetWord(kSite, 0x0079, 167);  // BO1 the horn, on
    images->SetWord(kSite, 0x0061, 0x0001);
    ParameterWindow& w = OpenType(3101);
    ShowMonitor(w);
    w.RefreshMonitor();
    MonitorPage& page = *w.Monitor();
    StringGrid& grid = *page.EngineGrid();
    const QImage grab = grid.viewport()->grab().toImage();
    const QPalette palette = page.palette();
    const QColor silver(192, 192, 192);
    const struct {
      int line;
      QColor background;
      QColor text;
    } lines[] = {{1, silver, palette.color(QPalette::Highlight)},
                 {2, silver, palette.color(QPalette::Highlight)},
                 {3, palette.color(QPalette::Base), palette.color(QPalette::Text)},
                 {4, silver, palette.color(QPalette::Highlight)}};
    if (qEnvironmentVariableIsSet("VOREL_SHOTS_DIR")) {
      w.resize(w.sizeHint().expandedTo(QSize(980, 640)));
      QTest::qWait(50);
      w.grab().save(qEnvironmentVariable("VOREL_SHOTS_DIR") + "/monitor-alarms-" + language +
                    ".png");
    }
    for (const auto& l : lines) {
      QLabel* label = page.AlarmLabel(l.line);
      ASSERT_TRUE(label->isVisible());
      const QRect at = label->geometry();
      const int row = grid.rowAt(at.center().y());
      // Each cell of the row under the line, at its four corners inside the line.
      int cells = 0;
      for (int column = 0; column < grid.columnCount(); ++column) {
        const QRect cell = QRect(grid.columnViewportPosition(column), grid.rowViewportPosition(row),
                                 grid.columnWidth(column), grid.rowHeight(row))
                               .intersected(at)
                               .adjusted(1, 1, -1, -1);
        if (cell.width() < 1 || cell.height() < 1) continue;
        ++cells;
        for (const QPoint& p :
             {cell.topLeft(), cell.topRight(), cell.bottomLeft(), cell.bottomRight()})
          EXPECT_EQ(grab.pixelColor(p), l.background)
              << language << " line " << l.line << " column " << column << " at " << p.x() << ","
              << p.y();
      }
      EXPECT_GE(cells, 2) << language << " line " << l.line;
      EXPECT_LE(Distance(TextPixel(grab, at, l.background), l.text), 48)
          << language << " line " << l.line;
    }
  }
}

// MUTE and RESET keep their caption colours (red or white) on a face where both read, and are
// always enabled.
TEST_F(MonitorLookTest, MuteAndResetCaptionsRead) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    for (std::uint16_t alarm : {0x0000, 0x2001}) {
      images->SetWord(kSite, 0x001A, alarm);
      ParameterWindow& w = OpenType(3101);
      ShowMonitor(w);
      w.RefreshMonitor();
      MonitorPage& page = *w.Monitor();
      for (RemoteCommand c : {RemoteCommand::Mute, RemoteCommand::Reset}) {
        QPushButton* button = page.CommandButton(c);
        EXPECT_TRUE(button->isEnabled());
        const QColor caption = page.ButtonText(c);
        ASSERT_TRUE(caption.isValid());
        const QImage grab = button->grab().toImage();
        const QColor face = grab.pixelColor(4, grab.height() / 2);
        EXPECT_GE(Contrast(face, caption), 3.0)
            << language << " " << button->objectName().toStdString() << " " << alarm << " face "
            << face.name().toStdString() << " caption " << caption.name().toStdString();
        EXPECT_LE(Distance(TextPixel(grab, grab.rect().adjusted(3, 3, -3, -3), face), caption), 48)
            << language << " " << button->objectName().toStdString();
      }
      EXPECT_EQ(page.ButtonText(RemoteCommand::Reset),
                alarm == 0 ? QColor(Qt::white) : QColor(Qt::red));
    }
  }
}

// A mode button pressed stays down while its command waits for the reply, whatever the ticks
// in between find in the image; after it the image decides again.
TEST_F(MonitorLookTest, TheModeButtonStaysDownWhileTheCommandWaits) {
  images->SetWord(kSite, 0x0113, 200);  // AUTO
  ParameterWindow& w = OpenType(3101);
  ShowMonitor(w);
  w.RefreshMonitor();
  MonitorPage& page = *w.Monitor();
  ASSERT_TRUE(page.ModeButton(OperatingMode::Auto)->isChecked());
  std::vector<bool> manualDown;
  QObject::connect(&page, &MonitorPage::commandRequested, &page, [&] {
    // Ticks while the controller has not answered yet.
    for (int tick = 0; tick < 3; ++tick) {
      page.Invalidate();
      w.RefreshMonitor();
      manualDown.push_back(page.ModeButton(OperatingMode::Manual)->isChecked());
    }
  });
  page.ModeButton(OperatingMode::Manual)->click();
  EXPECT_EQ(manualDown, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(commands.calls.back(), "command3manual");
  // The controller took it: the image holds MANU and the button stays down.
  images->SetWord(kSite, 0x0113, 199);
  w.RefreshMonitor();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Manual)->isChecked());
  // A later report of AUTO shows AUTO.
  images->SetWord(kSite, 0x0113, 200);
  w.RefreshMonitor();
  EXPECT_TRUE(page.ModeButton(OperatingMode::Auto)->isChecked());
}

// The longest output name of each language fits its cell of the binary grid, not cut off.
TEST_F(MonitorLookTest, LongOutputNamesFitTheirCells) {
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    std::uint16_t longest = 0;
    std::size_t longestLength = 0;
    for (std::uint16_t code : OutputFunctionCodes()) {
      const auto length = static_cast<std::size_t>(Q(OutputFunctionName(code)).size());
      if (length > longestLength) {
        longestLength = length;
        longest = code;
      }
    }
    for (int slot = 0; slot < 8; ++slot) images->SetWord(kSite, 0x0079 + slot, longest);
    images->SetWord(kSite, 0x007E, 166);  // BO6 (Generator set running)
    ParameterWindow& w = OpenType(3101);
    ShowMonitor(w);
    w.RefreshMonitor();
    StringGrid* grid = w.Monitor()->BinaryIoGrid();
    for (int row = 10; row <= 17; ++row) {
      const QTableWidgetItem* item = grid->item(row, 1);
      ASSERT_NE(item, nullptr) << row;
      QFont font = grid->font();
      if (item->data(Qt::FontRole).isValid()) font = item->font();
      const int needed = QFontMetrics(font).horizontalAdvance(item->text());
      const QRect cell = grid->visualRect(grid->model()->index(row, 1));
      EXPECT_GE(cell.width(), needed + 6) << language << " " << item->text().toStdString();
      EXPECT_GE(grid->viewport()->width(), cell.right()) << "the grid shows the whole column";
    }
  }
}

}  // namespace
}  // namespace vorel::test
