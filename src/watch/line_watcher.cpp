#include "watch/line_watcher.h"

#include <algorithm>
#include <map>
#include <memory>

#include "control/connection_view.h"
#include "control/live_data_age.h"
#include "control/poll_scheduler.h"
#include "control/session.h"
#include "core/register_table.h"
#include "link/exception_meaning.h"
#include "link/named_port.h"
#include "link/qt_event_pump.h"
#include "link/quiet_host.h"
#include "link/request_worker.h"
#include "watch/watch_payloads.h"

namespace vorel {
namespace {

constexpr int kPortRetryFirstMs = 1000;
constexpr int kPortRetryMaxMs = 30000;
constexpr int kSiteRetryFirstMs = 2000;
constexpr int kSiteRetryMaxMs = 60000;
constexpr int kStopCheckMs = 100;

// Messages are kept, not shown: the last one names why a request or an identification failed.
class WatchHost : public QuietHost {
 public:
  void ShowMessage(const std::string& text) override { lastMessage = text; }
  std::string lastMessage;
};

// Nothing of the power-up log or the main window exists here.
class SilentView : public ConnectionView {
 public:
  void ClearPowerUpLog() override {}
  void AppendPowerUpLine(const std::string&) override {}
  void AppendPowerUpText(const std::string&) override {}
  void ShowPowerUpLog(bool) override {}
  void SetMainStatus(int, const std::string&) override {}
  void SetMainEnabled(bool) override {}
  void BringToFront() override {}
  void SetConfigurationButtonsEnabled(bool) override {}
  void SetConfigurationMenuEnabled(bool) override {}
  void ShowCommunicationProperties(const CommunicationProperties&) override {}
};

struct SiteTrack {
  SiteReading reading;
  bool identified = false;
  std::uint64_t nextTryMs = 0;
  int retryMs = kSiteRetryFirstMs;
  std::uint64_t alarmSeq = 0;
};

// How the request that ended an identification failed, told by the message it showed (the
// identification itself only says that it failed).
RequestOutcome OutcomeOfMessage(const std::string& text, int site) {
  for (RequestOutcome o :
       {RequestOutcome::Timeout, RequestOutcome::CrcError, RequestOutcome::LineError,
        RequestOutcome::PortGone, RequestOutcome::Incomplete}) {
    if (text == FailureMessage({o, 0}, site)) return o;
  }
  return RequestOutcome::Exception;
}

}  // namespace

LineWatcher::LineWatcher(WatchLine line, MqttPublisher* publisher, MetricsBoard& board)
    : line_(std::move(line)), publisher_(publisher), board_(board) {}

LineWatcher::~LineWatcher() {
  RequestStop();
  wait();
}

void LineWatcher::run() {
  QtEventPump pump;
  WatchHost host;
  SilentView view;
  Session session(host, pump, view);
  session.SetPortFactory([] { return std::make_unique<NamedPort>(); });
  session.Link().SetFastCollection(true);
  ConnectSequence& connector = session.Connector();

  std::map<int, SiteTrack> tracks;
  std::uint64_t seq = 0;
  for (int site : line_.sites) {
    SiteTrack& t = tracks[site];
    t.reading.line = line_.name;
    t.reading.site = site;
  }
  // Waits without holding the thread, ending early when asked to stop.
  const auto pause = [&](int ms) {
    const std::uint64_t end = pump.NowMs() + static_cast<std::uint64_t>(ms);
    while (!stop_) {
      const std::uint64_t now = pump.NowMs();
      if (now >= end) break;
      pump.Pump(static_cast<int>(std::min<std::uint64_t>(end - now, kStopCheckMs)));
    }
  };
  const auto publish = [&](SiteTrack& t, const std::vector<AlarmChange>& changes) {
    const std::int64_t now = SystemWallClockMs();
    board_.SiteRead(t.reading);
    if (!publisher_) return;
    publisher_->PublishState(t.reading.site, StatePayload(t.reading, now));
    for (const AlarmChange& c : changes)
      publisher_->PublishAlarm(t.reading.site, AlarmPayload(t.reading, c, ++seq, now));
    board_.SetMqtt(line_.name, publisher_->Snapshot());
  };
  const auto failAll = [&](RequestOutcome outcome, const std::string& problem) {
    for (auto& [site, t] : tracks) {
      t.identified = false;
      t.nextTryMs = 0;
      t.reading.link = SiteLink::Failed;
      t.reading.outcome = outcome;
      t.reading.problem = problem;
      t.reading.fresh = false;
      publish(t, {});
    }
  };
  const auto goodPoll = [&](SiteTrack& t) {
    const std::vector<SiteAlarm> before = t.reading.alarms;
    const bool hadAlarms = t.reading.lastGoodWallMs > 0;
    FillFromImages(session.Images(), t.reading.site, t.reading);
    t.reading.link = SiteLink::Identified;
    t.reading.outcome = RequestOutcome::Done;
    t.reading.problem.clear();
    t.reading.fresh = true;
    t.reading.lastGoodWallMs = SystemWallClockMs();
    // The alarms already there at the first good poll appear too: a subscriber learns of them.
    publish(t, AlarmMessages(hadAlarms ? before : std::vector<SiteAlarm>{}, t.reading.alarms));
  };

  int portRetryMs = kPortRetryFirstMs;
  while (!stop_) {
    if (!session.PortOpen()) {
      std::string error;
      host.lastMessage.clear();
      if (!connector.OpenPort(line_.port, &error)) {
        failAll(RequestOutcome::PortGone, host.lastMessage.empty() ? error : host.lastMessage);
        pause(portRetryMs);
        portRetryMs = std::min(portRetryMs * 2, kPortRetryMaxMs);
        continue;
      }
      session.Link().SetFastCollection(true);
    }
    const std::uint64_t cycleStart = pump.NowMs();
    std::uint64_t nextDue = 0;
    bool polled = false;
    bool portLost = false;
    for (auto& [site, t] : tracks) {
      if (stop_) break;
      const std::uint64_t now = pump.NowMs();
      host.lastMessage.clear();
      if (!t.identified) {
        if (now < t.nextTryMs) {
          nextDue = nextDue == 0 ? t.nextTryMs : std::min(nextDue, t.nextTryMs);
          continue;
        }
        polled = true;
        if (connector.IdentifySite(site)) {
          t.identified = true;
          t.retryMs = kSiteRetryFirstMs;
          t.reading.identity = IdentityOf(session.Images(), site);
          board_.PollCounted(line_.name, site, RequestOutcome::Done);
          goodPoll(t);
        } else {
          const bool answered = session.Link().CommState(site) == kCommDone;
          t.reading.link = answered ? SiteLink::Refused : SiteLink::Failed;
          t.reading.outcome =
              answered ? RequestOutcome::Done : OutcomeOfMessage(host.lastMessage, site);
          t.reading.problem = host.lastMessage;
          t.reading.fresh = false;
          t.nextTryMs = pump.NowMs() + static_cast<std::uint64_t>(t.retryMs);
          t.retryMs = std::min(t.retryMs * 2, kSiteRetryMaxMs);
          board_.PollCounted(line_.name, site, t.reading.outcome);
          publish(t, {});
        }
      } else {
        polled = true;
        const RequestResult result = session.ReadBlock<ValueRead>(site, reg::kLiveValues);
        board_.PollCounted(line_.name, site, result.outcome);
        if (result) {
          goodPoll(t);
        } else {
          // Nothing of a failed reply is kept: the state says why and shows no values.
          t.identified = false;
          t.nextTryMs = 0;
          t.reading.link = SiteLink::Failed;
          t.reading.outcome = result.outcome;
          t.reading.problem =
              host.lastMessage.empty() ? OutcomeMessage(result.outcome, site) : host.lastMessage;
          t.reading.fresh = false;
          publish(t, {});
        }
      }
      if (connector.PortWasLost() || !session.PortOpen()) {
        portLost = true;
        break;
      }
      pause(kPollIntervalMs);
    }
    if (portLost) {
      connector.Disconnect();
      failAll(RequestOutcome::PortGone, host.lastMessage);
      pause(portRetryMs);
      portRetryMs = std::min(portRetryMs * 2, kPortRetryMaxMs);
      continue;
    }
    portRetryMs = kPortRetryFirstMs;
    // Nobody reads the line's frame log here: starting it over each sweep keeps its storage to
    // one sweep's frames instead of letting it grow to its full ring over the first hours.
    session.Traffic().Restart(pump.NowMs());
    if (polled) {
      ++cycles_;
      board_.CycleTook(line_.name, static_cast<double>(pump.NowMs() - cycleStart) / 1000.0);
    } else if (nextDue > 0) {
      // Every site waits for its next try.
      const std::uint64_t now = pump.NowMs();
      pause(static_cast<int>(nextDue > now ? std::min<std::uint64_t>(nextDue - now, 1000) : 0));
    }
  }
  if (session.PortOpen()) connector.Disconnect();
}

}  // namespace vorel
