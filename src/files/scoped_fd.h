// A file descriptor closed on every path out.
#pragma once

#include <unistd.h>

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

}  // namespace vorel
