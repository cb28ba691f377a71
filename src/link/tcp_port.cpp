#include "link/tcp_port.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "core/language.h"

namespace vorel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kScheme = "tcp://";
// The most a purge throws away in one go, and the longest it takes.
constexpr std::size_t kPurgeMaxBytes = 64 * 1024;
constexpr int kPurgeMaxMs = 20;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

void SleepMs(int ms) {
  if (ms > 0) ::poll(nullptr, 0, ms);
}

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

// "Cannot connect to HOST:PORT: REASON" in the current language.
std::string CannotConnect(const std::string& where, std::string_view english,
                          std::string_view chinese) {
  return Text("Cannot connect to ", "无法连接到 ") + where + Text(": ", "：") +
         Text(english, chinese);
}

std::string ConnectErrorText(const std::string& where, int error) {
  switch (error) {
    case ECONNREFUSED:
      return CannotConnect(where, "the connection was refused (no server on that port).",
                           "连接被拒绝（该端口没有服务器）。");
    case ETIMEDOUT:
      return CannotConnect(where, "no answer within the connect timeout.",
                           "连接超时，对方没有应答。");
    case ENETUNREACH:
    case EHOSTUNREACH:
      return CannotConnect(where, "the host cannot be reached.", "无法到达该主机。");
    default:
      return CannotConnect(where, std::strerror(error), std::strerror(error));
  }
}

// Connects a non-blocking socket to one address within the time left; 0 or the errno.
int ConnectOne(const addrinfo& a, Clock::time_point deadline, int* fdOut) {
  const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
  if (fd < 0) return errno;
  int result = 0;
  if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
    result = errno;
    if (result == EINPROGRESS || result == EINTR) {
      result = ETIMEDOUT;
      for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, MsLeft(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r > 0) {
          int soError = 0;
          socklen_t length = sizeof soError;
          result = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) == 0 ? soError : errno;
        }
        break;
      }
    }
  }
  if (result != 0) {
    ::close(fd);
    return result;
  }
  // Every frame leaves at once: no waiting to fill a segment.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  *fdOut = fd;
  return 0;
}

// How often a waiting Open looks at the attempt (and lets the window's events run).
constexpr int kOpenWaitSliceMs = 20;
// How long after the budget an attempt may still report before it is given up.
constexpr int kAttemptGraceMs = 200;

}  // namespace

// One lookup and connect, shared by the Open that waits for it and the thread that makes it.
struct TcpPort::TcpAttempt {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;   // the thread has reported
  bool abandoned = false;  // Open stopped waiting: the thread closes what it made
  bool resolved = false;
  int resolveError = 0;  // the lookup's code, 0 when it succeeded
  int connectError = ETIMEDOUT;
  int fd = -1;
};

void TcpPort::RunAttempt(std::shared_ptr<TcpAttempt> attempt, HostLookup lookup, std::string host,
                         std::string service, std::chrono::steady_clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int resolved = lookup ? lookup(host.c_str(), service.c_str(), &hints, &found)
                              : ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  int fd = -1;
  int failure = ETIMEDOUT;
  if (resolved == 0) {
    {
      std::lock_guard lock(attempt->mutex);
      attempt->resolved = true;
    }
    for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
      failure = ConnectOne(*a, deadline, &fd);
      if (MsLeft(deadline) == 0) break;
    }
    if (found) ::freeaddrinfo(found);
  }
  std::lock_guard lock(attempt->mutex);
  if (attempt->abandoned) {
    if (fd >= 0) ::close(fd);
    return;
  }
  attempt->resolveError = resolved;
  attempt->connectError = failure;
  attempt->fd = fd;
  attempt->finished = true;
  attempt->done.notify_all();
}

bool IsTcpPortName(const std::string& name) {
  if (name.size() < kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    const char c = name[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kScheme[i]) return false;
  }
  return true;
}

