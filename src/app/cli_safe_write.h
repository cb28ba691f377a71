// The options and printing of vorel-cli's writes to parameters (restore, write): each goes
// through the one checked write sequence; SIGINT, SIGTERM and SIGHUP end it the way a failure
// does (written blocks rolled back, mode and protection as found).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "control/safe_write.h"
#include "link/serial_port.h"

namespace vorel {

class CliSession;
class CliHost;
class EventPump;

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
// rollback and the ending printed; the exit status (0 written, unchanged or previewed). A
// request's own onCurve stays; `end` takes how the sequence ended.
int RunCliSafeWrite(CliSession& cli, int site, SafeWriteRequest request, const CliWriteFlags& flags,
                    SafeWriteEnd* end = nullptr);

// vorel-cli write: why a raw write of `count` words from `address` is refused (the command
// and mode registers belong to 'command'), or nullopt.
std::optional<std::string> CheckRawWrite(std::uint16_t address, std::size_t count);
// True when any of the words goes to a parameter register, and so through the checked write.
bool IsParameterWrite(std::uint16_t address, std::size_t count);
// The checked write of `words` from `address` to the identified site.
int RunParameterWrite(const PortSettings& port, int site, std::uint16_t address,
                      std::span<const std::uint16_t> words, const CliWriteFlags& flags,
                      CliHost& host, EventPump& pump);

}  // namespace vorel
