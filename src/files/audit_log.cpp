#include "files/audit_log.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/sha256.h"
#include "files/scoped_fd.h"

#ifndef VOREL_TOOL_VERSION
#define VOREL_TOOL_VERSION "unknown"
#endif

namespace vorel {
namespace {

constexpr std::string_view kPrevious = " prev=";
constexpr std::size_t kHashDigits = 64;
// The trail is read back only up to this size; a longer one is refused rather than held.
constexpr std::size_t kMaxTrailBytes = std::size_t{1} << 30;

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

// One field without blanks, so that the line splits at its blanks: blanks, '%' and control
// characters become %XX; an empty field is "-".
std::string Field(std::string_view text) {
  if (text.empty()) return "-";
  std::string field;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || c == '%' || byte == 0x7F) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      field += escaped;
    } else {
      field += c;
    }
  }
  return field;
}

// Removes the `written` bytes of a line that did not fit (a full disk), so that the next line
// does not run on from it; left alone when another writer has appended since. True when cut.
bool CutPartialLine(int fd, ssize_t written) {
  struct stat st {};
  const off_t end = ::lseek(fd, 0, SEEK_CUR);
  return end >= written && ::fstat(fd, &st) == 0 && st.st_size == end &&
         ::ftruncate(fd, end - written) == 0;
}

// The last line of the open file (without its line end) and whether the file ends with one.
// Read backwards in pieces from the end; false with errno set on a read error.
bool ReadLastLine(int fd, off_t size, std::string* line, bool* endsWithNewline) {
  line->clear();
  *endsWithNewline = true;
  if (size == 0) return true;
  char last = 0;
  if (::pread(fd, &last, 1, size - 1) != 1) return false;
  *endsWithNewline = last == '\n';
  off_t end = *endsWithNewline ? size - 1 : size;
  std::string piece;
  while (end > 0) {
    const off_t start = std::max<off_t>(0, end - 4096);
    piece.assign(static_cast<std::size_t>(end - start), '\0');
    const ssize_t n = ::pread(fd, piece.data(), piece.size(), start);
    if (n != static_cast<ssize_t>(piece.size())) {
      if (n >= 0) errno = EIO;
      return false;
    }
    const std::size_t newline = piece.rfind('\n');
    if (newline != std::string::npos) {
      line->insert(0, piece.substr(newline + 1));
      return true;
    }
    line->insert(0, piece);
    end = start;
  }
  return true;
}

std::string LoginName() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && found->pw_name[0])
    return found->pw_name;
  const char* user = std::getenv("USER");
  if (user && user[0]) return user;
  return std::to_string(::geteuid());
}

}  // namespace

std::filesystem::path AuditLogPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::filesystem::path(data) / "vorel" / "audit.log";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : ".") / ".local" / "share" / "vorel" / "audit.log";
}

std::string AuditOperator() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0 || !host[0]) std::snprintf(host, sizeof host, "-");
  return LoginName() + "@" + host;
}

std::string AuditChainStart() {
  return std::string(kHashDigits, '0');
}

std::string AuditLine(const AuditRecord& r, std::int64_t when, std::string_view previousHash) {
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S %z", &local);
  std::string line = std::string(stamp) + " " + OneLine(r.action) + " port=" + OneLine(r.port) +
                     " site=" + std::to_string(r.site) +
                     " product=" + std::to_string(r.productCode) +
                     " serial=" + OneLine(r.serialNumber.empty() ? "-" : r.serialNumber);
  line += " operator=" + Field(r.operatorName.empty() ? AuditOperator() : r.operatorName);
  line += " version=" + Field(r.toolVersion.empty() ? VOREL_TOOL_VERSION : r.toolVersion);
  line += " file=" + Field(r.file);
  std::vector<AuditChange> changed;
  for (const AuditChange& c : r.changes)
    if (c.before != c.after) changed.push_back(c);
  line += " registers=" + std::to_string(changed.size());
  for (const AuditChange& c : changed)
    line += " " + Hex4(c.reg) + ":" + Hex4(c.before) + ">" + Hex4(c.after);
  if (!r.note.empty()) line += " " + OneLine(r.note);
  line += kPrevious;
  line += previousHash;
  return line;
}

