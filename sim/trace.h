// The frame trace: one line per frame, "START_US END_US DIR HEX... [# NOTE]".
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace vorel::sim {

// CLOCK_MONOTONIC in microseconds.
std::int64_t NowUs();

class Trace {
 public:
  Trace() = default;
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  bool Open(const std::string& path);
  void Frame(std::int64_t startUs, std::int64_t endUs, const char* direction,
             std::span<const std::uint8_t> bytes, const char* note = nullptr);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vorel::sim
