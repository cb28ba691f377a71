// vorel-cli report SITE --out FILE.html: identifies the controller, reads its parameters as
// the window's Read does, polls its live values once, reads the event log and writes the
// service report.
#pragma once

#include <span>
#include <string_view>

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

extern const char* const kReportUsage;

// Exit status: 0 done, 1 an exchange or the file failed (a report without the event log is
// still written when only the log could not be read), 2 usage error.
int RunReportCommand(const PortSettings& port, std::span<const std::string_view> args,
                     CliHost& host, EventPump& pump);

}  // namespace vorel
