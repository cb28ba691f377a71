#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/scoped_fd.h"

namespace vorel {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Truncates and rewrites an existing file, then flushes it to the disk.
bool WriteInPlace(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
  auto fail = [&](int err) {
    if (error) *error = path.string() + ": " + ErrnoText(err);
    return false;
  };
  ScopedFd f;
  f.fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (f.fd < 0) return fail(errno);
  if (!WriteAll(f.fd, bytes) || ::fsync(f.fd) != 0) return fail(errno);
  const int fd = f.fd;
  f.fd = -1;
  if (::close(fd) != 0) return fail(errno);
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = path.string() + ": " + why;
    return false;
  };
  // Replace the file a symbolic link points to, not the link. A link that leads nowhere (a
  // loop, a missing target) is refused: renaming over it would drop the link.
  std::error_code ec;
  std::filesystem::path target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    target = std::filesystem::canonical(path, ec);
    if (ec) return fail(ec.message());
  }
  // A file the user may not write is not replaced behind its back, although the folder
  // would allow the rename.
  const bool exists = ::access(target.c_str(), F_OK) == 0;
  if (exists && ::access(target.c_str(), W_OK) != 0) return fail(ErrnoText(errno));
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  // ".NAME.XXXXXX", built by appending: prepending a literal to a temporary string makes
  // gcc 12 report a false -Wrestrict overlap in optimised builds.
  std::string name = ".";
  name += target.filename().native();
  name += ".XXXXXX";
  std::string tmp = (dir / name).native();
  ScopedFd f;
  f.fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (f.fd < 0) {
    const int err = errno;
    // A folder that refuses a temporary file may still hold a writable file: write that in
    // place instead, which cannot keep the old content on a failure half-way.
    if ((err == EACCES || err == EPERM) && exists && std::filesystem::is_regular_file(target, ec))
      return WriteInPlace(target, bytes, error);
    return fail(ErrnoText(err));
  }
  auto discard = [&](int err) {
    ::close(f.fd);
    f.fd = -1;
    ::unlink(tmp.c_str());
    return fail(ErrnoText(err));
  };
  // Keep the permissions of the file being replaced; new files get the usual 0666 & ~umask.
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(022);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(f.fd, mode) != 0) return discard(errno);
  if (!WriteAll(f.fd, bytes) || ::fsync(f.fd) != 0) return discard(errno);
  if (::close(f.fd) != 0) {
    f.fd = -1;
    int err = errno;
    ::unlink(tmp.c_str());
    return fail(ErrnoText(err));
  }
  f.fd = -1;
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    return fail(ErrnoText(err));
  }
  ScopedFd d;
  d.fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d.fd >= 0) ::fsync(d.fd);
  return true;
}

}  // namespace vorel
