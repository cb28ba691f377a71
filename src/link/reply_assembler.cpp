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

void ReplyAssembler::Begin(ReplyShape shape, int site) {
  shape_ = shape;
  site_ = site;
  phase_ = Phase::Header;
  outcome_ = ReplyStatus::NeedMore;
  exception_ = false;
  header_ = HeaderBytes(shape);
  filled_ = 0;
  target_ = header_;
}

std::size_t ReplyAssembler::Pending() const {
  return phase_ == Phase::Done ? 0 : target_ - filled_;
}

std::size_t ReplyAssembler::Wanted(std::size_t waiting) const {
  const std::size_t pending = Pending();
  switch (phase_) {
    case Phase::Header:
      return waiting >= pending ? pending : 0;
    case Phase::Body:
      return waiting == pending ? pending : 0;
    case Phase::Done:
      break;
  }
  return 0;
}

ReplyStatus ReplyAssembler::Feed(std::span<const std::uint8_t> bytes, std::size_t* used) {
  std::size_t taken = 0;
  ReplyStatus status = phase_ == Phase::Done ? outcome_ : ReplyStatus::NeedMore;
  while (phase_ != Phase::Done && taken < bytes.size()) {
    const std::size_t n = std::min(target_ - filled_, bytes.size() - taken);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(taken), n,
                buffer_.begin() + static_cast<std::ptrdiff_t>(filled_));
    filled_ += n;
    taken += n;
    if (filled_ < target_) break;
    if (phase_ == Phase::Header) {
      AcceptHeader();
      if (phase_ == Phase::Header) {
        status = ReplyStatus::Foreign;  // waiting for a new header again
        break;
      }
    } else {
      CheckReply();
    }
    status = phase_ == Phase::Done ? outcome_ : ReplyStatus::NeedMore;
  }
  if (used) *used = taken;
  return status;
}

void ReplyAssembler::AcceptHeader() {
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
    filled_ = 0;
    return;
  }
  if (rest > kReceiveBytes) {
    phase_ = Phase::Done;
    outcome_ = ReplyStatus::Oversize;
    return;
  }
  phase_ = Phase::Body;
  target_ = header_ + rest;
}

void ReplyAssembler::CheckReply() {
  phase_ = Phase::Done;
  if (!CrcMatches({buffer_.data(), target_})) {
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
