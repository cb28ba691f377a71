#include "support/sim_trace.h"

#include <fstream>
#include <sstream>

namespace vorel::test {

std::vector<TraceLine> ReadTrace(const std::string& path) {
  std::vector<TraceLine> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    TraceLine t;
    const auto hash = line.find(" # ");
    if (hash != std::string::npos) {
      t.note = line.substr(hash + 3);
      line.resize(hash);
    }
    std::istringstream fields(line);
    fields >> t.start >> t.end >> t.direction;
    std::string hex;
    while (fields >> hex)
      t.bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
    out.push_back(std::move(t));
  }
  return out;
}

std::vector<TraceRequest> TraceRequests(const std::string& path) {
  std::vector<TraceRequest> out;
  for (const TraceLine& t : ReadTrace(path)) {
    if (t.direction != "RX" || t.bytes.size() < 4) continue;
    out.push_back(
        {t.bytes[0], t.bytes[1], static_cast<std::uint16_t>((t.bytes[2] << 8) | t.bytes[3])});
  }
  return out;
}

}  // namespace vorel::test
