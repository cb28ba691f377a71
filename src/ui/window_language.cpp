#include "ui/window_language.h"

#include "control/session.h"
#include "ui/parameter_window.h"

namespace vorel {

void RelabelSiteWindows(Session& session) {
  for (int site = 1; site <= kSiteCount; ++site) {
    auto* window = dynamic_cast<ParameterWindow*>(session.Window(site));
    if (!window) continue;
    window->ApplyWindowTexts();
    window->SetGridTitles({SetpointGrid::System, SetpointGrid::Compensation, SetpointGrid::Basic,
                           SetpointGrid::Engine, SetpointGrid::EngineProtection,
                           SetpointGrid::Generator, SetpointGrid::Mains});
    window->GridTitleChannelShow();
    window->RelabelEditorLists();
    emit window->channelTitlesChanged();
  }
}

}  // namespace vorel
