// vorel-cli backup, restore and diff: parameter files without windows, through the editor
// model and the same transfer and file code as the parameter window.
#pragma once

#include <span>
#include <string_view>

#include "link/serial_port.h"

namespace vorel {

class CliHost;
class EventPump;

extern const char* const kParameterFileUsage;

bool IsParameterFileCommand(std::string_view name);
// Exit status: 0 done (diff: equal), 1 failed (diff: different), 2 usage error (diff: trouble).
// `fast` collects the replies event-driven (ModbusLink::SetFastCollection).
int RunParameterFileCommand(std::string_view name, std::span<const std::string_view> args,
                            const PortSettings& port, CliHost& host, EventPump& pump,
                            bool fast = false);

}  // namespace vorel
