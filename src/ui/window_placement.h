// Windows open whole on the screen that holds the main window: a window larger than that
// screen's free area is made smaller, and one that would reach past an edge is moved in.
#pragma once

class QWidget;

namespace vorel {

// Places `window` (about to be shown) on the main window's screen, or its own when there is
// no main window.
void PlaceOnMainScreen(QWidget& window);

}  // namespace vorel
