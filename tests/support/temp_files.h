// Real files for tests: a temporary folder removed with its contents, whole-file reads and
// writes in binary, and a full disk made by a file size limit.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace vorel::test {

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

class TempDir {
 public:
  explicit TempDir(const char* prefix = "vorel-test") {
    std::string t =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    path_ = ::mkdtemp(t.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A full disk for as long as it lives: this process cannot write a file past `bytes` (the write
// fails with EFBIG instead of raising SIGXFSZ). The old limit comes back at the end of scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    set_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
    rlimit small = saved_;
    small.rlim_cur = bytes;
    set_ = set_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    if (set_) ::setrlimit(RLIMIT_FSIZE, &saved_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool set() const { return set_; }

 private:
  rlimit saved_{};
  bool set_ = false;
};

}  // namespace vorel::test
