// Places a window in the middle of the screen it is on.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace vorel {

inline void CenterOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  window.adjustSize();
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace vorel
