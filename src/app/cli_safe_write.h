// The options and printing of vorel-cli's writes to parameters (restore, write): each goes
// through the one checked write sequence; SIGINT, SIGTERM and SIGHUP end it the way a failure
// does (written blocks rolled back, mode and protection as found).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "control/safe_write.h"

namespace vorel {

class CliSession;

extern const char* const kSafeWriteUsage;

struct CliWriteFlags {
  std::optional<std::string> password;
  bool dryRun = false;
  bool allowOtherUnit = false;
  bool stopEngine = false;
  bool includeAddress = false;
  bool includeCounters = false;
  bool stayOff = false;
};

// Takes the write option at args[i] (and --password's value); false when args[i] is none.
// `*bad` is set when --password lacks its value.
bool TakeWriteFlag(std::span<const std::string_view> args, std::size_t& i, CliWriteFlags& flags,
                   bool* bad);

// Runs the sequence on an identified site: refusals, the change list, the snapshot's path, the
// rollback and the ending printed; the exit status (0 written, unchanged or previewed).
int RunCliSafeWrite(CliSession& cli, int site, SafeWriteRequest request,
                    const CliWriteFlags& flags);

}  // namespace vorel
