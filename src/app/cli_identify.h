// What vorel-cli identify prints of a site's power-up log: the controller's own identification
// (its name and firmware, product code, serial number) and any fault its status word reports,
// without the tool's banner, the progress lines and the blank lines of the desktop's log.
#pragma once

#include <string>
#include <vector>

namespace vorel {

std::vector<std::string> IdentificationLines(const std::vector<std::string>& powerUpLog);

}  // namespace vorel