std::optional<TcpAddress> ParseTcpPortName(const std::string& name, std::string* problem) {
  auto fail = [&](std::string_view english, std::string_view chinese) {
    if (problem) {
      *problem = Text("Bad port name '", "端口名称 '") + name + Text("': ", "' 无效：") +
                 Text(english, chinese);
    }
    return std::nullopt;
  };
  if (!IsTcpPortName(name)) return fail("it does not start with tcp://", "不是以 tcp:// 开头");
  std::string rest = name.substr(kScheme.size());
  TcpAddress address;
  std::string portText;
  if (!rest.empty() && rest.front() == '[') {  // [IPv6]:PORT
    const std::size_t close = rest.find(']');
    if (close == std::string::npos) return fail("a ']' is missing", "缺少 ']'");
    address.host = rest.substr(1, close - 1);
    if (close + 1 >= rest.size() || rest[close + 1] != ':') {
      return fail("the port number is missing (tcp://HOST:PORT)", "缺少端口号（tcp://主机:端口）");
    }
    portText = rest.substr(close + 2);
  } else {
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos) {
      if (rest.empty())
        return fail("the host is missing (tcp://HOST:PORT)", "缺少主机（tcp://主机:端口）");
      return fail("the port number is missing (tcp://HOST:PORT)", "缺少端口号（tcp://主机:端口）");
    }
    address.host = rest.substr(0, colon);
    portText = rest.substr(colon + 1);
  }
  if (address.host.empty())
    return fail("the host is missing (tcp://HOST:PORT)", "缺少主机（tcp://主机:端口）");
  if (portText.empty()) {
    return fail("the port number is missing (tcp://HOST:PORT)", "缺少端口号（tcp://主机:端口）");
  }
  long port = 0;
  for (char c : portText) {
    if (c < '0' || c > '9' || port > 65535) {
      return fail("the port number must be 1 to 65535", "端口号必须为 1 到 65535");
    }
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) {
    return fail("the port number must be 1 to 65535", "端口号必须为 1 到 65535");
  }
  address.port = static_cast<int>(port);
  return address;
}

TcpPort::~TcpPort() {
  Close();
}

bool TcpPort::Open(const PortSettings& settings, std::string* error) {
  {
    std::unique_lock lock(mutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    loss_.store(Loss::None, std::memory_order_relaxed);
  }
  const auto address = ParseTcpPortName(settings.name, error);
  if (!address) return false;
  where_ = address->host.find(':') == std::string::npos
               ? address->host + ":" + std::to_string(address->port)
               : "[" + address->host + "]:" + std::to_string(address->port);

  // The lookup and the connect run on a thread of their own: a name server that does not
  // answer holds neither the window nor the caller past the budget. The thread that is left
  // behind then finishes unseen and closes what it made.
  const auto deadline = Clock::now() + std::chrono::milliseconds(kTcpConnectTimeoutMs);
  auto attempt = std::make_shared<TcpAttempt>();
  std::thread(RunAttempt, attempt, lookup_, address->host, std::to_string(address->port), deadline)
      .detach();
  const auto giveUp = deadline + std::chrono::milliseconds(kAttemptGraceMs);
  for (;;) {
    {
      std::unique_lock lock(attempt->mutex);
      const int slice = openWait_ ? 0 : std::min(kOpenWaitSliceMs, MsLeft(giveUp));
      attempt->done.wait_for(lock, std::chrono::milliseconds(slice),
                             [&] { return attempt->finished; });
      if (attempt->finished) break;
      if (Clock::now() >= giveUp) {
        attempt->abandoned = true;
        if (error) {
          *error = attempt->resolved
                       ? ConnectErrorText(where_, ETIMEDOUT)
                       : CannotConnect(where_, "the host name did not resolve within 3 s.",
                                       "主机名 3 秒内未能解析。");
        }
        return false;
      }
    }
    if (openWait_) openWait_(std::min(kOpenWaitSliceMs, std::max(1, MsLeft(giveUp))));
  }
  if (attempt->resolveError != 0) {
    if (error) {
      const int r = attempt->resolveError;
      *error = r == EAI_NONAME || r == EAI_NODATA || r == EAI_FAIL
                   ? CannotConnect(where_, "the host name does not resolve.", "主机名无法解析。")
                   : CannotConnect(where_, ::gai_strerror(r), ::gai_strerror(r));
    }
    return false;
  }
  if (attempt->fd < 0) {
    if (error) *error = ConnectErrorText(where_, attempt->connectError);
    return false;
  }
  std::unique_lock lock(mutex_);
  fd_ = attempt->fd;
  return true;
}

void TcpPort::Close() {
  std::unique_lock lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool TcpPort::IsOpen() const {
  std::shared_lock lock(mutex_);
  return fd_ >= 0;
}

void TcpPort::MarkGone(Loss loss) const {
  Loss none = Loss::None;
  loss_.compare_exchange_strong(none, loss, std::memory_order_relaxed);
}

void TcpPort::CheckClosed() const {
  if (fd_ < 0 || Marked()) return;
  pollfd p{fd_, static_cast<short>(POLLIN | POLLRDHUP), 0};
  if (::poll(&p, 1, 0) <= 0) return;
  if (p.revents & (POLLERR | POLLNVAL)) {
    int soError = 0;
    socklen_t length = sizeof soError;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &length);
    MarkGone(soError == ECONNRESET  ? Loss::Reset
             : soError == ETIMEDOUT ? Loss::TimedOut
                                    : Loss::Failed);
    return;
  }
  if (p.revents & (POLLHUP | POLLRDHUP)) {
    // Bytes the server sent before it closed are still read; the end shows when none is left.
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting == 0) MarkGone(Loss::Closed);
  }
}

