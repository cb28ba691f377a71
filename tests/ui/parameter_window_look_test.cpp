// The window's look: every configuration sub-page in both languages fits the screen, every
// title fits its cell, and (with VOREL_SCREENSHOT_DIR set) each page is saved as a picture to
// look at.
#include <QFontMetrics>
#include <QLabel>
#include <QTabWidget>
#include <cstdlib>

#include "parameter_window_fixture.h"

namespace vorel::test {
namespace {

using Look = ParameterWindowTest;

// A status-bar panel keeps its width for a short text and grows to show a long one whole.
TEST_F(Look, StatusPanelsGrowToShowTheirTexts) {
  ParameterWindow& w = OpenType(3101);
  const struct {
    int panel;
    int width;
    const char* text;
  } cases[] = {
      {0, 150, "GENSET CONTROLLER 3 OF THE NORTH HALL"},
      {1, 100, "Read 32847 done"},
      {3, 100, "Adress3Connect fail!"},
      {1, 100, "ok"},
  };
  for (const auto& c : cases) {
    w.SetStatusPanel(c.panel, c.text);
    QCoreApplication::processEvents();
    auto* panel = w.findChild<QLabel*>(QString("stbParameterPanel%1").arg(c.panel));
    EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(c.text))
        << c.text;
    EXPECT_GE(panel->width(), c.width) << c.text;
  }
  EXPECT_EQ(w.findChild<QLabel*>("stbParameterPanel1")->width(), 100);
}

TEST_F(Look, SubPagesFitTheScreenAndTheirCells) {
  images->SetWord(kSite, 0x0126, 0x2054);
  images->SetWord(kSite, 0x0129, 0x1110);
  images->SetWord(kSite, 0x0127, 0xD855);
  images->SetWord(kSite, 0x012A, 0x1C10);
  images->SetWord(kSite, 0x0128, 0x1056);
  images->SetWord(kSite, 0x012B, 0x1024);
  images->SetWord(kSite, 0x003A, 0xC8D1);
  images->SetWord(kSite, 0x003B, 0x2022);
  images->SetWord(kSite, 0x0079, 167);
  images->SetWord(kSite, 0x0074, 117);
  images->SetWord(kSite, 0x0012, 'G' | 'E' << 8);
  images->SetWord(kSite, 0x0013, 'N' | '1' << 8);
  const char* dir = std::getenv("VOREL_SCREENSHOT_DIR");
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    SetAccessLevel(true);
    ParameterWindow& w = OpenType(3101);
    auto* tabs = w.findChild<QTabWidget*>("pcConfiguration");
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      w.adjustSize();
      QCoreApplication::processEvents();
      EXPECT_LE(w.frameGeometry().width(), 1024) << language << " page " << page;
      EXPECT_LE(w.frameGeometry().height(), 768) << language << " page " << page;
      if (dir) {
        w.grab().save(QString("%1/%2-%3.png").arg(dir, language, tabs->widget(page)->objectName()));
      }
    }
    if (dir) {
      auto* pages = w.findChild<QTabWidget*>("pcParameter");
      for (int page : {1, 2}) {
        pages->setCurrentIndex(page);
        w.grab().save(
            QString("%1/%2-%3.png").arg(dir, language, pages->widget(page)->objectName()));
      }
      pages->setCurrentIndex(0);
      // Editors laid over their cells.
      ClickCell(SetpointGrid::System, 5, 1);
      ClickCell(SetpointGrid::Basic, 4, 1);
      w.grab().save(QString("%1/%2-editing-basic.png").arg(dir, language));
      ClickCell(SetpointGrid::Generator, 3, 3);
      w.grab().save(QString("%1/%2-editing-generator.png").arg(dir, language));
      ClickCell(w.AnalogueGrid(), 2, kAnlgType);
      w.grab().save(QString("%1/%2-editing-sensor.png").arg(dir, language));
    }
    // Titles fit their cells.
    for (const SetpointGridInfo& info : SetpointGrids()) {
      SetpointGridWidget* grid = w.Grid(info.grid);
      QFontMetrics metrics(grid->font());
      for (int row = 1; row < info.rows; ++row) {
        for (int column = 0; column < info.columns; column += 2) {
          const QString text = grid->item(row, column)->text();
          EXPECT_LE(metrics.horizontalAdvance(text) + 6, grid->columnWidth(column))
              << language << " " << text.toStdString();
        }
      }
    }
  }
}

}  // namespace
}  // namespace vorel::test
