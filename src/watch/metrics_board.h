// What the metrics endpoint shows: the newest reading of every site, its polls counted by
// outcome, each line's cycle time and its broker connection, rendered in Prometheus' text
// exposition format. Line threads write, the endpoint's thread reads; one lock guards it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "watch/mqtt_publisher.h"
#include "watch/site_reading.h"

namespace vorel {

inline constexpr int kOutcomeCount = 7;  // RequestOutcome's values

class MetricsBoard {
 public:
  void SiteRead(const SiteReading& reading);
  void PollCounted(const std::string& line, int site, RequestOutcome outcome);
  void CycleTook(const std::string& line, double seconds);
  void SetMqtt(const std::string& line, const MqttPublisher::Counters& counters);

  // The exposition text at `nowWallMs`.
  std::string Render(std::int64_t nowWallMs) const;

 private:
  struct Site {
    SiteReading reading;
    std::array<std::uint64_t, kOutcomeCount> polls{};
  };
  struct Line {
    std::map<int, Site> sites;
    double cycleSeconds = -1;  // not yet measured
    bool hasMqtt = false;
    MqttPublisher::Counters mqtt;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Line> lines_;
};

// A label value with '\\', '"' and line ends escaped.
std::string LabelValue(const std::string& text);

}  // namespace vorel
