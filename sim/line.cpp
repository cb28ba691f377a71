#include "line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "crc.h"
#include "line_speed.h"

namespace vorel::sim {
namespace {

constexpr std::int64_t kTickUs = 100000;          // engine and clock update
constexpr std::int64_t kMinSilenceUs = 20000;     // a pause that ends an incomplete frame
constexpr std::int64_t kHangupPauseUs = 20000;    // wait when nobody holds the terminal
constexpr std::int64_t kBlockedDropUs = 1000000;  // replies nobody takes are dropped after this

}  // namespace

Line::Line(const Options& options, Sites& sites)
    : options_(options),
      sites_(sites),
      server_(sites),
      faults_(options.faults),
      modem_(options.modem) {
  server_.ForgetWritesTo(options.faults.forgetWriteReg);
  if (options.baud > 0) {
    charUs_ = 10000000 / options.baud;
    const std::int64_t t35 = std::max<std::int64_t>(35000000 / options.baud, 1750);
    turnaroundUs_ =
        options.turnaroundMs >= 0 ? static_cast<std::int64_t>(options.turnaroundMs * 1000) : t35;
  } else {
    turnaroundUs_ =
        options.turnaroundMs >= 0 ? static_cast<std::int64_t>(options.turnaroundMs * 1000) : 0;
  }
  silenceUs_ = std::max<std::int64_t>(kMinSilenceUs, 4 * charUs_);
}

Line::~Line() {
  if (linked_) {
    char target[256] = {};
    const ssize_t n = readlink(options_.link.c_str(), target, sizeof target - 1);
    if (n > 0 && slaveName_ == std::string(target, static_cast<std::size_t>(n))) {
      unlink(options_.link.c_str());
    }
  }
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  if (client_ >= 0) close(client_);
  if (listen_ >= 0) close(listen_);
}

bool Line::Open(std::string& error) {
  if (!options_.tracePath.empty() && !trace_.Open(options_.tracePath)) {
    error = "cannot open trace file " + options_.tracePath + ": " + std::strerror(errno);
    return false;
  }
  if (!options_.link.empty() && !OpenTerminal(error)) return false;
  if (options_.tcpPort > 0 && !OpenTcp(error)) return false;
  lineFreeUs_ = NowUs();
  return true;
}

bool Line::OpenTcp(std::string& error) {
  listen_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listen_ < 0) {
    error = std::string("cannot open a TCP socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(options_.tcpPort));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_, 4) != 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(options_.tcpPort) + ": " +
            std::strerror(errno);
    return false;
  }
  return true;
}

void Line::Accept() {
  const int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  if (client_ >= 0) {  // one client at a time, as a serial device server
    close(fd);
    return;
  }
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  client_ = fd;
}

void Line::DropClient() {
  if (client_ < 0) return;
  if (rxFd_ == client_) {
    rxSize_ = 0;
    rxFd_ = -1;
  }
  for (std::size_t i = 0; i < count_; ++i) {
    Outgoing& f = queue_[(head_ + i) % kQueue];
    if (f.fd == client_) f.fd = -1;  // nobody to take it: dropped when its turn comes
  }
  close(client_);
  client_ = -1;
}

bool Line::OpenTerminal(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  char name[128] = {};
  if (ptsname_r(master_, name, sizeof name) != 0) {
    error = std::string("ptsname: ") + std::strerror(errno);
    return false;
  }
  slaveName_ = name;
  // Holding the terminal open ourselves keeps the line up while the master closes and reopens.
  slave_ = open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) {
    error = "cannot open " + slaveName_ + ": " + std::strerror(errno);
    return false;
  }
  termios tio{};
  if (tcgetattr(slave_, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(slave_, TCSANOW, &tio);
  }
  // Replace an old link of ours (a symbolic link), never a real file.
  struct stat st {};
  if (lstat(options_.link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = options_.link + " exists and is not a symbolic link";
      return false;
    }
    unlink(options_.link.c_str());
  }
  if (symlink(name, options_.link.c_str()) != 0) {
    error = "cannot create link " + options_.link + ": " + std::strerror(errno);
    return false;
  }
  linked_ = true;
  return true;
}

std::int64_t Line::Chars(std::size_t n) const {
  return options_.baud > 0 ? static_cast<std::int64_t>(n) * 10000000 / options_.baud : 0;
}

std::int64_t Line::PieceGaps(const Outgoing& f) const {
  const std::int64_t gapUs = static_cast<std::int64_t>(options_.faults.pieceGapMs) * 1000;
  return (f.pieceAt[0] > 0 ? gapUs : 0) + (f.pieceAt[1] > 0 ? gapUs : 0);
}

std::int64_t Line::RequestEnd(std::size_t bytes) const {
  return std::max(rxLastUs_, rxFirstUs_ + Chars(bytes));
}

bool Line::Receive(int fd, std::int64_t now) {
  if (fd != rxFd_ && rxSize_ > 0) {
    // The other side starts talking: what the first left unfinished is dropped.
    trace_.Frame(rxFirstUs_, rxLastUs_, "RX", {rx_.data(), rxSize_}, "ignored incomplete");
    rxSize_ = 0;
  }
  rxFd_ = fd;
  for (;;) {
    if (rxSize_ == rx_.size()) {
      trace_.Frame(rxFirstUs_, rxLastUs_, "RX", {rx_.data(), rxSize_}, "ignored overflow");
      rxSize_ = 0;
    }
    const ssize_t n = read(fd, rx_.data() + rxSize_, rx_.size() - rxSize_);
    if (fd == client_ && (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))) return false;
    if (n <= 0) return true;
    if (fd == master_ && !HeardAtOurSpeed()) {
      // Sent at another speed: what a controller hears is noise, nothing it would answer.
      trace_.Frame(now, now, "RX", {rx_.data() + rxSize_, static_cast<std::size_t>(n)},
                   "ignored speed");
      continue;
    }
    if (rxSize_ == 0) rxFirstUs_ = now;
    rxLastUs_ = now;
    rxSize_ += static_cast<std::size_t>(n);
  }
}

