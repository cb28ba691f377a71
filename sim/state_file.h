// Saved simulator state: the register image, event log and password of every site.
//
//   vorel-sim state 1
//   site N password P
//   image
//   512 words in hexadecimal, 16 per line
//   log
//   112 lines of 32 words in hexadecimal
//   end
//
// Written to a temporary file beside the target and renamed over it.
#pragma once

#include <string>

#include "modbus_server.h"

namespace vorel::sim {

// Loads the sites named in the file that also exist in `sites`. The file is read completely and
// checked before anything is applied: on any error nothing changes, `error` says why and the
// result is false. A missing file is not an error (nothing to load).
bool LoadState(const std::string& path, Sites& sites, std::string& error);

// The same for the text of a state file (`path` only names it in messages).
bool ParseState(const std::string& text, const std::string& path, Sites& sites, std::string& error);

bool SaveState(const std::string& path, const Sites& sites, std::string& error);

}  // namespace vorel::sim
