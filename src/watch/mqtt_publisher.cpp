#include "watch/mqtt_publisher.h"

#include <mosquitto.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "watch/watch_payloads.h"

namespace vorel {
namespace {

constexpr int kKeepAliveS = 30;
constexpr unsigned kReconnectFirstS = 1;
constexpr unsigned kReconnectMaxS = 30;
constexpr int kQos = 1;
// Alarm messages handed to the connection at once; the rest wait for acknowledgements.
constexpr std::size_t kMaxInFlight = 100;
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

}  // namespace

MqttPublisher::MqttPublisher(const MqttSettings& settings, std::string line)
    : settings_(settings), line_(std::move(line)) {}

MqttPublisher::~MqttPublisher() {
  if (client_) {
    if (started_) mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
  }
}

bool MqttPublisher::Start(std::string* error) {
  const std::string id = "vorel-watch-" + std::to_string(::getpid()) + "-" + line_;
  client_ = mosquitto_new(id.c_str(), true, this);
  if (!client_) {
    *error = "MQTT: out of memory";
    return false;
  }
  mosquitto_connect_callback_set(client_, &MqttPublisher::OnConnect);
  mosquitto_disconnect_callback_set(client_, &MqttPublisher::OnDisconnect);
  mosquitto_publish_callback_set(client_, &MqttPublisher::OnPublish);
  const std::string status = vorel::StatusTopic(line_);
  int rc = mosquitto_will_set(client_, status.c_str(),
                              static_cast<int>(std::char_traits<char>::length(kOffline)), kOffline,
                              kQos, true);
  if (rc == MOSQ_ERR_SUCCESS && !settings_.caFile.empty()) {
    rc =
        mosquitto_tls_set(client_, settings_.caFile.c_str(), nullptr,
                          settings_.certFile.empty() ? nullptr : settings_.certFile.c_str(),
                          settings_.keyFile.empty() ? nullptr : settings_.keyFile.c_str(), nullptr);
  }
  if (rc == MOSQ_ERR_SUCCESS && !settings_.user.empty()) {
    std::string password;
    if (!settings_.passwordFile.empty()) {
      auto read = ReadPasswordFile(settings_.passwordFile, error);
      if (!read) return false;
      password = *read;
    }
    rc = mosquitto_username_pw_set(client_, settings_.user.c_str(),
                                   settings_.passwordFile.empty() ? nullptr : password.c_str());
  }
  if (rc == MOSQ_ERR_SUCCESS)
    rc = mosquitto_reconnect_delay_set(client_, kReconnectFirstS, kReconnectMaxS, true);
  if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_start(client_);
  if (rc != MOSQ_ERR_SUCCESS) {
    *error = std::string("MQTT: ") + mosquitto_strerror(rc);
    return false;
  }
  started_ = true;
  // A broker that is not there yet is tried again by the network thread.
  mosquitto_connect_async(client_, settings_.host.c_str(), settings_.port, kKeepAliveS);
  return true;
}

void MqttPublisher::Stop(int waitMs) {
  if (!started_) return;
  std::unique_lock lock(mutex_);
  stopping_ = true;
  if (connected_) {
    const std::string status = vorel::StatusTopic(line_);
    int mid = 0;
    if (mosquitto_publish(client_, &mid, status.c_str(),
                          static_cast<int>(std::char_traits<char>::length(kOffline)), kOffline,
                          kQos, true) == MOSQ_ERR_SUCCESS) {
      offlineMid_ = mid;
      offlineDone_.wait_for(lock, std::chrono::milliseconds(waitMs),
                            [this] { return offlineSent_ || !connected_; });
    }
  }
  lock.unlock();
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, false);
  started_ = false;
}

void MqttPublisher::PublishState(int site, const std::string& payload) {
  std::lock_guard lock(mutex_);
  states_[site] = payload;
  stateDirty_[site] = true;
  SendLocked();
}

void MqttPublisher::PublishAlarm(int site, const std::string& payload) {
  std::lock_guard lock(mutex_);
  if (alarms_.size() >= kMaxQueuedAlarms) {
    alarms_.pop_front();
    ++counters_.alarmsDropped;
  }
  alarms_.push_back({AlarmTopic(line_, site), payload});
  SendLocked();
}

MqttPublisher::Counters MqttPublisher::Snapshot() const {
  std::lock_guard lock(mutex_);
  Counters c = counters_;
  c.connected = connected_;
  c.alarmsQueued = alarms_.size() + inFlight_.size();
  return c;
}

void MqttPublisher::SendLocked() {
  if (!connected_ || stopping_) return;
  for (auto& [site, dirty] : stateDirty_) {
    if (!dirty) continue;
    const std::string topic = StateTopic(line_, site);
    const std::string& payload = states_[site];
    if (mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), kQos, true) != MOSQ_ERR_SUCCESS)
      return;  // the connection is going; the disconnect puts everything back
    dirty = false;
  }
  while (!alarms_.empty() && inFlight_.size() < kMaxInFlight) {
    Message& m = alarms_.front();
    int mid = 0;
    if (mosquitto_publish(client_, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                          m.payload.data(), kQos, false) != MOSQ_ERR_SUCCESS)
      return;
    inFlight_.emplace(mid, std::move(m));
    alarms_.pop_front();
  }
}

void MqttPublisher::OnConnect(mosquitto* client, void* self, int rc) {
  auto* p = static_cast<MqttPublisher*>(self);
  if (rc != 0) return;  // refused (bad password...): the network thread tries again later
  std::lock_guard lock(p->mutex_);
  p->connected_ = true;
  ++p->counters_.connects;
  const std::string status = vorel::StatusTopic(p->line_);
  if (!p->stopping_)
    mosquitto_publish(client, nullptr, status.c_str(),
                      static_cast<int>(std::char_traits<char>::length(kOnline)), kOnline, kQos,
                      true);
  // A broker that restarted may have lost the retained states: every site's is sent again.
  for (auto& [site, dirty] : p->stateDirty_) dirty = true;
  p->SendLocked();
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int) {
  auto* p = static_cast<MqttPublisher*>(self);
  std::lock_guard lock(p->mutex_);
  p->connected_ = false;
  // What the broker did not acknowledge goes out again, first and in its order.
  std::vector<Message> back;
  for (auto& [mid, m] : p->inFlight_) back.push_back(std::move(m));
  p->inFlight_.clear();
  for (auto it = back.rbegin(); it != back.rend(); ++it) p->alarms_.push_front(std::move(*it));
  while (p->alarms_.size() > kMaxQueuedAlarms) {
    p->alarms_.pop_front();
    ++p->counters_.alarmsDropped;
  }
  p->offlineDone_.notify_all();
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid) {
  auto* p = static_cast<MqttPublisher*>(self);
  std::lock_guard lock(p->mutex_);
  if (p->inFlight_.erase(mid)) ++p->counters_.alarmsSent;
  if (mid == p->offlineMid_) {
    p->offlineSent_ = true;
    p->offlineDone_.notify_all();
  }
  p->SendLocked();
}

}  // namespace vorel