void Line::Process(std::int64_t now, bool silence) {
  auto erase = [&](std::size_t n) {
    std::memmove(rx_.data(), rx_.data() + n, rxSize_ - n);
    rxSize_ -= n;
  };
  while (rxSize_ > 0) {
    std::span<const std::uint8_t> buf(rx_.data(), rxSize_);
    if (options_.modem.enabled) {
      std::string text;
      if (!modem_.DataMode()) {
        const std::size_t used = modem_.Command(buf, now, text);
        trace_.Frame(rxFirstUs_, rxLastUs_, "RX", buf.first(used), "modem");
        erase(used);
        SendText(text, now);
        if (used == 0) return;
        continue;
      }
      const std::size_t escape = modem_.Escape(buf, text);
      if (escape > 0) {
        trace_.Frame(rxFirstUs_, rxLastUs_, "RX", buf.first(escape), "modem");
        erase(escape);
        SendText(text, now);
        continue;
      }
    }
    const auto length = RequestLength(buf);
    if (length && *length > 0 && *length <= buf.size()) {
      HandleFrame(buf.first(*length), now);
      erase(*length);
      continue;
    }
    if (!silence) return;
    // A pause on the line ends a frame of a function without a length rule, or drops the
    // remains of an incomplete one.
    const std::uint8_t escape[] = {'+', '+', '+'};
    const auto plus = std::search(buf.begin() + 1, buf.end(), std::begin(escape), std::end(escape));
    if (options_.modem.enabled && plus != buf.end()) {
      // Noise before the modem escape: drop the noise, keep the escape.
      const auto noise = static_cast<std::size_t>(plus - buf.begin());
      trace_.Frame(rxFirstUs_, rxLastUs_, "RX", buf.first(noise), "ignored incomplete");
      erase(noise);
      continue;
    }
    if (length && *length == 0 && CrcMatches(buf)) {
      HandleFrame(buf, now);
    } else {
      trace_.Frame(rxFirstUs_, rxLastUs_, "RX", buf, "ignored incomplete");
    }
    rxSize_ = 0;
  }
}

bool Line::HeardAtOurSpeed() const {
  if (!options_.checkSpeed || options_.baud <= 0) return true;
  const long baud = TerminalBaud(slave_);
  return baud == 0 || baud == options_.baud;
}

