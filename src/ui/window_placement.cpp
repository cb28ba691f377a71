#include "ui/window_placement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vorel {
namespace {

QWidget* MainWindowOf(const QWidget& window) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != &window && w->objectName() == "fmMain") return w;
  return nullptr;
}

}  // namespace

void PlaceOnMainScreen(QWidget& window) {
  const QWidget* main = MainWindowOf(window);
  QScreen* screen = main && main->screen() ? main->screen() : window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The title bar and borders around the window; until the window system has framed it once,
  // room for a usual one is kept.
  QSize frameExtra = window.frameGeometry().size() - window.geometry().size();
  if (frameExtra.isEmpty()) frameExtra = QSize(16, 40);
  const QSize room = area.size() - frameExtra;
  if (window.width() > room.width() || window.height() > room.height())
    window.resize(window.size().boundedTo(room));
  const QSize frame = window.size() + frameExtra;
  QPoint at = window.frameGeometry().topLeft();
  // On another screen than the main window's: brought over, else kept where it is if it fits.
  if (!area.contains(QRect(at, frame))) {
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - frame.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - frame.height())));
  }
  window.move(at);
}

}  // namespace vorel
