// vorel-sim's frame trace read back: one line per frame, "START_US END_US DIR HEX... [# NOTE]",
// DIR "RX" for a request the simulator received and "TX" for what it sent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorel::test {

struct TraceLine {
  long long start = 0;  // microseconds
  long long end = 0;
  std::string direction;
  std::vector<std::uint8_t> bytes;
  std::string note;
};

// Every line of the trace file at `path`, in order; none when it cannot be read.
std::vector<TraceLine> ReadTrace(const std::string& path);

// A request the simulator received: its address byte, function code and first register.
struct TraceRequest {
  int site;
  int function;
  std::uint16_t address;
};

// The requests of the trace at `path`, in order (frames too short to name a register left out).
std::vector<TraceRequest> TraceRequests(const std::string& path);

}  // namespace vorel::test
