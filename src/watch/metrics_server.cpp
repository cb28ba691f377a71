#include "watch/metrics_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace vorel {
namespace {

constexpr std::size_t kMaxHeadBytes = 8192;
constexpr std::size_t kMaxClients = 64;
constexpr std::int64_t kHeadTimeoutMs = 5000;
constexpr std::int64_t kAnswerTimeoutMs = 10000;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Client {
  int fd = -1;
  std::string head;
  std::string answer;  // set once the head is complete
  std::size_t sent = 0;
  std::int64_t deadlineMs = 0;
};

std::string Answer(int code, const char* reason, const std::string& type, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\nContent-Type: " + type +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
         (code == 405 ? "Allow: GET\r\n" : "") + "\r\n" + body;
}

std::string PlainAnswer(int code, const char* reason) {
  return Answer(code, reason, "text/plain; charset=utf-8", std::string(reason) + "\n");
}

void SetNonBlocking(int fd) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

MetricsServer::MetricsServer(Render render) : render_(std::move(render)) {}

MetricsServer::~MetricsServer() {
  Stop();
}

bool MetricsServer::Start(const HostAndPort& address, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  if (address.host != "localhost") hints.ai_flags |= AI_NUMERICHOST;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  if (const int rc = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    *error = "metrics address " + address.host + ": " + ::gai_strerror(rc);
    return false;
  }
  int fd = -1;
  int lastErrno = 0;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 16) != 0) {
      lastErrno = errno;
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0) {
    *error = "metrics address " + address.host + ":" + port + ": " + std::strerror(lastErrno);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  SetNonBlocking(fd);
  if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
    *error = std::string("metrics: ") + std::strerror(errno);
    ::close(fd);
    return false;
  }
  listenFd_ = fd;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void MetricsServer::Stop() {
  if (thread_.joinable()) {
    const char byte = 0;
    [[maybe_unused]] const auto n = ::write(wakeFds_[1], &byte, 1);
    thread_.join();
  }
  for (int& fd : {std::ref(listenFd_), std::ref(wakeFds_[0]), std::ref(wakeFds_[1])}) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void MetricsServer::Serve() {
  std::vector<Client> clients;
  std::vector<pollfd> fds;
  for (;;) {
    const std::int64_t now = NowMs();
    // Clients past their time are dropped.
    for (auto it = clients.begin(); it != clients.end();) {
      if (now >= it->deadlineMs) {
        ::close(it->fd);
        it = clients.erase(it);
      } else {
        ++it;
      }
    }
    std::int64_t wait = -1;
    for (const Client& c : clients) {
      const std::int64_t left = c.deadlineMs - now;
      if (wait < 0 || left < wait) wait = left;
    }
    fds.clear();
    fds.push_back({wakeFds_[0], POLLIN, 0});
    fds.push_back({listenFd_, static_cast<short>(clients.size() < kMaxClients ? POLLIN : 0), 0});
    for (const Client& c : clients)
      fds.push_back({c.fd, static_cast<short>(c.answer.empty() ? POLLIN : POLLOUT), 0});
    if (::poll(fds.data(), fds.size(), static_cast<int>(wait)) < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    // Clients first: their places in `fds` follow `clients` until one is removed.
    std::vector<bool> done(clients.size(), false);
    for (std::size_t i = 0; i < clients.size(); ++i) {
      Client& c = clients[i];
      const short events = fds[i + 2].revents;
      if (!events) continue;
      if (c.answer.empty()) {
        char buffer[2048];
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
          done[i] = true;
          continue;
        }
        if (n > 0) c.head.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = c.head.find("\r\n\r\n");
        const std::size_t firstLineEnd = c.head.find("\r\n");
        if (end == std::string::npos && c.head.size() <= kMaxHeadBytes) continue;
        if (end == std::string::npos || end > kMaxHeadBytes) {
          c.answer = PlainAnswer(431, "Request Header Fields Too Large");
        } else {
          const std::string line = c.head.substr(0, firstLineEnd);
          const std::size_t space = line.find(' ');
          const std::string method = line.substr(0, space);
          std::string target = space == std::string::npos ? std::string() : line.substr(space + 1);
          target = target.substr(0, target.find(' '));
          target = target.substr(0, target.find('?'));
          if (method != "GET") {
            c.answer = PlainAnswer(405, "Method Not Allowed");
          } else if (target != "/metrics") {
            c.answer = PlainAnswer(404, "Not Found");
          } else {
            c.answer = Answer(200, "OK", "text/plain; version=0.0.4; charset=utf-8", render_());
          }
        }
        c.deadlineMs = NowMs() + kAnswerTimeoutMs;
        ::shutdown(c.fd, SHUT_RD);
      } else {
        const ssize_t n =
            ::send(c.fd, c.answer.data() + c.sent, c.answer.size() - c.sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
          done[i] = true;
          continue;
        }
        if (n > 0) c.sent += static_cast<std::size_t>(n);
        if (c.sent == c.answer.size()) done[i] = true;
      }
    }
    for (std::size_t i = clients.size(); i-- > 0;) {
      if (!done[i]) continue;
      ::close(clients[i].fd);
      clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (fds[1].revents & POLLIN) {
      const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd >= 0) clients.push_back({fd, {}, {}, 0, NowMs() + kHeadTimeoutMs});
    }
  }
  for (const Client& c : clients) ::close(c.fd);
}

}  // namespace vorel
