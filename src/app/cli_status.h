// vorel-cli status: every site of the line in one table (or JSON), with the fleet overview's
// columns, for cron jobs and monitoring scripts.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

extern const char* const kStatusUsage;

// Checks the arguments after the command name; an exit status when they are wrong.
std::optional<int> ParseStatusArguments(const std::vector<std::string_view>& args);
// Exit status: 0 every site answered and none is in alarm, 3 a site is in alarm, 1 otherwise
// (a site did not answer, the port failed).
int RunStatusCommand(const std::vector<std::string_view>& args, const PortSettings& port,
                     CliHost& host, EventPump& pump);

}  // namespace vorel
