// The port offered when none has been chosen yet: the first USB serial adapter (ttyUSB, ttyACM),
// which is what a service engineer plugs in, else the first port the machine has.
#pragma once

#include <string>
#include <vector>

namespace vorel {

// Empty when `names` is empty.
std::string PreferredPortName(const std::vector<std::string>& names);

}  // namespace vorel
