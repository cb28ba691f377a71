#include "app/cli_safe_write.h"

#include <csignal>
#include <cstdio>

#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/language.h"
#include "core/remote_commands.h"

namespace vorel {

const char* const kSafeWriteUsage =
    "  Writes to parameters (restore, write) check the target first: another product\n"
    "    code is refused, another firmware or serial needs --allow-other-unit, values\n"
    "    outside the controller's limits and missing keys are refused; the address, the\n"
    "    engine counters and the clock stay as they are unless --include-address /\n"
    "    --include-counters; a running engine needs --stop-engine. Only registers that\n"
    "    differ from a fresh read are written; the controller's parameters are saved\n"
    "    first as a snapshot (its path is printed), a failed block rolls back what was\n"
    "    written, and the mode and protection are left as found (--stay-off keeps OFF).\n"
    "    --dry-run prints the change list and writes nothing.\n";

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int signal) {
  stopSignal = signal;
}

// SIGINT, SIGTERM and SIGHUP only set a flag while the sequence runs; the sequence asks for it
// between requests.
class StopSignals {
 public:
  StopSignals() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t k = 0; k < std::size(kSignals); ++k) sigaction(kSignals[k], &action, &old_[k]);
  }
  ~StopSignals() {
    for (std::size_t k = 0; k < std::size(kSignals); ++k) sigaction(kSignals[k], &old_[k], nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction old_[3]{};
};

}  // namespace

bool TakeWriteFlag(std::span<const std::string_view> args, std::size_t& i, CliWriteFlags& flags,
                   bool* bad) {
  const std::string_view a = args[i];
  if (a == "--password") {
    if (i + 1 >= args.size()) {
      *bad = true;
      return true;
    }
    flags.password = std::string(args[++i]);
    return true;
  }
  const struct {
    std::string_view name;
    bool CliWriteFlags::*flag;
  } kFlags[] = {
      {"--dry-run", &CliWriteFlags::dryRun},
      {"--allow-other-unit", &CliWriteFlags::allowOtherUnit},
      {"--stop-engine", &CliWriteFlags::stopEngine},
      {"--include-address", &CliWriteFlags::includeAddress},
      {"--include-counters", &CliWriteFlags::includeCounters},
      {"--stay-off", &CliWriteFlags::stayOff},
  };
  for (const auto& f : kFlags) {
    if (a == f.name) {
      flags.*f.flag = true;
      return true;
    }
  }
  return false;
}

std::optional<std::string> CheckRawWrite(std::uint16_t address, std::size_t count) {
  for (const std::uint16_t reg : {reg::kCommand.address, reg::kOperatingMode.address}) {
    if (reg >= address && reg < address + count) {
      char text[96];
      std::snprintf(text, sizeof text, "0x%04X is written by 'command' (it asks what it must)",
                    reg);
      return std::string(text);
    }
  }
  return std::nullopt;
}

bool IsParameterWrite(std::uint16_t address, std::size_t count) {
  for (std::size_t k = 0; k < count; ++k)
    if (IsParameterRegister(static_cast<std::uint16_t>(address + k))) return true;
  return false;
}

int RunParameterWrite(const PortSettings& port, int site, std::uint16_t address,
                      std::span<const std::uint16_t> words, const CliWriteFlags& flags,
                      CliHost& host, EventPump& pump) {
  ReadAccessLevel();
  CliSession cli(host, pump);
  if (!cli.Open(port) || !cli.Identify(site)) return 1;
  cli.session().Poll().StopAll();
  SafeWriteRequest request;
  request.onlyParameterRegisters = true;
  for (std::size_t k = 0; k < words.size(); ++k)
    request.wanted.push_back({static_cast<std::uint16_t>(address + k), words[k]});
  // Asked for by address: the address, counters and clock are what the user means to write.
  CliWriteFlags own = flags;
  own.includeAddress = own.includeCounters = true;
  request.include.includeClock = true;
  return RunCliSafeWrite(cli, site, std::move(request), own);
}

