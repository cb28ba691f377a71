#include "app/cli_audit.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <optional>
#include <string>

#include "app/cli_help.h"
#include "app/cli_json.h"
#include "app/cli_output.h"
#include "core/site_images.h"
#include "files/audit_log.h"
#include "files/file_error.h"

namespace vorel {

const char* const kAuditUsage =
    "  audit [--site N] [--verify]\n"
    "                             print the audit trail of writes (all sites or one);\n"
    "                             --verify follows the trail's hash chain instead: exit 0\n"
    "                             when it is whole, 1 naming the first line that breaks it\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

int AuditUsage(const char* problem) {
  return CommandUsageError("audit", problem);
}

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A line of the trail as JSON: its time, what was done and the site taken out of it, and the
// whole line.
QJsonObject AuditEntry(std::string_view line) {
  // "YYYY-MM-DD HH:MM:SS +ZZZZ ACTION port=..."
  constexpr std::size_t kStampLength = 25;
  QJsonObject entry{{"line", Q(line)}};
  if (line.size() > kStampLength && line[kStampLength] == ' ') {
    entry["time"] = Q(line.substr(0, kStampLength));
    const std::string_view rest = line.substr(kStampLength + 1);
    entry["action"] = Q(rest.substr(0, rest.find(' ')));
  }
  const std::size_t at = line.find(" site=");
  if (at != std::string_view::npos) {
    int site = 0;
    for (std::size_t i = at + 6; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
      site = site * 10 + (line[i] - '0');
    entry["site"] = site;
  }
  return entry;
}

}  // namespace

int RunAuditCommand(std::span<const std::string_view> args) {
  std::optional<int> site;
  bool verify = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--verify") {
      verify = true;
    } else if (args[i] == "--site" && i + 1 < args.size()) {
      const std::string_view text = args[++i];
      if (text.empty() || text.size() > 2 ||
          text.find_first_not_of("0123456789") != std::string_view::npos ||
          !IsSite(std::stoi(std::string(text))))
        return AuditUsage("SITE must be 1 to 32");
      site = std::stoi(std::string(text));
    } else {
      return AuditUsage("audit takes only --site N and --verify");
    }
  }
  if (verify && site) return AuditUsage("--verify checks the whole trail, without --site");

  const std::filesystem::path path = AuditLogPath();
  std::string bytes;
  FileError error;
  if (!ReadAuditTrail(path, &bytes, &error)) {
    std::fprintf(stderr, "Unable to read %s: %s\n", path.c_str(), EnglishReason(error).c_str());
    return kExitFailed;
  }
  if (verify) {
    const AuditChainCheck check = CheckAuditChain(bytes);
    if (CliJson()) {
      WriteJson(QJsonObject{{"command", "audit"},
                            {"path", Q(path.string())},
                            {"whole", check.whole()},
                            {"checked", static_cast<int>(check.lines)},
                            {"brokenLine", static_cast<int>(check.brokenLine)}});
      return check.whole() ? kExitOk : kExitFailed;
    }
    if (!check.whole()) {
      std::fprintf(stderr,
                   "%s: the chain is broken at line %zu: it does not carry the hash of the line "
                   "before it\n",
                   path.c_str(), check.brokenLine);
      return kExitFailed;
    }
    PrintOut("%s: the chain is whole (%zu lines)\n", path.c_str(), check.lines);
    return kExitOk;
  }
  const std::string mark = site ? " site=" + std::to_string(*site) + " " : std::string();
  std::string_view rest = bytes;
  QJsonArray entries;
  while (!rest.empty() && OutputOk()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (mark.empty() || line.find(mark) != std::string_view::npos) {
      if (CliJson()) {
        entries.append(AuditEntry(line));
        continue;
      }
      WriteOut(line);
      WriteOut("\n");
    }
  }
  if (CliJson())
    WriteJson(QJsonObject{{"command", "audit"}, {"path", Q(path.string())}, {"entries", entries}});
  return kExitOk;
}

}  // namespace vorel
