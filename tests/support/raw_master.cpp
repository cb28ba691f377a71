#include "raw_master.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>

namespace vorel::test {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

std::uint16_t TestCrc(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i)
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                      : static_cast<std::uint16_t>(crc >> 1);
  }
  return crc;
}

bool TestCrcOk(std::span<const std::uint8_t> frame) {
  if (frame.size() < 4) return false;
  const std::uint16_t crc = TestCrc(frame.first(frame.size() - 2));
  return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = TestCrc(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

Bytes ReadFrame(std::uint8_t site, std::uint16_t address, std::uint16_t count) {
  return WithCrc({site, 0x03, static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(count >> 8),
                  static_cast<std::uint8_t>(count & 0xFF)});
}

Bytes WriteFrame(std::uint8_t site, std::uint16_t address, std::span<const std::uint16_t> words) {
  Bytes f{site,
          0x10,
          static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address & 0xFF),
          0,
          static_cast<std::uint8_t>(words.size()),
          static_cast<std::uint8_t>(2 * words.size())};
  for (std::uint16_t w : words) {
    f.push_back(static_cast<std::uint8_t>(w >> 8));
    f.push_back(static_cast<std::uint8_t>(w & 0xFF));
  }
  return WithCrc(f);
}

std::uint16_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

RawMaster::~RawMaster() {
  Close();
}

bool RawMaster::Open(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) return false;
  termios tio{};
  if (tcgetattr(fd_, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(fd_, TCSANOW, &tio);
  }
  Purge();
  return true;
}

void RawMaster::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void RawMaster::Send(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      pollfd p{fd_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
}

void RawMaster::SendText(std::string_view text) {
  Send({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void RawMaster::Purge() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

Bytes RawMaster::Read(std::size_t n, int timeoutMs) {
  Bytes out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::uint8_t buf[2048];
  while (out.size() < n) {
    const ssize_t got = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
    if (got > 0) {
      out.insert(out.end(), buf, buf + got);
      continue;
    }
    const int left = MsLeft(deadline);
    if (left == 0) break;
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, left);
  }
  return out;
}

Bytes RawMaster::ReadQuiet(int timeoutMs, int quietMs) {
  Bytes out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::uint8_t buf[2048];
  for (;;) {
    const ssize_t got = ::read(fd_, buf, sizeof buf);
    if (got > 0) {
      out.insert(out.end(), buf, buf + got);
      continue;
    }
    const int left = MsLeft(deadline);
    if (left == 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, out.empty() ? left : std::min(left, quietMs)) == 0 && !out.empty()) break;
  }
  return out;
}

Bytes RawMaster::ReadReply(Shape shape, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Bytes reply = Read(2, timeoutMs);
  if (reply.size() < 2) return reply;
  std::size_t total = 0;
  if (reply[1] & 0x80) {
    total = 5;
  } else if (shape == Shape::kWrite) {
    total = 8;
  } else if (shape == Shape::kPlainRead) {
    const Bytes count = Read(1, MsLeft(deadline));
    reply.insert(reply.end(), count.begin(), count.end());
    if (count.empty()) return reply;
    total = 5 + count[0];
  } else {
    const Bytes count = Read(2, MsLeft(deadline));
    reply.insert(reply.end(), count.begin(), count.end());
    if (count.size() < 2) return reply;
    total = 6 + BigEndian(count, 0);
  }
  const Bytes rest = Read(total - reply.size(), MsLeft(deadline));
  reply.insert(reply.end(), rest.begin(), rest.end());
  return reply;
}

Bytes RawMaster::Exchange(std::span<const std::uint8_t> request, Shape shape, int timeoutMs) {
  Purge();
  Send(request);
  return ReadReply(shape, timeoutMs);
}

std::vector<std::uint16_t> RawMaster::ReadRegisters(std::uint8_t site, std::uint16_t address,
                                                    std::uint16_t count) {
  const Bytes reply = Exchange(ReadFrame(site, address, count), Shape::kPlainRead);
  std::vector<std::uint16_t> words;
  EXPECT_EQ(reply.size(), 5U + 2U * count) << "read of " << address;
  if (reply.size() != 5U + 2U * count || !TestCrcOk(reply)) {
    ADD_FAILURE() << "bad reply to a read of " << address;
    return words;
  }
  for (std::size_t i = 0; i < count; ++i) words.push_back(BigEndian(reply, 3 + 2 * i));
  return words;
}

Bytes RawMaster::WriteRegisters(std::uint8_t site, std::uint16_t address,
                                std::vector<std::uint16_t> words) {
  return Exchange(WriteFrame(site, address, words), Shape::kWrite);
}

}  // namespace vorel::test
