#include "files/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/sha256.h"
#include "files/scoped_fd.h"

namespace vorel {

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

FileIdentity IdentifyFile(const std::string& path, std::size_t maxBytes) {
  FileIdentity identity{AbsolutePath(path), 0, {}};
  ScopedFd f;
  // Non-blocking: a named pipe in the file's place cannot hang the program.
  f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f.fd < 0) return identity;
  struct stat st {};
  if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return identity;
  identity.modified = static_cast<std::int64_t>(st.st_mtime);
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return identity;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(f.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return identity;
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) return identity;
  }
  identity.sha256 = Sha256Hex(bytes);
  return identity;
}

}  // namespace vorel
