// vorel-cli curve SITE AI1|AI2|AI3 [--export FILE | --import FILE --password PW]: identifies the
// controller and writes the channel's sensor curve as CSV (standard output without a file
// option), or checks a CSV file, unlocks with the password and writes the curve as the curve
// editor's Write does.
#pragma once

#include <span>
#include <string_view>

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

// Exit status: 0 done, 1 the exchange or the file failed, 2 usage error.
int RunCurveCommand(const PortSettings& port, std::span<const std::string_view> args, CliHost& host,
                    EventPump& pump);

}  // namespace vorel
