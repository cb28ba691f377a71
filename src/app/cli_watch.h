// vorel-cli watch: the long-running service that watches every site of one or more lines and
// feeds an MQTT broker and a metrics endpoint, read-only.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace vorel {

extern const char* const kWatchUsage;

// A usage error's exit status (after its message), or nothing when the arguments are right.
std::optional<int> ParseWatchArguments(const std::vector<std::string_view>& args);
// Runs until SIGTERM or SIGINT. `port` is the line of the one-line form.
int RunWatchCommand(const PortSettings& port, const std::vector<std::string_view>& args);

}  // namespace vorel
