#include "trace.h"

#include <ctime>

namespace vorel::sim {

std::int64_t NowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

Trace::~Trace() {
  if (file_ != nullptr) std::fclose(file_);
}

bool Trace::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void Trace::Frame(std::int64_t startUs, std::int64_t endUs, const char* direction,
                  std::span<const std::uint8_t> bytes, const char* note) {
  if (file_ == nullptr) return;
  std::fprintf(file_, "%lld %lld %s", static_cast<long long>(startUs),
               static_cast<long long>(endUs), direction);
  for (std::uint8_t b : bytes) std::fprintf(file_, " %02X", b);
  if (note != nullptr && note[0] != '\0') std::fprintf(file_, " # %s", note);
  std::fputc('\n', file_);
  std::fflush(file_);
}

}  // namespace vorel::sim
