// The line the main window's status bar shows after a parameter window's Write, Backup, Load
// or service report ended, in the interface's language; "" when there is nothing to add to
// what the operation showed itself (cancelled, refused or failed with its own message).
#pragma once

#include <optional>
#include <string>

#include "control/safe_write.h"
#include "link/host.h"

namespace vorel {

// The main window's status panel that carries these lines.
inline constexpr int kDoneStatusPanel = 2;

enum class DoneAction { Backup, Load, Report };

// "Written: 3 parameters to site 1." after a write; "Nothing to write: site 1 already holds
// these values." when nothing differed.
std::string WriteDoneNotice(int site, const SafeWriteResult& result);
// "Backup of site 1 saved: FILE.", "Loaded into site 1: FILE.", "Service report of site 1
// written: FILE." for the file the action ended with (none: "").
std::string FileDoneNotice(DoneAction action, int site, const std::optional<std::string>& path);

// The notices into the main window's status bar (nothing for "").
void TellDone(Host& host, DoneAction action, int site, const std::string& path);
void TellWriteDone(Host& host, int site, const SafeWriteResult& result);

}  // namespace vorel
