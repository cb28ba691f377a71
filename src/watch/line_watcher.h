// One line of the watch service on its own thread with its own session: it opens the port,
// identifies each site, then reads the sites' live values one after the other, over and over.
// A site that fails is identified anew before it is polled again (a controller that comes back
// may have been replaced), at growing intervals while it stays silent; a port that fails or
// goes away is opened again with back-off. Nothing is ever written to a controller.
// Each reading goes to the line's MQTT publisher (state, and one message per alarm appearing
// or clearing) and to the metrics board.
#pragma once

#include <QThread>
#include <atomic>
#include <cstdint>

#include "watch/metrics_board.h"
#include "watch/mqtt_publisher.h"
#include "watch/watch_config.h"

namespace vorel {

class LineWatcher : public QThread {
 public:
  // `publisher` may be null (no broker configured).
  LineWatcher(WatchLine line, MqttPublisher* publisher, MetricsBoard& board);
  ~LineWatcher() override;

  // Asks the thread to end after the request under way.
  void RequestStop() { stop_ = true; }
  // Sweeps over the line so far.
  std::uint64_t Cycles() const { return cycles_; }

 protected:
  void run() override;

 private:
  WatchLine line_;
  MqttPublisher* publisher_;
  MetricsBoard& board_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> cycles_{0};
};

}  // namespace vorel
