#include "link/reply_assembler.h"

#include <algorithm>

#include "link/modbus_frame.h"

namespace vorel {
namespace {

std::uint8_t NormalFunction(ReplyShape shape) {
  return shape == ReplyShape::WriteEcho ? kWriteFunction : kReadFunction;
}

}  // namespace

std::size_t ReplyAssembler::HeaderBytes(ReplyShape shape) {
  return shape == ReplyShape::BlockRead ? 4 : 3;
}

void ReplyAssembler::Begin(ReplyShape shape, int site, std::span<const std::uint8_t> echo) {
  shape_ = shape;
  site_ = site;
  outcome_ = ReplyStatus::NeedMore;
  exception_ = false;
  resynced_ = false;
  skipped_ = 0;
  header_ = HeaderBytes(shape);
  filled_ = 0;
  target_ = header_;
  echoSize_ = std::min(echo.size(), echo_.size());
  std::copy_n(echo.begin(), echoSize_, echo_.begin());
  echoMatched_ = 0;
  phase_ = echoSize_ > 0 ? Phase::Echo : Phase::Header;
  checkWrite_ = false;
}

void ReplyAssembler::ExpectWrite(std::uint16_t address, std::uint16_t count) {
  checkWrite_ = true;
  writeEcho_ = {static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
                static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count & 0xFF)};
}

std::size_t ReplyAssembler::Pending() const {
  switch (phase_) {
    case Phase::Echo:
      return echoSize_ - echoMatched_;
    case Phase::Header:
    case Phase::Body:
      return target_ - filled_;
    case Phase::Done:
      break;
  }
  return 0;
}

bool ReplyAssembler::InProgress() const {
  switch (phase_) {
    case Phase::Echo:
      return echoMatched_ > 0;
    case Phase::Header:
      return echoSize_ > 0 || filled_ > 0;
    case Phase::Body:
      return true;
    case Phase::Done:
      break;
  }
  return false;
}

std::size_t ReplyAssembler::Wanted(std::size_t waiting) const {
  const std::size_t pending = Pending();
  switch (phase_) {
    case Phase::Echo:
      return std::min(waiting, pending);
    case Phase::Header:
      return waiting >= pending ? pending : 0;
    case Phase::Body:
      return waiting == pending ? pending : 0;
    case Phase::Done:
      break;
  }
  return 0;
}

std::size_t ReplyAssembler::Available(std::size_t waiting) const {
  return std::min(waiting, Pending());
}

std::size_t ReplyAssembler::MatchEcho(std::span<const std::uint8_t> bytes) {
  std::size_t n = 0;
  while (n < bytes.size() && echoMatched_ < echoSize_) {
    if (bytes[n] != echo_[echoMatched_]) {
      phase_ = Phase::Done;
      outcome_ = ReplyStatus::EchoMismatch;
      return bytes.size();  // the rest is dropped with it
    }
    ++n;
    ++echoMatched_;
  }
  if (echoMatched_ == echoSize_) phase_ = Phase::Header;
  return n;
}

ReplyStatus ReplyAssembler::Feed(std::span<const std::uint8_t> bytes, std::size_t* used) {
  std::size_t taken = 0;
  ReplyStatus status = phase_ == Phase::Done ? outcome_ : ReplyStatus::NeedMore;
  while (phase_ != Phase::Done && taken < bytes.size()) {
    if (phase_ == Phase::Echo) {
      taken += MatchEcho(bytes.subspan(taken));
      status = phase_ == Phase::Done ? outcome_ : ReplyStatus::NeedMore;
      continue;
    }
    const std::size_t n = std::min(target_ - filled_, bytes.size() - taken);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(taken), n,
                buffer_.begin() + static_cast<std::ptrdiff_t>(filled_));
    filled_ += n;
    taken += n;
    if (filled_ < target_) break;
    if (phase_ == Phase::Header) {
      const HeaderVerdict verdict = AcceptHeader();
      if (verdict == HeaderVerdict::Foreign) {
        status = ReplyStatus::Foreign;  // waiting for a new header again
        break;
      }
      if (verdict == HeaderVerdict::Resynced) continue;  // the rest of the header follows
    } else {
      CheckReply();
      if (phase_ == Phase::Header) {
        status = ReplyStatus::Foreign;  // a resynchronised frame that did not hold
        break;
      }
    }
    status = phase_ == Phase::Done ? outcome_ : ReplyStatus::NeedMore;
  }
  if (used) *used = taken;
  return status;
}

