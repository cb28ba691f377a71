// vorel-cli --trace FILE: every frame of the command, one line each, as the traffic view shows
// it, written to FILE as it happens.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "link/traffic_log.h"

namespace vorel {

// Takes --trace FILE out of the arguments before the command and creates the file; false with
// the problem in `problem` when FILE is missing or cannot be written.
bool TakeTraceOption(std::vector<std::string_view>& args, std::string* problem);
// Writes the frames recorded in `log` to the trace file, when there is one.
void AttachCliTrace(TrafficLog& log);
// Closes the trace file; false with "Unable to write to FILE: reason" in `problem` when a line
// of it or its close failed.
bool CloseCliTrace(std::string* problem);

}  // namespace vorel
