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

// The whole usage text: the synopsis, every command's entry and the notes on the options.
std::string UsageText();

// The entries of a usage text whose first word is the command ("  backup SITE... ..." and
// its indented continuation lines); empty when no entry is.
std::string CommandHelpText(std::string_view usage, std::string_view command);

// One command's usage as its help and its usage errors show it: the synopsis line with the
// command's entry below.
std::string CommandUsage(std::string_view usage, std::string_view command);

// A wrong argument of `command`: prints "vorel-cli: PROBLEM" and that command's usage on
// standard error; returns the exit status of a usage error.
int CommandUsageError(std::string_view command, std::string_view problem);

// A usage error that no command's usage explains (an unknown option or command): one line
// naming it and pointing to --help; returns the exit status of a usage error.
int ShortUsageError(std::string_view problem);

// When the arguments (options already taken) ask for help, prints it and returns the exit
// status: 0 after the help, 2 for a command the usage text does not know.
std::optional<int> HandleHelpRequest(const std::vector<std::string_view>& args,
                                     const std::string& usage);

}  // namespace vorel
