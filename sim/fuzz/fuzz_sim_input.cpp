// Fuzz target: everything vorel-sim takes from outside. The first byte picks the door: request
// frames for the Modbus server (CRC made right so they get past the check), modem input, or the
// text of a state file.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "../crc.h"
#include "../frames.h"
#include "../modbus_server.h"
#include "../modem.h"
#include "../state_file.h"

using namespace vorel::sim;

namespace {

Sites MakeSites() {
  Sites sites;
  sites.push_back(std::make_unique<SimSite>(SiteConfig{1, 3101, "V5.10"}, 1234, EngineOptions{}));
  sites.push_back(std::make_unique<SimSite>(SiteConfig{2, 3106, "V4.10"}, 0, EngineOptions{true}));
  return sites;
}

void Frames(const std::uint8_t* data, std::size_t size) {
  Sites sites = MakeSites();
  ModbusServer server(sites);
  Reply reply;
  const std::time_t host = 1700000000;
  std::size_t at = 0;
  while (at < size) {
    std::span<const std::uint8_t> rest(data + at, size - at);
    const auto length = RequestLength(rest);
    std::size_t n = length && *length > 0 ? std::min(*length, rest.size()) : rest.size();
    std::vector<std::uint8_t> frame(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(n));
    at += n;
    if (frame.size() >= 4) AppendCrc(frame.data(), frame.size() - 2);
    if (CrcMatches(frame) && server.Handle(frame, host, reply)) {
      if (reply.size < 5 || reply.size > kMaxFrame) __builtin_trap();
    }
    if (!frame.empty() && frame[0] == 0x55) {
      for (auto& s : sites) s->engine.Advance(frame.size() * 3.7, host);
    }
  }
}

void ModemInput(const std::uint8_t* data, std::size_t size) {
  ModemOptions options;
  options.enabled = true;
  options.dialDelayMs = 10;
  Modem modem(options);
  std::string reply;
  std::int64_t now = 0;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t chunk = std::min<std::size_t>(1 + data[at] % 16, size - at);
    std::span<const std::uint8_t> bytes(data + at, chunk);
    at += chunk;
    now += 5000;
    modem.OnTime(now, reply);
    if (modem.DataMode()) {
      modem.Escape(bytes, reply);
    } else {
      modem.Command(bytes, now, reply);
    }
    if (reply.size() > 4096) reply.clear();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  switch (data[0] % 3) {
    case 0:
      Frames(data + 1, size - 1);
      break;
    case 1:
      ModemInput(data + 1, size - 1);
      break;
    default: {
      Sites sites = MakeSites();
      std::string error;
      std::string text = "vorel-sim state 1\n";
      text.append(reinterpret_cast<const char*>(data + 1), size - 1);
      ParseState(text, "fuzz", sites, error);
      break;
    }
  }
  return 0;
}