void Line::HandleFrame(std::span<const std::uint8_t> frame, std::int64_t now) {
  (void)now;
  // An adapter that hears itself returns the request as it goes out on the line.
  if (options_.echo) Queue(frame, rxFirstUs_, "echo", false);
  if (!CrcMatches(frame)) {
    trace_.Frame(rxFirstUs_, rxLastUs_, "RX", frame, "ignored bad-crc");
    return;
  }
  if (!server_.Handle(frame, std::time(nullptr), reply_)) {
    trace_.Frame(rxFirstUs_, rxLastUs_, "RX", frame, "ignored address");
    return;
  }
  const std::uint8_t address = frame[0];
  const std::uint8_t function = frame[1];
  const int reg = frame.size() >= 6 ? Word(frame, 2) : -1;
  const FaultPlan plan = faults_.Decide(address, function, reg);

  char note[96] = {};
  if (plan.Any()) {
    std::snprintf(note, sizeof note, "fault%s%s%s%s%s%s%s%s%s", plan.noReply ? " noreply" : "",
                  plan.exception ? " exception" : "", plan.otherAddress ? " address" : "",
                  plan.badCrc ? " crc" : "", plan.extraByte ? " extra" : "",
                  plan.pieces ? " pieces" : "", plan.late ? " late" : "",
                  plan.truncated ? " truncated" : "", DamageName(plan.damage));
  }
  trace_.Frame(rxFirstUs_, rxLastUs_, "RX", frame, note);
  if (plan.noReply) return;
  if (reg >= 0) DamageReply(plan.damage, static_cast<std::uint16_t>(reg), reply_);
  if (plan.exception) BuildException(reply_, address, function, Exception::kRefused);
  if (plan.otherAddress) {
    reply_.bytes[0] = static_cast<std::uint8_t>(address % 32 + 1);
    reply_.size -= 2;
    reply_.Seal();
  }
  if (plan.badCrc) reply_.bytes[reply_.size - 1] ^= 0xFF;
  if (plan.extraByte) reply_.Put(0x00);
  // Cut short: the second half of the reply never leaves (at least one byte does).
  if (plan.truncated) reply_.size = std::max<std::size_t>(1, reply_.size / 2);
  std::int64_t start = RequestEnd(frame.size()) + turnaroundUs_;
  if (plan.late) start += static_cast<std::int64_t>(options_.faults.delayMs) * 1000;
  Queue(reply_.view(), start, note, plan.pieces);
}

void Line::SendText(const std::string& text, std::int64_t now) {
  if (text.empty()) return;
  Queue({reinterpret_cast<const std::uint8_t*>(text.data()), std::min(text.size(), kMaxFrame)},
        now + turnaroundUs_, "modem", false);
}

void Line::Queue(std::span<const std::uint8_t> bytes, std::int64_t startUs, const char* note,
                 bool pieces) {
  if (count_ == kQueue) {
    trace_.Frame(startUs, startUs, "TX", bytes, "dropped: send queue full");
    return;
  }
  Outgoing& f = queue_[(head_ + count_) % kQueue];
  std::copy(bytes.begin(), bytes.end(), f.bytes.begin());
  f.size = bytes.size();
  f.startUs = startUs;
  f.pieceAt[0] = pieces && f.size >= 3 ? f.size / 3 : 0;
  f.pieceAt[1] = pieces && f.size >= 3 ? 2 * f.size / 3 : 0;
  std::snprintf(f.note, sizeof f.note, "%s", note != nullptr ? note : "");
  f.fd = rxFd_ >= 0 ? rxFd_ : master_;
  if (count_ == 0) sent_ = 0;
  ++count_;
  if (count_ == 1) frameBeginUs_ = std::max(lineFreeUs_, startUs);
}

std::int64_t Line::NextDeparture() const {
  if (count_ == 0) return -1;
  const Outgoing& f = queue_[head_];
  const std::int64_t gapUs = static_cast<std::int64_t>(options_.faults.pieceGapMs) * 1000;
  std::int64_t t = frameBeginUs_ + Chars(sent_ + 1);
  for (std::size_t at : f.pieceAt) {
    if (at > 0 && at <= sent_) t += gapUs;
  }
  return t;
}

