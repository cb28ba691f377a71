#include "app/cli_json.h"

#include <unistd.h>

#include <QJsonDocument>
#include <cstdio>
#include <string>

#include "app/cli_output.h"

namespace vorel {
namespace {

bool json = false;
bool progressShown = false;

}  // namespace

const char* const kJsonUsage =
    "  --json                     print one JSON document instead of text (read, identify,\n"
    "                             scan, monitor, log, diff, status, audit; status's is\n"
    "                             described under status); read: {\"site\", \"address\",\n"
    "                             \"words\": [N...]}; identify: {\"sites\": [{\"site\",\n"
    "                             \"connected\", \"identification\": [LINE...],\n"
    "                             \"message\"}]}; scan: {\"speeds\": [{\"baud\", \"sites\":\n"
    "                             [{\"site\", \"productCode\"}]}]}; monitor: one line per\n"
    "                             poll, failed polls included: {\"site\", \"time\", \"ok\",\n"
    "                             \"status\", \"state\": [LINE...], \"values\": [{\"title\",\n"
    "                             \"value\"}], \"alarms\": [LINE...]}; log: {\"site\",\n"
    "                             \"columns\": [TITLE...], \"rows\": [[TEXT...]...]}; diff:\n"
    "                             {\"a\", \"b\", \"equal\", \"groups\": [{\"heading\",\n"
    "                             \"differences\": [{\"title\", \"a\", \"b\", \"key\"}]}]};\n"
    "                             audit: {\"path\", \"entries\": [{\"time\", \"action\",\n"
    "                             \"site\", \"line\"}]}, with --verify {\"path\", \"whole\",\n"
    "                             \"checked\", \"brokenLine\"}; each also has \"command\"\n";

bool TakeJsonOption(std::vector<std::string_view>& args) {
  for (std::size_t i = 0; i < args.size();) {
    if (args[i] == "--json") {
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      json = true;
    } else {
      ++i;
    }
  }
  return json;
}

bool CliJson() {
  return json;
}

bool CommandHasJson(std::string_view command) {
  for (std::string_view name :
       {"read", "identify", "scan", "monitor", "log", "diff", "status", "audit"})
    if (command == name) return true;
  return false;
}

bool WriteJson(const QJsonObject& document) {
  const QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Compact);
  return WriteOut(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) &&
         WriteOut("\n") && FlushOut();
}

void ShowProgress(const std::string& text) {
  static const bool terminal = ::isatty(STDERR_FILENO) == 1;
  if (!terminal) return;
  // Carriage return and clear to the end of the line: the progress stays on one line.
  std::fprintf(stderr, "\r%s\033[K", text.c_str());
  std::fflush(stderr);
  progressShown = true;
}

void EndProgress() {
  if (!progressShown) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  progressShown = false;
}

}  // namespace vorel