void ReplyAssembler::RestartHeader() {
  phase_ = Phase::Header;
  exception_ = false;
  resynced_ = false;
  skipped_ = 0;
  filled_ = 0;
  target_ = header_;
}

// Drops the bytes before the first place in the header where the addressed site's number is
// followed by one of the expected function codes (or by nothing yet).
bool ReplyAssembler::Resync() {
  const std::uint8_t normal = NormalFunction(shape_);
  for (std::size_t k = 1; k < filled_; ++k) {
    if (buffer_[k] != site_) continue;
    if (k + 1 < filled_ && buffer_[k + 1] != normal && buffer_[k + 1] != (normal | kExceptionFlag))
      continue;
    std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(k),
              buffer_.begin() + static_cast<std::ptrdiff_t>(filled_), buffer_.begin());
    filled_ -= k;
    skipped_ += k;
    resynced_ = true;
    return true;
  }
  return false;
}

ReplyAssembler::HeaderVerdict ReplyAssembler::AcceptHeader() {
  const bool ours = buffer_[0] == site_;
  const std::uint8_t normal = NormalFunction(shape_);
  std::size_t rest = 0;
  if (ours && buffer_[1] == normal) {
    switch (shape_) {
      case ReplyShape::PlainRead:
        rest = buffer_[2] + 2u;
        break;
      case ReplyShape::BlockRead:
        rest = ((std::size_t{buffer_[2]} << 8) | buffer_[3]) + 2u;
        break;
      case ReplyShape::WriteEcho:
        rest = 5;
        break;
    }
  } else if (ours && buffer_[1] == (normal | kExceptionFlag)) {
    // The exception code and the CRC: in the block shape the header already holds the code
    // and the CRC's low byte.
    exception_ = true;
    rest = shape_ == ReplyShape::BlockRead ? 1 : 2;
  } else {
    if (Resync()) return HeaderVerdict::Resynced;
    RestartHeader();
    return HeaderVerdict::Foreign;
  }
  if (rest > kReceiveBytes) {
    if (resynced_) {
      RestartHeader();
      return HeaderVerdict::Foreign;
    }
    phase_ = Phase::Done;
    outcome_ = ReplyStatus::Oversize;
    return HeaderVerdict::Ours;
  }
  phase_ = Phase::Body;
  target_ = header_ + rest;
  return HeaderVerdict::Ours;
}

void ReplyAssembler::CheckReply() {
  const bool crcOk = CrcMatches({buffer_.data(), target_});
  if (!crcOk && resynced_) {
    RestartHeader();  // not a valid frame for the site after all: treated as noise
    return;
  }
  if (crcOk && !exception_ && shape_ == ReplyShape::WriteEcho && checkWrite_ &&
      !std::equal(writeEcho_.begin(), writeEcho_.end(), buffer_.begin() + 2)) {
    RestartHeader();  // the echo of another write: not this request's reply
    return;
  }
  phase_ = Phase::Done;
  if (!crcOk) {
    outcome_ = ReplyStatus::CrcError;
  } else {
    outcome_ = exception_ ? ReplyStatus::Exception : ReplyStatus::Complete;
  }
}

std::span<const std::uint8_t> ReplyAssembler::Data() const {
  if (outcome_ != ReplyStatus::Complete) return {};
  return {buffer_.data() + header_, target_ - header_ - 2};
}

}  // namespace vorel
