// What Connect says about selected sites whose slot is held by a window opened from a
// parameter file: such a site is not connected, and closing that window frees it.
#pragma once

#include <string>
#include <vector>

namespace vorel {

// "Site 1 was not connected: its slot is taken by a window opened from a parameter file.
// Close that window (Exit) to connect to site 1." in the interface's language; several sites
// are listed together ("Sites 1, 3 were ..."). "" for none.
std::string TakenSlotText(const std::vector<int>& sites);

}  // namespace vorel
