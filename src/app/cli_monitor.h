// vorel-cli monitor and command: watching a site's live values as the monitor page shows them,
// and sending the page's commands.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

extern const char* const kMonitorUsage;

// Whether `name` is one of the commands here.
bool IsMonitorCommand(std::string_view name);
// Checks the arguments after the command name; an exit status when they are wrong.
std::optional<int> ParseMonitorArguments(std::string_view name,
                                         const std::vector<std::string_view>& args);
// Runs the command (arguments already checked); returns the exit status.
int RunMonitorCommand(std::string_view name, const std::vector<std::string_view>& args,
                      const PortSettings& port, CliHost& host, EventPump& pump);

}  // namespace vorel
