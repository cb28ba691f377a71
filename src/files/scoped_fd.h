// A file descriptor closed on every path out, and the text of an errno value.
#pragma once

#include <unistd.h>

#include <cstring>
#include <string>

namespace vorel {

struct ScopedFd {
  int fd = -1;
  ScopedFd() = default;
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  ~ScopedFd() {
    if (fd >= 0) ::close(fd);
  }
};

inline std::string ErrnoText(int err) {
  return std::strerror(err);
}

}  // namespace vorel
