#include "watch/metrics_board.h"

#include <cmath>
#include <cstdio>

#include "watch/watch_payloads.h"

namespace vorel {
namespace {

constexpr std::array<RequestOutcome, kOutcomeCount> kOutcomes{
    RequestOutcome::Done,      RequestOutcome::Timeout,   RequestOutcome::CrcError,
    RequestOutcome::Exception, RequestOutcome::LineError, RequestOutcome::PortGone,
    RequestOutcome::Incomplete};

struct Family {
  const char* name;
  const char* type;
  const char* help;
};

// Every family the endpoint shows, in order.
constexpr Family kValue{"vorel_value", "gauge",
                        "A value of the monitor page at the last good poll (unit in the label)"};
constexpr Family kUp{"vorel_site_up", "gauge", "1 when the site's last poll answered, else 0"};
constexpr Family kAlarms{"vorel_site_active_alarms", "gauge",
                         "Alarms on the site's list at the last good poll"};
constexpr Family kAge{"vorel_site_last_good_poll_age_seconds", "gauge",
                      "Seconds since the site's last good poll"};
constexpr Family kPolls{"vorel_polls_total", "counter", "Polls of the site by outcome"};
constexpr Family kCycle{"vorel_line_cycle_seconds", "gauge",
                        "How long the last poll cycle over the line took"};
constexpr Family kMqttUp{"vorel_mqtt_connected", "gauge",
                         "1 while the line's broker connection is up"};
constexpr Family kMqttQueued{"vorel_mqtt_alarms_queued", "gauge",
                             "Alarm messages not yet acknowledged by the broker"};
constexpr Family kMqttSent{"vorel_mqtt_alarms_sent_total", "counter",
                           "Alarm messages acknowledged by the broker"};
constexpr Family kMqttDropped{"vorel_mqtt_alarms_dropped_total", "counter",
                              "Alarm messages dropped from a full queue"};

int OutcomeIndex(RequestOutcome outcome) {
  for (int i = 0; i < kOutcomeCount; ++i)
    if (kOutcomes[static_cast<std::size_t>(i)] == outcome) return i;
  return 1;
}

void Header(std::string& out, const Family& f) {
  out += "# HELP ";
  out += f.name;
  out += ' ';
  out += f.help;
  out += "\n# TYPE ";
  out += f.name;
  out += ' ';
  out += f.type;
  out += '\n';
}

std::string Number(double value) {
  if (std::isnan(value)) return "NaN";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

}  // namespace

std::string LabelValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

void MetricsBoard::SiteRead(const SiteReading& reading) {
  std::lock_guard lock(mutex_);
  lines_[reading.line].sites[reading.site].reading = reading;
}

void MetricsBoard::PollCounted(const std::string& line, int site, RequestOutcome outcome) {
  std::lock_guard lock(mutex_);
  Site& s = lines_[line].sites[site];
  s.reading.line = line;
  s.reading.site = site;
  ++s.polls[static_cast<std::size_t>(OutcomeIndex(outcome))];
}

void MetricsBoard::CycleTook(const std::string& line, double seconds) {
  std::lock_guard lock(mutex_);
  lines_[line].cycleSeconds = seconds;
}

void MetricsBoard::SetMqtt(const std::string& line, const MqttPublisher::Counters& counters) {
  std::lock_guard lock(mutex_);
  Line& l = lines_[line];
  l.hasMqtt = true;
  l.mqtt = counters;
}

std::string MetricsBoard::Render(std::int64_t nowWallMs) const {
  std::lock_guard lock(mutex_);
  std::string out;
  out.reserve(4096);
  const auto siteLabels = [](const std::string& line, const Site& s) {
    const std::string serial = s.reading.identity ? s.reading.identity->serial : std::string();
    return "line=\"" + LabelValue(line) + "\",site=\"" + std::to_string(s.reading.site) +
           "\",serial=\"" + LabelValue(serial) + "\"";
  };
  const auto eachSite = [&](const Family& f, auto&& body) {
    Header(out, f);
    for (const auto& [lineName, line] : lines_)
      for (const auto& [number, site] : line.sites) body(lineName, site);
  };
  eachSite(kValue, [&](const std::string& line, const Site& s) {
    if (!s.reading.fresh) return;  // no values but those of a good poll
    const std::string labels = siteLabels(line, s);
    for (const WatchedValue& v : s.reading.values) {
      if (!v.number) continue;
      out += std::string(kValue.name) + "{" + labels + ",name=\"" + LabelValue(v.name) +
             "\",unit=\"" + LabelValue(v.unit) + "\"} " + Number(*v.number) + "\n";
    }
  });
  eachSite(kUp, [&](const std::string& line, const Site& s) {
    if (s.reading.site == 0) return;
    out += std::string(kUp.name) + "{" + siteLabels(line, s) + "} " +
           (s.reading.link == SiteLink::Identified ? "1" : "0") + "\n";
  });
  eachSite(kAlarms, [&](const std::string& line, const Site& s) {
    if (!s.reading.fresh) return;
    out += std::string(kAlarms.name) + "{" + siteLabels(line, s) + "} " +
           std::to_string(s.reading.alarms.size()) + "\n";
  });
  eachSite(kAge, [&](const std::string& line, const Site& s) {
    if (s.reading.lastGoodWallMs <= 0) return;
    const double age =
        std::max<double>(0, static_cast<double>(nowWallMs - s.reading.lastGoodWallMs) / 1000.0);
    out += std::string(kAge.name) + "{" + siteLabels(line, s) + "} " + Number(age) + "\n";
  });
  eachSite(kPolls, [&](const std::string& line, const Site& s) {
    if (s.reading.site == 0) return;
    for (int i = 0; i < kOutcomeCount; ++i) {
      out += std::string(kPolls.name) + "{line=\"" + LabelValue(line) + "\",site=\"" +
             std::to_string(s.reading.site) + "\",outcome=\"" +
             OutcomeName(kOutcomes[static_cast<std::size_t>(i)]) + "\"} " +
             std::to_string(s.polls[static_cast<std::size_t>(i)]) + "\n";
    }
  });
  const auto eachLine = [&](const Family& f, auto&& value) {
    Header(out, f);
    for (const auto& [lineName, line] : lines_) {
      const std::string v = value(line);
      if (!v.empty())
        out += std::string(f.name) + "{line=\"" + LabelValue(lineName) + "\"} " + v + "\n";
    }
  };
  eachLine(kCycle, [](const Line& l) {
    return l.cycleSeconds < 0 ? std::string() : Number(l.cycleSeconds);
  });
  eachLine(kMqttUp, [](const Line& l) {
    return l.hasMqtt ? std::string(l.mqtt.connected ? "1" : "0") : std::string();
  });
  eachLine(kMqttQueued, [](const Line& l) {
    return l.hasMqtt ? std::to_string(l.mqtt.alarmsQueued) : std::string();
  });
  eachLine(kMqttSent, [](const Line& l) {
    return l.hasMqtt ? std::to_string(l.mqtt.alarmsSent) : std::string();
  });
  eachLine(kMqttDropped, [](const Line& l) {
    return l.hasMqtt ? std::to_string(l.mqtt.alarmsDropped) : std::string();
  });
  return out;
}

}  // namespace vorel
