// A language switch reaches every window that is open, not only the main window: the site
// windows' captions, tabs, buttons, row titles, monitor captions and the editors' lists change
// at once. Values and the editors' choices stay as they are.
#pragma once

namespace vorel {

class Session;

void RelabelSiteWindows(Session& session);

}  // namespace vorel
