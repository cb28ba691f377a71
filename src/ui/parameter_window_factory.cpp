#include "ui/parameter_window_factory.h"

#include "ui/parameter_window.h"

namespace vorel {

std::unique_ptr<SiteWindow> MakeParameterWindow(Session& session, int site,
                                                SiteCommands& commands) {
  auto window =
      std::make_unique<ParameterWindow>(session.Images(), session.Slots(), site, commands);
  // Site windows never end the program; the main window does.
  window->setAttribute(Qt::WA_QuitOnClose, false);
  return window;
}

}  // namespace vorel
