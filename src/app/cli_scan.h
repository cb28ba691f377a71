// vorel-cli scan: the addresses that answer on the line, at the configured speed or, with
// --baud auto, at each of the usual speeds.
#pragma once

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

extern const char* const kScanUsage;

// Exit status: 0 when any site answered, 1 when none did or the port failed.
int RunScanCommand(const PortSettings& port, bool everySpeed, bool fast, CliHost& host,
                   EventPump& pump);

}  // namespace vorel
