#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Writes `bytes` at the start of the file; `done` counts the bytes that reached it, so that a
// failure part-way knows how much was overwritten. False with errno set on a failure.
bool WriteAllAtStart(int fd, std::string_view bytes, std::size_t* done) {
  *done = 0;
  while (*done < bytes.size()) {
    ssize_t n = ::pwrite(fd, bytes.data() + *done, bytes.size() - *done, static_cast<off_t>(*done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    *done += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads the first `out->size()` bytes of the file; a file that turns out shorter gives fewer.
bool ReadStart(int fd, std::string* out) {
  std::size_t done = 0;
  while (done < out->size()) {
    ssize_t n = ::pread(fd, out->data() + done, out->size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  out->resize(done);
  return true;
}

// Rewrites an existing file in place, for a folder that refuses a temporary file. Only the
// first bytes up to the new length are overwritten, so only those are kept in memory (never more
// than the new content); the file is cut to the new length after the new bytes are on the disk.
// A failure before that puts the kept bytes and the old length back.
bool WriteInPlace(const std::filesystem::path& path, std::string_view bytes, FileError* error) {
  auto fail = [&](int err) {
    if (error) *error = FileError::System(err);
    return false;
  };
  ScopedFd f;
  f.fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (f.fd < 0) return fail(errno);
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) {
    if (error) *error = FileError::NotRegularFile();
    return false;
  }
  const off_t oldSize = st.st_size;
  std::string kept(std::min(static_cast<std::size_t>(oldSize), bytes.size()), '\0');
  if (!ReadStart(f.fd, &kept)) return fail(errno);
  std::size_t written = 0;
  if (!WriteAllAtStart(f.fd, bytes, &written) || ::fsync(f.fd) != 0 ||
      (oldSize > static_cast<off_t>(bytes.size()) &&
       ::ftruncate(f.fd, static_cast<off_t>(bytes.size())) != 0)) {
    const int err = errno;
    // The old length first (a grown file gives its space back), then the overwritten bytes.
    std::size_t restored = 0;
    if (::ftruncate(f.fd, oldSize) == 0 &&
        WriteAllAtStart(f.fd, std::string_view(kept).substr(0, written), &restored))
      ::fsync(f.fd);
    return fail(err);
  }
  // Only a failure to flush the cut is left, and the file already holds the new content.
  if (oldSize > static_cast<off_t>(bytes.size()) && ::fsync(f.fd) != 0) return fail(errno);
  const int fd = f.fd;
  f.fd = -1;
  if (::close(fd) != 0) return fail(errno);
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileError* error) {
  auto fail = [&](int err) {
    if (error) *error = FileError::System(err);
    return false;
  };
  // Replace the file a symbolic link points to, not the link. A link that leads nowhere (a
  // loop, a missing target) is refused: renaming over it would drop the link.
  std::error_code ec;
  std::filesystem::path target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    target = std::filesystem::canonical(path, ec);
    if (ec) return fail(ec.value());
  }
  // A file the user may not write is not replaced behind its back, although the folder
  // would allow the rename.
  const bool exists = ::access(target.c_str(), F_OK) == 0;
  if (exists && ::access(target.c_str(), W_OK) != 0) return fail(errno);
  // A folder, pipe or device in the file's place is never renamed over.
  if (exists && !std::filesystem::is_regular_file(target, ec)) {
    if (error) *error = FileError::NotRegularFile();
    return false;
  }
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
    // place instead.
    if ((err == EACCES || err == EPERM) && exists) return WriteInPlace(target, bytes, error);
    return fail(err);
  }
  auto discard = [&](int err) {
    ::close(f.fd);
    f.fd = -1;
    ::unlink(tmp.c_str());
    return fail(err);
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
    return fail(err);
  }
  f.fd = -1;
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    return fail(err);
  }
  ScopedFd d;
  d.fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d.fd >= 0) ::fsync(d.fd);
  return true;
}

bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, FileError* error) {
  ScopedFd taken;
  // O_NOFOLLOW: a dangling symbolic link under the name is not followed to create its target.
  taken.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (taken.fd < 0) {
    if (error) *error = FileError::System(errno);
    return false;
  }
  ::close(taken.fd);
  taken.fd = -1;
  if (WriteFileAtomically(path, bytes, error)) return true;
  ::unlink(path.c_str());
  return false;
}

}  // namespace vorel
