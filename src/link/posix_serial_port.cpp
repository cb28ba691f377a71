#include "link/posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "link/serial_baud.h"

namespace vorel {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

void SleepMs(int ms) {
  if (ms > 0) ::poll(nullptr, 0, ms);
}

bool ConfigureTermios(int fd, const PortSettings& s, std::string* error) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    if (error) *error = std::string("cannot read the line settings: ") + std::strerror(errno);
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  switch (s.dataBits) {
    case 5:
      tio.c_cflag |= CS5;
      break;
    case 6:
      tio.c_cflag |= CS6;
      break;
    case 7:
      tio.c_cflag |= CS7;
      break;
    default:
      tio.c_cflag |= CS8;
      break;
  }
  switch (s.parity) {
    case Parity::None:
      break;
    case Parity::Odd:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case Parity::Even:
      tio.c_cflag |= PARENB;
      break;
    case Parity::Mark:
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case Parity::Space:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
  }
  // Linux has no 1.5 stop bits; the nearest longer setting is 2.
  if (s.stopBits != StopBits::One) tio.c_cflag |= CSTOPB;
  switch (s.flowControl) {
    case FlowControl::RtsCts:
      tio.c_cflag |= CRTSCTS;
      break;
    case FlowControl::XonXoff:
      tio.c_iflag |= IXON | IXOFF;
      break;
    case FlowControl::Custom:  // no handshake of its own: the line runs without
    case FlowControl::None:
      break;
  }
  // With VMIN 1 a non-blocking read says EAGAIN when nothing is there and returns 0 only at
  // hang-up (with VMIN 0 it would return 0 either way).
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    if (error) *error = std::string("cannot set the line settings: ") + std::strerror(errno);
    return false;
  }
  if (!SetLineSpeed(fd, s.baud)) {
    if (error) *error = "baud rate " + std::to_string(s.baud) + " is not supported";
    return false;
  }
  return true;
}

}  // namespace

std::string SerialPortPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  if (name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
      std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int n = std::atoi(name.c_str() + 3);
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  return "/dev/" + name;
}

std::vector<std::string> ListSerialPortNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/tty", ec)) {
    std::error_code ignored;
    if (std::filesystem::exists(entry.path() / "device", ignored)) {
      names.push_back("/dev/" + entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

PosixSerialPort::~PosixSerialPort() {
  Close();
}

bool PosixSerialPort::Open(const PortSettings& settings, std::string* error) {
  std::unique_lock lock(mutex_);
  CloseLocked();
  const std::string path = SerialPortPath(settings.name);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
  }
  auto fail = [&](const std::string& why) {
    if (error) *error = path + ": " + why;
    ::close(fd);
    return false;
  };
  if (!::isatty(fd)) return fail("not a serial port");
  // Another instance of the tool holding the port keeps it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail("the port is in use");
  std::string why;
  if (!ConfigureTermios(fd, settings, &why)) return fail(why);
  // DTR and RTS inactive. Pseudo-terminals have no modem lines (the ioctl fails): the lines
  // are then unsupported and carrier detect reads off.
  int lines = TIOCM_DTR | TIOCM_RTS;
  modemLines_ = ::ioctl(fd, TIOCMBIC, &lines) == 0;
  ::tcflush(fd, TCIOFLUSH);
  fd_ = fd;
  gone_.store(false, std::memory_order_relaxed);
  return true;
}

void PosixSerialPort::Close() {
  std::unique_lock lock(mutex_);
  CloseLocked();
}

void PosixSerialPort::CloseLocked() {
  if (fd_ < 0) return;
  ::tcflush(fd_, TCIOFLUSH);
  ::close(fd_);
  fd_ = -1;
  modemLines_ = false;
}

bool PosixSerialPort::Gone() const {
  if (Marked()) return true;
  std::shared_lock lock(mutex_);
  if (fd_ < 0) return false;
  // A hang-up shows without a read: the other side of a pseudo-terminal closed, or the
  // adapter's driver reported the device removed.
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) MarkGone();
  return Marked();
}

bool PosixSerialPort::IsOpen() const {
  std::shared_lock lock(mutex_);
  return fd_ >= 0;
}

void PosixSerialPort::PurgeInput() {
  std::shared_lock lock(mutex_);
  if (fd_ >= 0 && !Marked()) ::tcflush(fd_, TCIFLUSH);
}

void PosixSerialPort::PurgeOutput() {
  std::shared_lock lock(mutex_);
  if (fd_ >= 0 && !Marked()) ::tcflush(fd_, TCOFLUSH);
}

bool PosixSerialPort::Write(std::span<const std::uint8_t> bytes) {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kPortTimeoutMs);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      MarkGone();
      return false;
    }
    const int left = MsLeft(deadline);
    if (left == 0) return false;
    pollfd p{fd_, POLLOUT, 0};
    const int r = ::poll(&p, 1, left);
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p.revents & POLLOUT)) {
      MarkGone();
      return false;
    }
  }
  return true;
}

bool PosixSerialPort::WriteText(std::string_view text) {
  return Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

int PosixSerialPort::InputCount() {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return 0;
  int n = 0;
  if (::ioctl(fd_, FIONREAD, &n) != 0) {
    MarkGone();
    return 0;
  }
  return std::max(0, n);
}

int PosixSerialPort::Read(std::span<std::uint8_t> into) {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked()) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kPortTimeoutMs);
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t n = ::read(fd_, into.data() + done, into.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || errno != EAGAIN) {  // end of file or an I/O error: the device is gone
      MarkGone();
      break;
    }
    const int left = MsLeft(deadline);
    if (left == 0) break;
    pollfd p{fd_, POLLIN, 0};
    const int r = ::poll(&p, 1, left);
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p.revents & POLLIN)) {
      MarkGone();
      break;
    }
  }
  return static_cast<int>(done);
}

std::string PosixSerialPort::ReadText(int n) {
  std::string text(static_cast<std::size_t>(std::max(0, n)), '\0');
  const int got = Read({reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
  text.resize(static_cast<std::size_t>(got));
  return text;
}

bool PosixSerialPort::WaitForInput(int ms) {
  {
    std::shared_lock lock(mutex_);
    if (fd_ >= 0 && !Marked()) {
      pollfd p{fd_, POLLIN, 0};
      const int r = ::poll(&p, 1, std::max(0, ms));
      if (r <= 0) return false;
      if (p.revents & POLLIN) return true;
      if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) MarkGone();
    }
  }
  // Closed or gone: nothing will arrive; still take the time so that callers never spin.
  SleepMs(ms);
  return false;
}

bool PosixSerialPort::SetLine(int bit, bool on) {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked() || !modemLines_) return false;
  return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

bool PosixSerialPort::SetDtr(bool on) {
  return SetLine(TIOCM_DTR, on);
}

bool PosixSerialPort::SetRts(bool on) {
  return SetLine(TIOCM_RTS, on);
}

bool PosixSerialPort::CarrierDetect() {
  std::shared_lock lock(mutex_);
  if (fd_ < 0 || Marked() || !modemLines_) return false;
  int lines = 0;
  if (::ioctl(fd_, TIOCMGET, &lines) != 0) return false;
  return (lines & TIOCM_CAR) != 0;
}

}  // namespace vorel
