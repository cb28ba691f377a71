// A small HTTP endpoint on its own thread that answers GET /metrics with the text the render
// function gives, and nothing else: other methods get 405, other paths 404, a request head
// larger than 8 KiB gets 431, a client that has not sent its head within 5 s or not taken the
// answer within 10 s is dropped, and at most 64 clients are served at once. Each connection
// carries one request (Connection: close).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "watch/watch_config.h"

namespace vorel {

class MetricsServer {
 public:
  using Render = std::function<std::string()>;

  explicit MetricsServer(Render render);
  ~MetricsServer();
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  // Listens on the address (a numeric IPv4 or IPv6 address, or "localhost"); false with the
  // reason when it cannot.
  bool Start(const HostAndPort& address, std::string* error);
  void Stop();
  // The port listened on (the one asked for, or the one given for port 0).
  int Port() const { return port_; }

 private:
  void Serve();

  Render render_;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  int port_ = 0;
  std::thread thread_;
};

}  // namespace vorel