std::string_view AuditPreviousHash(std::string_view line) {
  if (line.size() < kPrevious.size() + kHashDigits) return {};
  const std::size_t at = line.size() - kHashDigits;
  if (line.substr(at - kPrevious.size(), kPrevious.size()) != kPrevious) return {};
  const std::string_view hash = line.substr(at);
  if (hash.find_first_not_of("0123456789abcdef") != std::string_view::npos) return {};
  return hash;
}

bool AppendAuditRecord(const AuditRecord& record, FileError* error) {
  const auto fail = [&](const FileError& why) {
    if (error) *error = why;
    return false;
  };
  const std::filesystem::path path = AuditLogPath();
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  ScopedFd fd;
  fd.fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd.fd < 0) return fail(FileError::System(errno));
  struct stat st {};
  if (::fstat(fd.fd, &st) != 0) return fail(FileError::System(errno));
  if (!S_ISREG(st.st_mode)) return fail(FileError::NotRegularFile());
  // Another writer (a second tool on the same account) appends between our read of the last
  // line and our write otherwise, and two lines would carry the same hash.
  while (::flock(fd.fd, LOCK_EX) != 0)
    if (errno != EINTR) return fail(FileError::System(errno));
  if (::fstat(fd.fd, &st) != 0) return fail(FileError::System(errno));
  std::string last;
  bool endsWithNewline = true;
  if (!ReadLastLine(fd.fd, st.st_size, &last, &endsWithNewline))
    return fail(FileError::System(errno));
  const std::string previous = st.st_size == 0 ? AuditChainStart() : Sha256Hex(last);
  // A last line cut off by a crash is ended first, so that this line stands on its own.
  std::string line = endsWithNewline ? "" : "\n";
  line += AuditLine(record, std::time(nullptr), previous) + "\n";
  // One write keeps the line whole.
  const ssize_t n = ::write(fd.fd, line.data(), line.size());
  if (n != static_cast<ssize_t>(line.size())) {
    const FileError why = n < 0 ? FileError::System(errno) : FileError::ShortWrite();
    if (n > 0) CutPartialLine(fd.fd, n);
    return fail(why);
  }
  // The line is a record only once it is on the disk.
  if (::fsync(fd.fd) != 0) return fail(FileError::System(errno));
  const int closing = fd.fd;
  fd.fd = -1;
  if (::close(closing) != 0) return fail(FileError::System(errno));
  return true;
}

bool ReadAuditTrail(const std::filesystem::path& path, std::string* bytes, FileError* error) {
  const auto fail = [&](const FileError& why) {
    if (error) *error = why;
    return false;
  };
  bytes->clear();
  ScopedFd fd;
  fd.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd.fd < 0) return errno == ENOENT ? true : fail(FileError::System(errno));
  struct stat st {};
  if (::fstat(fd.fd, &st) != 0) return fail(FileError::System(errno));
  if (!S_ISREG(st.st_mode)) return fail(FileError::NotRegularFile());
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxTrailBytes)
    return fail(FileError::TooLarge(kMaxTrailBytes));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(FileError::System(errno));
    }
    if (n == 0) break;
    if (bytes->size() + static_cast<std::size_t>(n) > kMaxTrailBytes)
      return fail(FileError::TooLarge(kMaxTrailBytes));
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

AuditChainCheck CheckAuditChain(std::string_view bytes) {
  AuditChainCheck check;
  std::string expected = AuditChainStart();
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    ++check.lines;
    if (AuditPreviousHash(line) != expected) {
      check.brokenLine = check.lines;
      return check;
    }
    expected = Sha256Hex(line);
  }
  return check;
}

}  // namespace vorel
