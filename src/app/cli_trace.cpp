#include "app/cli_trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/file_error.h"

namespace vorel {
namespace {

std::FILE* traceFile = nullptr;
std::string tracePath;
int traceError = 0;  // errno of the first line that could not be written

}  // namespace

bool TakeTraceOption(std::vector<std::string_view>& args, std::string* problem) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--trace") continue;
    if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].starts_with("--")) {
      *problem = "--trace needs a FILE";
      return false;
    }
    const std::string path(args[i + 1]);
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i + 2));
    if (traceFile) std::fclose(traceFile);
    traceFile = std::fopen(path.c_str(), "w");
    tracePath = path;
    if (!traceFile) {
      *problem = "cannot write the trace file " + path + ": " + std::strerror(errno);
      return false;
    }
    // Line by line, so that the trace of a command that is interrupted is complete.
    std::setvbuf(traceFile, nullptr, _IOLBF, 0);
    --i;
  }
  return true;
}

void AttachCliTrace(TrafficLog& log) {
  if (!traceFile) return;
  log.SetSink([](const FrameRecord& record) {
    const std::string line = FormatFrameLine(record);
    if (std::fprintf(traceFile, "%s\n", line.c_str()) < 0 && traceError == 0)
      traceError = errno != 0 ? errno : EIO;
  });
}

bool CloseCliTrace(std::string* problem) {
  if (!traceFile) return true;
  errno = 0;
  if (std::fclose(traceFile) != 0 && traceError == 0) traceError = errno != 0 ? errno : EIO;
  traceFile = nullptr;
  if (traceError == 0) return true;
  *problem = UnableToWriteMessage(tracePath, FileError::System(traceError));
  return false;
}

}  // namespace vorel
