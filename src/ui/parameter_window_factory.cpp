#include "ui/parameter_window_factory.h"

#include "ui/parameter_window.h"

namespace vorel {

std::unique_ptr<SiteWindow> MakeParameterWindow(Session& session, int site,
                                                SiteCommands& commands) {
  auto window =
      std::make_unique<ParameterWindow>(session.Images(), session.Slots(), site, commands);
  // Site windows never end the program; the main window does.
  window->setAttribute(Qt::WA_QuitOnClose, false);
  // What the history keeps of the controller, against what it holds now.
  HistoryRecorder& history = session.History();
  const SiteImages& images = session.Images();
  window->AddHistoryPage({
      [&history] { return history.Location(); },
      [&images, site] { return HistoryRecorder::KeyOf(images, site); },
      [&images, site] { return std::optional(HistoryRecorder::ParameterSetOf(images, site)); },
      [&history, site] { return history.IdentifiedAtMs(site); },
  });
  return window;
}

}  // namespace vorel