void Line::Pump(std::int64_t now) {
  while (count_ > 0) {
    Outgoing& f = queue_[head_];
    const std::int64_t gapUs = static_cast<std::int64_t>(options_.faults.pieceGapMs) * 1000;
    // All bytes due by now go out in one write; a piece boundary always ends the write.
    std::size_t end = sent_;
    while (end < f.size) {
      std::int64_t t = frameBeginUs_ + Chars(end + 1);
      for (std::size_t at : f.pieceAt) {
        if (at > 0 && at <= end) t += gapUs;
      }
      if (t > now) break;
      ++end;
      if (end == f.pieceAt[0] || end == f.pieceAt[1]) break;
    }
    if (end == sent_) return;
    if (f.fd < 0) {  // its client has gone
      trace_.Frame(frameBeginUs_, now, "TX", {f.bytes.data(), f.size}, "dropped: client gone");
      head_ = (head_ + 1) % kQueue;
      --count_;
      sent_ = 0;
      blockedSinceUs_ = 0;
      if (count_ > 0) frameBeginUs_ = std::max(lineFreeUs_, queue_[head_].startUs);
      continue;
    }
    const ssize_t n = write(f.fd, f.bytes.data() + sent_, end - sent_);
    if (n <= 0) {
      // The terminal's buffer is full (nobody reads): poll() says when it drains, and replies
      // that nobody takes for a second are dropped.
      if (blockedSinceUs_ == 0) blockedSinceUs_ = now;
      if (now - blockedSinceUs_ >= kBlockedDropUs) {
        trace_.Frame(frameBeginUs_, now, "TX", {f.bytes.data(), f.size}, "dropped: nobody reads");
        head_ = (head_ + 1) % kQueue;
        --count_;
        sent_ = 0;
        blockedSinceUs_ = 0;
        lineFreeUs_ = now;
        if (count_ > 0) frameBeginUs_ = std::max(lineFreeUs_, queue_[head_].startUs);
        continue;
      }
      return;
    }
    blockedSinceUs_ = 0;
    sent_ += static_cast<std::size_t>(n);
    if (sent_ < f.size) continue;
    const std::int64_t lastDue = frameBeginUs_ + Chars(f.size) + PieceGaps(f);
    trace_.Frame(frameBeginUs_, now, "TX", {f.bytes.data(), f.size}, f.note);
    lineFreeUs_ = std::max(lastDue, now);
    head_ = (head_ + 1) % kQueue;
    --count_;
    sent_ = 0;
    if (count_ > 0) frameBeginUs_ = std::max(lineFreeUs_, queue_[head_].startUs);
  }
}

void Line::Run(volatile const int& stop) {
  sigset_t unblocked;
  sigemptyset(&unblocked);
  std::int64_t lastTick = NowUs();
  std::int64_t quietUntil = 0;
  while (stop == 0) {
    std::int64_t now = NowUs();
    if (now - lastTick >= kTickUs) {
      // A process that was stopped for a while does not replay that time all at once.
      const double real = std::min(1.0, static_cast<double>(now - lastTick) / 1e6);
      const double seconds = real * options_.timeScale;
      lastTick = now;
      const std::time_t host = std::time(nullptr);
      for (auto& s : sites_) s->engine.Advance(seconds, host);
    }
    if (options_.modem.enabled) {
      std::string text;
      modem_.OnTime(now, text);
      SendText(text, now);
    }
    if (rxSize_ > 0 && now - rxLastUs_ >= silenceUs_) Process(now, true);
    Pump(now);

    std::int64_t deadline = lastTick + kTickUs;
    const std::int64_t departure = NextDeparture();
    if (blockedSinceUs_ != 0) {
      deadline = std::min(deadline, blockedSinceUs_ + kBlockedDropUs);
    } else if (departure >= 0) {
      deadline = std::min(deadline, departure);
    }
    if (rxSize_ > 0) deadline = std::min(deadline, rxLastUs_ + silenceUs_);
    const std::int64_t dial = modem_.DeadlineUs();
    if (dial >= 0) deadline = std::min(deadline, dial);
    now = NowUs();
    const std::int64_t wait = std::max<std::int64_t>(0, deadline - now);
    timespec ts{static_cast<time_t>(wait / 1000000), static_cast<long>((wait % 1000000) * 1000)};
    const int headFd = count_ > 0 ? queue_[head_].fd : -1;
    pollfd pfds[3];
    nfds_t used = 0;
    auto watch = [&](int fd) {
      const bool out = blockedSinceUs_ != 0 && fd == headFd;
      pfds[used++] = pollfd{fd, static_cast<short>(POLLIN | (out ? POLLOUT : 0)), 0};
    };
    const bool quiet = now < quietUntil;
    if (master_ >= 0 && !quiet) watch(master_);
    if (listen_ >= 0) watch(listen_);
    if (client_ >= 0) watch(client_);
    const int r = ppoll(used > 0 ? pfds : nullptr, used, &ts, &unblocked);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (r == 0) continue;
    now = NowUs();
    for (nfds_t i = 0; i < used; ++i) {
      const pollfd& p = pfds[i];
      if (p.fd == listen_) {
        if (p.revents & POLLIN) Accept();
      } else if (p.fd == client_) {
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
          if (Receive(client_, now)) {
            Process(now, false);
          } else {
            DropClient();
          }
        }
      } else if (p.revents & POLLIN) {
        Receive(master_, now);
        Process(now, false);
      } else if (p.revents & (POLLHUP | POLLERR)) {
        quietUntil = now + kHangupPauseUs;  // nobody holds the terminal: do not spin
      }
    }
  }
}

}  // namespace vorel::sim
