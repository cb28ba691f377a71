// vorel-cli's help: `vorel-cli help [COMMAND]` and `vorel-cli COMMAND --help` print the entry
// of the usage text that describes the command, so that each command's help, the full
// --help and the manual page generated from it never say different things.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorel {

// What --help prints after the notes of the commands: exit status, files, more help.
extern const char* const kHelpNotes;

// The entries of a usage text whose first word is the command ("  backup SITE... ..." and
// its indented continuation lines); empty when no entry is.
std::string CommandHelpText(std::string_view usage, std::string_view command);

// When the arguments (options already taken) ask for help, prints it and returns the exit
// status: 0 after the help, 2 for a command the usage text does not know.
std::optional<int> HandleHelpRequest(const std::vector<std::string_view>& args,
                                     const std::string& usage);

}  // namespace vorel
