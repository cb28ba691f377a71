// vorel-cli log SITE [--csv FILE] [--log FILE]: identifies the controller, reads its whole
// event log and writes the grid as CSV (standard output without a file option) and/or as the
// event-log file the window's Save writes.
#pragma once

#include <span>
#include <string_view>

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

// Exit status: 0 done, 1 the exchange or a file failed, 2 usage error.
int RunEventLogCommand(const PortSettings& port, std::span<const std::string_view> args,
                       CliHost& host, EventPump& pump);

}  // namespace vorel