int RunCliSafeWrite(CliSession& cli, int site, SafeWriteRequest request, const CliWriteFlags& flags,
                    SafeWriteEnd* end) {
  Session& session = cli.session();
  // The write's questions and its ending speak the language the engineer chose.
  try {
    SetLanguageSetting(LoadLanguage());
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  request.password = flags.password.value_or("");
  request.dryRun = flags.dryRun;
  request.allowOtherUnit = flags.allowOtherUnit;
  request.stopEngine = flags.stopEngine;
  request.stayOff = flags.stayOff;
  request.include.includeAddress = flags.includeAddress;
  request.include.includeCounters = flags.includeCounters;
  request.onChange = [](const ParameterDifference& d) {
    PrintOut("%s: %s -> %s%s%s (%s)\n", d.name.c_str(), d.first.c_str(), d.second.c_str(),
             d.unit.empty() ? "" : " ", d.unit.c_str(), d.key.c_str());
    std::fflush(stdout);
  };
  if (!request.onCurve)
    request.onCurve = [](int channel) {
      PrintOut("AI%d curve: differs, written after the parameters\n", channel + 1);
      std::fflush(stdout);
    };
  request.stopRequested = [] { return stopSignal != 0; };

  const StopSignals stopSignals;
  SafeWrite sequence(cli.host(), session.Images(), session.Link(), session, session,
                     session.Parameters(), &session.Curves());
  const SafeWriteResult result = sequence.Run(site, request);
  session.Poll().StopAll();
  if (end) *end = result.end;

  for (const std::string& line : result.messages)
    std::fprintf(stderr, "Address %d: %s\n", site, line.c_str());
  if (result.preflight.otherUnit && !flags.allowOtherUnit && result.end == SafeWriteEnd::Refused)
    std::fprintf(stderr, "Address %d: --allow-other-unit writes it all the same\n", site);
  for (const RegisterChange& c : result.preflight.leftOut) {
    const std::optional<GuardedKind> kind = GuardOf(c.reg);
    std::fprintf(stderr, "Address %d: 0x%04X left as the controller has it%s\n", site, c.reg,
                 kind == GuardedKind::Address   ? " (--include-address writes it)"
                 : kind == GuardedKind::Counter ? " (--include-counters writes it)"
                                                : "");
  }
  if (!result.snapshotPath.empty())
    std::fprintf(stderr, "Address %d: snapshot %s\n", site, result.snapshotPath.c_str());
  if (result.transfer.failed)
    std::fprintf(stderr, "Address %d: block 0x%04X+%d was not written\n", site,
                 result.transfer.failed->block.address, result.transfer.failed->block.count);
  for (const BlockSpan& b : result.rolledBack)
    std::fprintf(stderr, "Address %d: restored 0x%04X+%d from the snapshot\n", site, b.address,
                 b.count);
  if (!result.rollbackComplete)
    std::fprintf(stderr, "Address %d: the rollback is incomplete\n", site);
  if (!result.modeRestored)
    std::fprintf(stderr, "Address %d: the mode could not be put back\n", site);
  if (!result.lockRestored)
    std::fprintf(stderr, "Address %d: the protection could not be locked again\n", site);
  for (const ReadBackDifference& d : result.differences)
    PrintOut("0x%04X %s: written %d, read back %d\n", d.reg, d.key.c_str(),
             static_cast<std::int16_t>(d.written), static_cast<std::int16_t>(d.readBack));
  std::fflush(stdout);
  std::fprintf(stderr, "Address %d: %s\n", site, SafeWriteEndText(result.end).c_str());
  const bool ok = result.end == SafeWriteEnd::Written || result.end == SafeWriteEnd::Unchanged ||
                  result.end == SafeWriteEnd::Previewed;
  return ok && result.modeRestored && result.lockRestored ? 0 : 1;
}

}  // namespace vorel
