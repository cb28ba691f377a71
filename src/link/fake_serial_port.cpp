#include "link/fake_serial_port.h"

#include <algorithm>

namespace vorel {

void FakeSerialPort::QueueReply(Reply reply) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(reply));
}

void FakeSerialPort::QueueReply(std::vector<std::uint8_t> bytes, std::uint64_t delayMs) {
  QueueReply(Reply{{delayMs, std::move(bytes)}});
}

void FakeSerialPort::Inject(std::vector<std::uint8_t> bytes, std::uint64_t atMs) {
  std::lock_guard lock(mutex_);
  Schedule(bytes, atMs);
}

void FakeSerialPort::Unplug() {
  std::lock_guard lock(mutex_);
  gone_ = true;
  input_.clear();
}

void FakeSerialPort::Schedule(const std::vector<std::uint8_t>& bytes, std::uint64_t at) {
  for (std::uint8_t b : bytes) {
    // Keep arrival order: a byte never overtakes one scheduled before it.
    const std::uint64_t when = input_.empty() ? at : std::max(at, input_.back().at);
    input_.push_back({when, b});
  }
}

std::vector<std::vector<std::uint8_t>> FakeSerialPort::Frames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

std::vector<std::uint64_t> FakeSerialPort::FrameTimes() const {
  std::lock_guard lock(mutex_);
  return frameTimes_;
}

int FakeSerialPort::InputPurges() const {
  std::lock_guard lock(mutex_);
  return inputPurges_;
}

int FakeSerialPort::OutputPurges() const {
  std::lock_guard lock(mutex_);
  return outputPurges_;
}

bool FakeSerialPort::Open(const PortSettings& settings, std::string* error) {
  std::lock_guard lock(mutex_);
  if (!openError.empty()) {
    if (error) *error = openError;
    return false;
  }
  openedWith = settings;
  open_ = true;
  gone_ = false;
  return true;
}

void FakeSerialPort::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
  input_.clear();
}

bool FakeSerialPort::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

void FakeSerialPort::PurgeInput() {
  std::lock_guard lock(mutex_);
  ++inputPurges_;
  const std::uint64_t now = pump_.NowMs();
  while (!input_.empty() && input_.front().at <= now) input_.pop_front();
}

void FakeSerialPort::PurgeOutput() {
  std::lock_guard lock(mutex_);
  ++outputPurges_;
}

bool FakeSerialPort::Write(std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (!open_ || gone_) return false;
  frames_.emplace_back(bytes.begin(), bytes.end());
  const std::uint64_t now = pump_.NowMs();
  frameTimes_.push_back(now);
  if (script_.empty()) {
    if (responder) {
      for (const Piece& piece : responder(bytes)) Schedule(piece.bytes, now + piece.delayMs);
    }
    return true;
  }
  for (const Piece& piece : script_.front()) Schedule(piece.bytes, now + piece.delayMs);
  script_.pop_front();
  return true;
}

bool FakeSerialPort::WriteText(std::string_view text) {
  return Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

int FakeSerialPort::VisibleLocked() const {
  if (!open_ || gone_) return 0;
  const std::uint64_t now = pump_.NowMs();
  int n = 0;
  for (const Byte& b : input_) {
    if (b.at > now) break;
    ++n;
  }
  return n;
}

int FakeSerialPort::InputCount() {
  std::lock_guard lock(mutex_);
  return VisibleLocked();
}

std::optional<std::uint64_t> FakeSerialPort::NextArrival() const {
  std::lock_guard lock(mutex_);
  if (!open_ || gone_ || input_.empty()) return std::nullopt;
  return input_.front().at;
}

int FakeSerialPort::Read(std::span<std::uint8_t> into) {
  const std::uint64_t deadline = pump_.NowMs() + kPortTimeoutMs;
  std::size_t done = 0;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (!open_ || gone_) break;
      const std::uint64_t now = pump_.NowMs();
      while (done < into.size() && !input_.empty() && input_.front().at <= now) {
        into[done++] = input_.front().value;
        input_.pop_front();
      }
    }
    if (done == into.size() || pump_.NowMs() >= deadline) break;
    // Wait, on fake time, for the next byte or the read timeout.
    const auto next = NextArrival();
    pump_.AdvanceTo(next ? std::min(*next, deadline) : deadline);
  }
  return static_cast<int>(done);
}

std::string FakeSerialPort::ReadText(int n) {
  std::string text(static_cast<std::size_t>(std::max(0, n)), '\0');
  const int got = Read({reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
  text.resize(static_cast<std::size_t>(got));
  return text;
}

bool FakeSerialPort::WaitForInput(int ms) {
  if (InputCount() > 0) return true;
  const std::uint64_t limit = pump_.NowMs() + static_cast<std::uint64_t>(std::max(0, ms));
  const auto next = NextArrival();
  if (next && *next <= limit) {
    pump_.AdvanceTo(*next);
    return true;
  }
  pump_.AdvanceTo(limit);
  return false;
}

bool FakeSerialPort::SetDtr(bool on) {
  std::lock_guard lock(mutex_);
  dtr = on;
  return open_ && !gone_;
}
bool FakeSerialPort::SetRts(bool on) {
  std::lock_guard lock(mutex_);
  rts = on;
  return open_ && !gone_;
}
bool FakeSerialPort::Gone() const {
  std::lock_guard lock(mutex_);
  return open_ && gone_;
}

bool FakeSerialPort::CarrierDetect() {
  std::lock_guard lock(mutex_);
  return open_ && !gone_ && carrier;
}

}  // namespace vorel
