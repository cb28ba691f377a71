#include "files/audit_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "files/scoped_fd.h"

namespace vorel {
namespace {

std::string Hex4(std::uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", word);
  return text;
}

// Keeps a line one line: no line ends or other control characters from free texts.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return text;
}

// Removes the `written` bytes of a line that did not fit (a full disk), so that the next line
// does not run on from it; left alone when another writer has appended since. True when cut.
bool CutPartialLine(int fd, ssize_t written) {
  struct stat st {};
  const off_t end = ::lseek(fd, 0, SEEK_CUR);
  return end >= written && ::fstat(fd, &st) == 0 && st.st_size == end &&
         ::ftruncate(fd, end - written) == 0;
}

}  // namespace

std::filesystem::path AuditLogPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::filesystem::path(data) / "vorel" / "audit.log";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : ".") / ".local" / "share" / "vorel" / "audit.log";
}

std::string AuditLine(const AuditRecord& r, std::int64_t when) {
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::string line = std::string(stamp) + " " + OneLine(r.action) + " port=" + OneLine(r.port) +
                     " site=" + std::to_string(r.site) +
                     " product=" + std::to_string(r.productCode) +
                     " serial=" + OneLine(r.serialNumber.empty() ? "-" : r.serialNumber);
  line += " registers=" + std::to_string(r.changes.size());
  for (const AuditChange& c : r.changes)
    line += " " + Hex4(c.reg) + ":" + Hex4(c.before) + ">" + Hex4(c.after);
  if (!r.note.empty()) line += " " + OneLine(r.note);
  return line;
}

bool AppendAuditRecord(const AuditRecord& record, FileError* error) {
  const std::filesystem::path path = AuditLogPath();
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const std::string line = AuditLine(record, std::time(nullptr)) + "\n";
  ScopedFd fd;
  fd.fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd.fd < 0) {
    if (error) *error = FileError::System(errno);
    return false;
  }
  // One write keeps lines of concurrent writers whole.
  const ssize_t n = ::write(fd.fd, line.data(), line.size());
  if (n != static_cast<ssize_t>(line.size())) {
    if (error) *error = n < 0 ? FileError::System(errno) : FileError::ShortWrite();
    if (n > 0) CutPartialLine(fd.fd, n);
    return false;
  }
  return true;
}

}  // namespace vorel
