// Creates a site's online parameter window for the session: a ParameterWindow on the
// session's value image and site slots, its controls wired to the session's commands.
#pragma once

#include <memory>

#include "control/session.h"

namespace vorel {

std::unique_ptr<SiteWindow> MakeParameterWindow(Session& session, int site, SiteCommands& commands);

}  // namespace vorel
