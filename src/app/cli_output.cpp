#include "app/cli_output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "files/file_error.h"

namespace vorel {
namespace {

struct OutputState {
  bool failed = false;
  int error = 0;  // errno of the first failure; 0 when the system gave none
  bool written = false;
};

OutputState& State() {
  static OutputState state;
  return state;
}

bool Fail() {
  OutputState& s = State();
  if (!s.failed) {
    s.failed = true;
    s.error = errno;
  }
  return false;
}

}  // namespace

bool WriteOut(std::string_view text) {
  OutputState& s = State();
  if (s.failed) return false;
  if (text.empty()) return true;
  s.written = true;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::ferror(stdout))
    return Fail();
  return true;
}

bool PrintOut(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (size > 0) {
    text.resize(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<std::size_t>(size));
  }
  va_end(again);
  return WriteOut(text);
}

bool FlushOut() {
  if (State().failed) return false;
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return Fail();
  return true;
}

bool OutputOk() {
  return !State().failed;
}

int FinishOutput(int status) {
  OutputState& s = State();
  FlushOut();
  // Closing is the last point where a file system reports a write it could not keep. A
  // standard output that was never written to is not closed (it may not be open at all).
  if (s.written && !s.failed) {
    errno = 0;
    if (std::fclose(stdout) != 0) Fail();
  }
  if (!s.failed) return status;
  const FileError error = s.error != 0 ? FileError::System(s.error) : FileError::ShortWrite();
  std::fprintf(stderr, "Unable to write to standard output: %s\n", EnglishReason(error).c_str());
  return 1;
}

}  // namespace vorel
