// Real files for tests: a temporary folder removed with its contents, and whole-file reads and
// writes in binary.
#pragma once

#include <stdlib.h>

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

}  // namespace vorel::test
