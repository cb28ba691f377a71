// The bounds of a TCP port against peers that misbehave: a peer that sends without pause (a
// device server stuck in a loop, a wrong service on the port) cannot hold a purge, and a name
// server that does not answer holds Open no longer than its 3 s budget, during which the
// caller's events keep running.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <netdb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/language.h"
#include "link/tcp_port.h"

namespace vorel::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFloodMs = std::chrono::milliseconds(3000);

// A loopback listener whose one client gets bytes as fast as the network takes them, until
// the test ends or at most kFloodMs (so that a purge that never ends fails instead of hanging).
class FloodingPeer {
 public:
  FloodingPeer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    ::listen(listener_, 1);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      const std::vector<std::uint8_t> chunk(64 * 1024, 0x55);
      const auto end = Clock::now() + kFloodMs;
      while (!stop_.load() && Clock::now() < end) {
        if (::send(client, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) break;
      }
      ::close(client);
    });
  }
  ~FloodingPeer() {
    stop_.store(true);
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  std::string Name() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(TcpFlood, PurgeInputReturnsWhileThePeerKeepsSending) {
  FloodingPeer peer;
  TcpPort port;
  PortSettings settings;
  settings.name = peer.Name();
  std::string error;
  ASSERT_TRUE(port.Open(settings, &error)) << error;
  // Let the flood fill the socket's buffers first.
  while (port.InputCount() < 64 * 1024) port.WaitForInput(10);
  for (int i = 0; i < 5; ++i) {
    const auto start = Clock::now();
    port.PurgeInput();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(ms, 200) << "purge " << i;
  }
  EXPECT_FALSE(port.Gone());
  EXPECT_TRUE(port.IsOpen());
}

// A name server that answers only when the test lets it (or after 10 s).
struct SilentNameServer {
  std::mutex mutex;
  std::condition_variable answer;
  bool released = false;
  void Release() {
    std::lock_guard lock(mutex);
    released = true;
    answer.notify_all();
  }
};

TEST(TcpOpen, ANameServerThatDoesNotAnswerCostsAtMostTheBudget) {
  SetLanguageSetting("english");
  auto server = std::make_shared<SilentNameServer>();
  TcpPort port([server](const char*, const char*, const addrinfo*, addrinfo**) {
    std::unique_lock lock(server->mutex);
    server->answer.wait_for(lock, std::chrono::seconds(10), [&] { return server->released; });
    return EAI_AGAIN;
  });
  int waits = 0;
  auto last = Clock::now();
  long longestGapMs = 0;
  port.SetOpenWait([&](int ms) {
    const auto now = Clock::now();
    longestGapMs = std::max<long>(
        longestGapMs, std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
    ++waits;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    last = Clock::now();
  });
  PortSettings settings;
  settings.name = "tcp://plc.example:502";
  std::string error;
  const auto start = Clock::now();
  EXPECT_FALSE(port.Open(settings, &error));
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  server->Release();
  EXPECT_GE(ms, 2900);
  EXPECT_LE(ms, 3600);
  EXPECT_EQ(error, "Cannot connect to plc.example:502: the host name did not resolve within 3 s.");
  // The caller's events ran all along, never more than a moment apart.
  EXPECT_GT(waits, 50);
  EXPECT_LT(longestGapMs, 200);
  EXPECT_FALSE(port.IsOpen());
  SetLanguageSetting("chinese");
}

}  // namespace
}  // namespace vorel::test
