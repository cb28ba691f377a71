// One line's connection to the MQTT broker (libmosquitto, its own network thread). The line's
// status topic is "online" while it runs and "offline" after Stop or, through the last will,
// when the watcher dies. The newest state of every site is kept and sent again at each
// (re)connection; alarm messages wait in a bounded queue until the broker has acknowledged
// them (QoS 1), so a broker that goes away and comes back loses none of them. Reconnects back
// off from 1 s to 30 s. Every method may be called from any thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "watch/watch_config.h"

struct mosquitto;

namespace vorel {

class MqttPublisher {
 public:
  static constexpr std::size_t kMaxQueuedAlarms = 10000;

  MqttPublisher(const MqttSettings& settings, std::string line);
  ~MqttPublisher();
  MqttPublisher(const MqttPublisher&) = delete;
  MqttPublisher& operator=(const MqttPublisher&) = delete;

  // Sets up TLS, the password and the last will, and starts connecting in the background;
  // false with the reason when the settings cannot be used.
  bool Start(std::string* error);
  // Publishes "offline", waits up to `waitMs` for it to leave, and disconnects.
  void Stop(int waitMs);

  void PublishState(int site, const std::string& payload);
  void PublishAlarm(int site, const std::string& payload);

  struct Counters {
    bool connected = false;
    std::uint64_t connects = 0;
    std::uint64_t alarmsSent = 0;     // acknowledged by the broker
    std::uint64_t alarmsDropped = 0;  // pushed out of a full queue
    std::size_t alarmsQueued = 0;     // waiting or unacknowledged
  };
  Counters Snapshot() const;

 private:
  struct Message {
    std::string topic;
    std::string payload;
  };
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnPublish(mosquitto*, void* self, int mid);
  // Sends what waits while connected; the lock is held.
  void SendLocked();

  MqttSettings settings_;
  std::string line_;
  mosquitto* client_ = nullptr;
  bool started_ = false;
  mutable std::mutex mutex_;
  bool connected_ = false;
  bool stopping_ = false;
  std::map<int, std::string> states_;  // site -> newest payload
  std::map<int, bool> stateDirty_;     // site -> not yet handed to a connection
  std::deque<Message> alarms_;         // not yet handed over
  std::map<int, Message> inFlight_;    // mid -> handed over, not yet acknowledged
  int offlineMid_ = -1;
  bool offlineSent_ = false;
  std::condition_variable offlineDone_;
  Counters counters_;
};

}  // namespace vorel
