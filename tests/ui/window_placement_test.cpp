#include <QMainWindow>
#include <QScreen>

#include "ui/site_window_tabs.h"
#include "ui/window_placement.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

// A site window asked for at a place or a size that reaches past the screen opens whole on it.
TEST(WindowPlacement, SiteWindowsOpenWholeOnTheMainWindowsScreen) {
  QMainWindow main;
  main.setObjectName("fmMain");
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  const QRect area = main.screen()->availableGeometry();
  struct Case {
    QPoint at;
    QSize size;
  } cases[] = {
      {{40, area.height() - 250}, {500, 640}},                // bottom off the screen
      {{area.width() - 100, 20}, {400, 300}},                 // right edge off
      {{-300, -200}, {400, 300}},                             // above and left of it
      {{10, 10}, {area.width() + 300, area.height() + 200}},  // larger than the screen
      {{20, 30}, {300, 200}},                                 // fits: stays where it is
  };
  for (const Case& c : cases) {
    QWidget window;
    window.move(c.at);
    window.resize(c.size);
    BringSiteWindowForward(&window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    if (area.contains(QRect(c.at, c.size))) {
      EXPECT_EQ(window.pos(), c.at);
    }
  }
}

}  // namespace
}  // namespace vorel::test
