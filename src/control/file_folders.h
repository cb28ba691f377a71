// The folder a file dialog opens in: the last one used for files of its kind (parameter files,
// event-log files, exports), kept in section Folders of vport.ini across runs.
#pragma once

#include <string>
#include <string_view>

namespace vorel {

enum class FileKind { Parameters, Logs, Exports };

// By the dialog's default extension: "dat" parameters, "log" event logs, anything else
// (csv, html) exports.
FileKind FileKindOf(std::string_view defaultExtension);

// The last folder of the kind; "" when none was kept or the settings file cannot be read
// (the dialog then opens where it would have).
std::string LastFolder(FileKind kind);
// Keeps the folder of `path` (a file chosen in a dialog) for its kind. A settings file that
// cannot be written leaves the folder unkept: the file itself was chosen all the same.
void RememberFolder(FileKind kind, const std::string& path);

// Where a dialog of the kind starts: the last folder joined with `initialName` (the name alone
// when no folder was kept).
std::string InitialPath(FileKind kind, const std::string& initialName);

}  // namespace vorel
