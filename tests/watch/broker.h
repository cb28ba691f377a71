// A mosquitto broker of the test's own on a free loopback port, in a temporary folder (its
// sessions kept across a restart, as a production broker keeps them), and a subscriber to
// vorel/# that collects every message.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace vorel::test {

int FreeTcpPort();
// True once something accepts connections on the loopback port (up to `ms`).
bool WaitForListener(int port, int ms);

class Broker {
 public:
  Broker();
  ~Broker();
  bool Start();  // on the same port again after Stop
  void Stop();   // SIGTERM, then the wait
  int Port() const { return port_; }
  const std::string& error() const { return error_; }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  int port_ = 0;
  std::string error_;
};

struct Received {
  std::string topic;
  std::string payload;
  bool retained = false;
};

class Subscriber {
 public:
  // A session that the broker keeps (QoS 1): what is published while it is away reaches it.
  explicit Subscriber(int port, std::string id = "vorel-test-subscriber");
  ~Subscriber();
  // Waits up to `ms` for a message the predicate accepts, among all received so far from the
  // `from`th on.
  bool WaitFor(const std::function<bool(const Received&)>& accept, int ms, std::size_t from = 0);
  std::vector<Received> Messages() const;

 private:
  static void OnConnect(mosquitto*, void*, int);
  static void OnMessage(mosquitto*, void*, const mosquitto_message*);
  mosquitto* client_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Received> messages_;
};

}  // namespace vorel::test
