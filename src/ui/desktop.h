// The desktop tool's windows wired together as vorel runs them. vorel, the guide's screenshots,
// the benchmarks and the window tests all open them here, so that they cannot drift apart.
#pragma once

#include <memory>

#include "ui/main_window.h"

namespace vorel {

class WidgetHost;

// The main window on `host` and `services`, whose session gives each site it identifies or
// opens from a file a parameter window (this replaces `services.makeWindow`).
std::unique_ptr<MainWindow> OpenDesktop(Host& host, MainWindowServices services);
// The same with the widget host attached to it: the host's main status texts, progress and
// boxes go to the main window, a site's status texts to the parameter window of the site while
// it is online, and a box about a site opens over that site's window.
std::unique_ptr<MainWindow> OpenDesktop(WidgetHost& host, MainWindowServices services);

}  // namespace vorel
