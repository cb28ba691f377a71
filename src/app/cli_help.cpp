#include "app/cli_help.h"

#include <cctype>
#include <cstdio>

#include "app/cli_output.h"

namespace vorel {

const char* const kHelpNotes =
    "\n"
    "Exit status:\n"
    "  0                          done\n"
    "  1                          the exchange failed (the message, such as 'Communication\n"
    "                             timeout!', goes to standard error)\n"
    "  2                          usage error\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/vorel/vport.ini\n"
    "                             the settings: port and line, site addresses, modem option,\n"
    "                             language (by default ~/.config/vorel/vport.ini)\n"
    "  $XDG_DATA_HOME/vorel/audit.log\n"
    "                             every parameter write is added here (by default\n"
    "                             ~/.local/share/vorel/audit.log)\n";

namespace {

constexpr std::string_view kUsagePrefix = "Usage: vorel-cli [--port PATH] [--baud N] ";
constexpr int kUsageExit = 2;
// The column where the usage text's descriptions start.
constexpr std::size_t kDescriptionIndent = 29;

// An entry starts with two blanks and a word; its description lines are indented further.
bool StartsEntry(std::string_view line) {
  return line.size() > 2 && line.substr(0, 2) == "  " && line[2] != ' ';
}

std::string_view FirstWord(std::string_view line) {
  line.remove_prefix(2);
  return line.substr(0, line.find(' '));
}

}  // namespace

std::string CommandHelpText(std::string_view usage, std::string_view command) {
  std::string text;
  bool inside = false;
  while (!usage.empty()) {
    const std::size_t end = usage.find('\n');
    const std::string_view line = usage.substr(0, end);
    usage.remove_prefix(end == std::string_view::npos ? usage.size() : end + 1);
    if (StartsEntry(line)) {
      inside = FirstWord(line) == command;
    } else if (!line.starts_with("   ")) {
      inside = false;
    }
    if (inside) text.append(line).append("\n");
  }
  return text;
}

std::string CommandUsage(std::string_view usage, std::string_view command) {
  std::string text = CommandHelpText(usage, command);
  if (text.empty()) return text;
  // A short entry has its description on the synopsis line, from the description column: it
  // goes below, as in the longer entries.
  const std::size_t lineEnd = text.find('\n');
  if (lineEnd > kDescriptionIndent && text[kDescriptionIndent - 1] == ' ' &&
      std::isalnum(static_cast<unsigned char>(text[kDescriptionIndent]))) {
    const std::size_t synopsisEnd = text.find_last_not_of(' ', kDescriptionIndent - 1) + 1;
    text.replace(synopsisEnd, kDescriptionIndent - synopsisEnd,
                 "\n" + std::string(kDescriptionIndent, ' '));
  }
  return std::string(kUsagePrefix) + text.substr(2);
}

int CommandUsageError(std::string_view command, std::string_view problem) {
  const std::string text = CommandUsage(UsageText(), command);
  std::fprintf(stderr, "vorel-cli: %.*s\n%s", static_cast<int>(problem.size()), problem.data(),
               text.c_str());
  return kUsageExit;
}

int ShortUsageError(std::string_view problem) {
  std::fprintf(stderr, "vorel-cli: %.*s; see vorel-cli --help\n", static_cast<int>(problem.size()),
               problem.data());
  return kUsageExit;
}

std::optional<int> HandleHelpRequest(const std::vector<std::string_view>& args,
                                     const std::string& usage) {
  std::size_t i = 0;
  // Options before the command take a value.
  while (i + 1 < args.size() && (args[i] == "--port" || args[i] == "--baud")) i += 2;
  if (i >= args.size()) return std::nullopt;
  std::string_view command = args[i];
  if (command == "help") {
    if (i + 1 >= args.size()) {
      WriteOut(usage);
      WriteOut(kHelpNotes);
      return 0;
    }
    command = args[i + 1];
  } else {
    bool asked = false;
    for (std::size_t k = i + 1; k < args.size(); ++k)
      asked = asked || args[k] == "--help" || args[k] == "-h";
    if (!asked) return std::nullopt;
  }
  const std::string text = CommandUsage(usage, command);
  if (text.empty()) {
    std::fprintf(stderr, "vorel-cli: no command '%.*s'; 'vorel-cli --help' lists them\n",
                 static_cast<int>(command.size()), command.data());
    return 2;
  }
  WriteOut(text);
  // The notes after the entries (what SITE is, the modem and port options) apply to all.
  const std::size_t notes = usage.find("\nSITE ");
  if (notes != std::string::npos) WriteOut(std::string_view(usage).substr(notes));
  return 0;
}

}  // namespace vorel