bool TcpPort::Gone() const {
  if (Marked()) return true;
  std::shared_lock lock(mutex_);
  CheckClosed();
  return Marked();
}

std::string TcpPort::GoneReason() const {
  switch (loss_.load(std::memory_order_relaxed)) {
    case Loss::None:
      return {};
    case Loss::Closed:
      return Text("the server closed the connection", "服务器关闭了连接");
    case Loss::Reset:
      return Text("the connection was reset", "连接被重置");
    case Loss::TimedOut:
      return Text("the network stopped answering", "网络无应答");
    case Loss::Failed:
      break;
  }
  return Text("a network error", "网络错误");
}

void TcpPort::PurgeInput() {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return;
  // Only what was waiting when the purge began, and no longer than a moment: a peer that
  // sends faster than this reads cannot hold the caller here.
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) != 0) waiting = 0;
  std::size_t left =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(0, waiting)), kPurgeMaxBytes);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kPurgeMaxMs);
  std::uint8_t sink[4096];
  for (;;) {
    const ssize_t n =
        ::recv(fd_, sink, std::min(sizeof sink, std::max<std::size_t>(left, 1)), MSG_DONTWAIT);
    if (n > 0) {
      left -= std::min(left, static_cast<std::size_t>(n));
      if (left == 0 || Clock::now() >= deadline) return;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) MarkGone(Loss::Closed);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      MarkGone(errno == ECONNRESET ? Loss::Reset : Loss::Failed);
    }
    return;
  }
}

bool TcpPort::Write(std::span<const std::uint8_t> bytes) {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kPortTimeoutMs);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      MarkGone(errno == ECONNRESET || errno == EPIPE ? Loss::Reset : Loss::Failed);
      return false;
    }
    const int left = MsLeft(deadline);
    if (left == 0) return false;
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, left);
  }
  return true;
}

bool TcpPort::WriteText(std::string_view text) {
  return Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

int TcpPort::InputCount() {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return 0;
  int n = 0;
  if (::ioctl(fd_, FIONREAD, &n) != 0) {
    MarkGone(Loss::Failed);
    return 0;
  }
  return std::max(0, n);
}

int TcpPort::Read(std::span<std::uint8_t> into) {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kPortTimeoutMs);
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t n = ::recv(fd_, into.data() + done, into.size() - done, MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      MarkGone(Loss::Closed);
      break;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      MarkGone(errno == ECONNRESET  ? Loss::Reset
               : errno == ETIMEDOUT ? Loss::TimedOut
                                    : Loss::Failed);
      break;
    }
    const int left = MsLeft(deadline);
    if (left == 0) break;
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, left);
  }
  return static_cast<int>(done);
}

std::string TcpPort::ReadText(int n) {
  std::string text(static_cast<std::size_t>(std::max(0, n)), '\0');
  const int got = Read({reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
  text.resize(static_cast<std::size_t>(got));
  return text;
}

bool TcpPort::WaitForInput(int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, ms));
  {
    std::shared_lock lock(mutex_);
    if (fd_ >= 0 && !Marked()) {
      pollfd p{fd_, static_cast<short>(POLLIN | POLLRDHUP), 0};
      if (::poll(&p, 1, std::max(0, ms)) <= 0) return false;
      int waiting = 0;
      if ((p.revents & POLLIN) && ::ioctl(fd_, FIONREAD, &waiting) == 0 && waiting > 0) return true;
      // Readable with nothing to read: the server closed, or the connection failed.
      CheckClosed();
      if (!Marked()) return false;
    }
  }
  // Closed or gone: nothing will arrive; still take the time so that callers never spin.
  SleepMs(MsLeft(deadline));
  return false;
}

}  // namespace vorel
