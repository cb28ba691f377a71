// --json: a command prints one JSON document (one line, UTF-8) on standard output instead of
// its text lines, so that a script reads it with a JSON parser. Messages and progress stay on
// standard error. The schema of each command is in the usage text and the guide.
#pragma once

#include <QJsonObject>
#include <string_view>
#include <vector>

namespace vorel {

extern const char* const kJsonUsage;

// Removes every --json from `args`; true when there was one.
bool TakeJsonOption(std::vector<std::string_view>& args);
bool CliJson();
// Whether the command prints JSON with --json.
bool CommandHasJson(std::string_view command);
// The document, compact, and a newline, through the checked standard output.
bool WriteJson(const QJsonObject& document);

// Progress on standard error, only when it is a terminal: the line is rewritten in place and
// cleared by EndProgress.
void ShowProgress(const std::string& text);
void EndProgress();

}  // namespace vorel
