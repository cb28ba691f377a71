// vorel-cli history: what the history store keeps of a controller (visits and writes, the
// parameter changes since the visit before, the merged event log, a trend series), and the
// export and import of a history file; --history URL chooses the database for every command.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "control/session.h"

namespace vorel {

extern const char* const kHistoryUsage;

// Takes --history URL out of the arguments (wherever it stands); false with the problem when
// URL is missing or not a database location.
bool TakeHistoryOption(std::vector<std::string_view>& args, std::string* problem);
// Starts the session's recording into the chosen database (vport.ini's [History] when
// --history was not given); a database that cannot be kept is said once on standard error.
void StartCliHistory(Session& session);

// Exit status: 0 printed, 1 the database or a file failed or nothing is known of the
// controller, 2 usage error.
int RunHistoryCommand(std::span<const std::string_view> args);

}  // namespace vorel
