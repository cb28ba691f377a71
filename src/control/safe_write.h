// The one sequence that writes parameters to a controller: the parameter blocks read again
// just before, the preflight check, a preview of the change list, the running-engine question,
// a snapshot of the controller's parameters as a backup file, then only the registers that
// differ from the fresh read (contiguous ones as one request, in the order of the blocks of a
// parameter write, with its pauses), a read-back of what was written, a rollback of the
// written blocks from the snapshot when a block fails, and on every exit the mode and the
// protection as they were found.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "control/exchange_scope.h"
#include "control/parameter_transfer.h"
#include "control/register_requests.h"
#include "control/transfer_result.h"
#include "control/write_preflight.h"
#include "core/site_images.h"
#include "files/parameter_compare.h"
#include "files/parameter_file.h"
#include "link/host.h"
#include "link/modbus_link.h"

namespace vorel {

class CurveWriter;

// A word above 9999 that no password can be: written to the protection register to lock it.
inline constexpr std::uint16_t kLockWord = 10000;

struct SafeWriteRequest {
  std::vector<LoadedWord> wanted;      // what the source sets
  std::optional<UnitIdentity> source;  // the file's identity; nullopt for the controller's own
  std::vector<LoadedLimit> limits;     // the file's limits
  std::vector<std::string> missingKeys;
  PreflightOptions include;
  // Unlocks a locked controller; empty: protection must already be unlocked.
  std::string password;
  // The answers given in advance (command line); otherwise the host is asked.
  bool allowOtherUnit = false;
  bool stopEngine = false;
  bool askHost = false;          // ask the questions through the host (the window)
  bool stayOff = false;          // leave the set in OFF mode
  bool dryRun = false;           // the change list only, nothing written
  std::string action = "write";  // the audit trail's word for it
  // Refuse a register that no step of a parameter write carries (raw writes); otherwise such
  // a register is left as it is.
  bool onlyParameterRegisters = false;
  // Each line of the change list, before the first write (or the dry run's end).
  std::function<void(const ParameterDifference&)> onChange;
  // After the parameters, the sensor curves the source sets that differ, through the curve
  // writer (restore).
  bool writeCurves = false;
  // A curve the source sets is written even when it does not differ (the curve editor's Write
  // and the curve import, which also make the channel's sensor "User defined").
  bool curvesEvenIfSame = false;
  std::function<void(int channel)> onCurve;  // each curve to be written (channel 0 to 2)
  // Asked between requests: true ends the sequence as a failure would (rollback, mode, lock).
  std::function<bool()> stopRequested;
};

enum class SafeWriteEnd {
  Written,          // written and read back alike
  Unchanged,        // nothing differs: nothing sent
  Previewed,        // dry run: nothing sent
  Refused,          // the preflight or the user said no: nothing sent
  EngineRunning,    // the engine runs and stopping it was not allowed: nothing sent
  Busy,             // another exchange runs: nothing sent
  ReadFailed,       // the fresh read failed: nothing sent
  SnapshotFailed,   // the snapshot could not be saved: nothing sent
  PasswordRefused,  // protection did not open
  WriteFailed,      // a block was not acknowledged; the written blocks were rolled back
  Interrupted,      // stopped on request; the written blocks were rolled back
  ReadBackDiffers,  // written, but some registers read back otherwise
  ReadBackFailed,   // written, but the read-back failed
  Unrecorded,       // written and read back alike, but the audit line could not be written
};

struct ReadBackDifference {
  std::uint16_t reg = 0;
  std::string key;
  std::uint16_t written = 0;
  std::uint16_t readBack = 0;
};

struct SafeWriteResult {
  SafeWriteEnd end = SafeWriteEnd::Refused;
  PreflightResult preflight;
  std::vector<std::string> messages;         // why it was refused, one line each
  std::vector<ParameterDifference> preview;  // the change list
  std::string snapshotPath;
  TransferResult transfer;            // the writes of the changed registers
  std::vector<BlockSpan> rolledBack;  // blocks written back from the snapshot
  bool rollbackComplete = true;       // every written block was written back
  std::vector<ReadBackDifference> differences;
  std::vector<int> curveChannels;  // channels (0 to 2) whose curve differs
  bool modeRestored = true;        // the mode found is back (or was never changed)
  bool lockRestored = true;        // protection locked again (or was not locked)
  bool Sent() const { return !transfer.answered.empty() || transfer.failed.has_value(); }
};

// A register that a parameter write carries by the tables (the parameter table's editors and
// the fixed steps of a parameter write); the controller's descriptors may add others.
bool IsParameterRegister(std::uint16_t reg);

// $XDG_DATA_HOME/vorel/snapshots (by default ~/.local/share/vorel/snapshots).
std::string SnapshotFolder();

class SafeWrite {
 public:
  // `curves` writes the curves of a restore (none: curves are not written).
  SafeWrite(Host& host, SiteImages& images, ModbusLink& link, ExchangeControl& exchange,
            RegisterRequests& requests, ParameterTransfer& parameters,
            CurveWriter* curves = nullptr)
      : host_(host),
        images_(images),
        link_(link),
        exchange_(exchange),
        requests_(requests),
        parameters_(parameters),
        curves_(curves) {}

  // The whole sequence on an identified site. The session's value image holds the fresh read
  // afterwards (and the written words once acknowledged).
  SafeWriteResult Run(int site, const SafeWriteRequest& request);
  // A new password (register 0x0005) on the same terms: refused on a locked controller unless
  // `request.password` opens it, the running-engine question, mode OFF, the audit line (without
  // the password), then mode and protection as found. Nothing is read back or snapshotted.
  SafeWriteResult ChangePassword(int site, const SafeWriteRequest& request,
                                 const std::string& newPassword);

 private:
  // The mode and protection a write found, and what the write changed of them.
  struct FoundState {
    std::uint16_t mode = 0;
    bool locked = false;
    bool running = false;
    bool modeChanged = false;
    bool unlockedByUs = false;
  };
  void Pause(int ms);
  bool ReadPlain(int site, std::uint16_t address, std::uint16_t count);
  // One write; the image takes the words once acknowledged.
  RequestResult Send(int site, std::uint16_t address, std::span<const std::uint16_t> words);
  bool ReadFound(int site, FoundState& found);
  // False (and the result's end set) when the engine turns and may not be stopped.
  bool EngineMayStop(int site, const SafeWriteRequest& request, const FoundState& found,
                     SafeWriteResult& result);
  // Mode OFF and protection open; false (set left as found, end set) when either failed.
  bool Open(int site, const SafeWriteRequest& request, FoundState& found, SafeWriteResult& result);
  void LeaveAsFound(int site, const SafeWriteRequest& request, const FoundState& found,
                    SafeWriteResult& result);

  Host& host_;
  SiteImages& images_;
  ModbusLink& link_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
  ParameterTransfer& parameters_;
  CurveWriter* curves_;
};

// Reads the mode and the monitor's state words of the site: true when the set is not in OFF
// mode and its engine turns (starting, running, on load, cooling down or stopping); nullopt
// when a read failed (the link has told why).
std::optional<bool> EngineRunning(RegisterRequests& requests, const SiteImages& images, int site);

// The texts of the sequence, in the current language.
std::string EngineRunningQuestion(int site);
std::string SafeWriteEndText(SafeWriteEnd end);
// The lines that tell what a rollback restored (and whether it was whole), in the current
// language.
std::vector<std::string> RollbackLines(const SafeWriteResult& result);

}  // namespace vorel
