#include "link/traffic_log.h"

#include <algorithm>
#include <cstdio>

#include "core/language.h"

namespace vorel {

std::string FrameOutcomeText(const FrameRecord& record) {
  switch (record.outcome) {
    case FrameOutcome::Request:
      return std::string(PickText("request", "请求"));
    case FrameOutcome::Reply:
      return std::string(PickText("reply", "响应"));
    case FrameOutcome::CrcError:
      return std::string(PickText("CRC error", "CRC错误"));
    case FrameOutcome::Exception: {
      char code[8];
      std::snprintf(code, sizeof code, " %02X", record.exceptionCode);
      return std::string(PickText("exception", "异常响应")) + code;
    }
    case FrameOutcome::Foreign:
      return std::string(PickText("other frame, dropped", "其他帧，已丢弃"));
    case FrameOutcome::Oversize:
      return std::string(PickText("too long, dropped", "过长，已丢弃"));
    case FrameOutcome::EchoMismatch:
      return std::string(PickText("echo mismatch", "回送不符"));
    case FrameOutcome::Timeout:
      return std::string(PickText("timeout", "超时"));
    case FrameOutcome::Incomplete:
      return std::string(PickText("incomplete, refused", "不完整，已拒绝"));
  }
  return {};
}

std::string FormatFrameLine(const FrameRecord& r) {
  char head[96];
  std::snprintf(head, sizeof head, "%9llu ms  %s  %2d  %02X  %04X+%-3u %4zu  ",
                static_cast<unsigned long long>(r.timeMs), r.IsRequest() ? "TX" : "RX", r.site,
                r.function, r.address, r.count, r.bytes.size());
  std::string line = head;
  line.reserve(line.size() + r.bytes.size() * 3 + 24);
  char hex[4];
  for (std::size_t i = 0; i < r.bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", r.bytes[i]);
    line += hex;
  }
  line += "  ";
  line += FrameOutcomeText(r);
  return line;
}

TrafficLog::TrafficLog(std::size_t capacity) : ring_(std::max<std::size_t>(1, capacity)) {
  for (FrameRecord& r : ring_) r.bytes.reserve(kSlotBytes);
}

void TrafficLog::Restart(std::uint64_t nowMs) {
  std::lock_guard lock(mutex_);
  startMs_ = nowMs;
  next_ = 0;
  size_ = 0;
  newest_ = 0;
  ++generation_;
}

void TrafficLog::Clear() {
  std::lock_guard lock(mutex_);
  size_ = 0;
  ++generation_;
}

void TrafficLog::Record(std::uint64_t nowMs, FrameOutcome outcome, int site, std::uint8_t function,
                        std::uint16_t address, std::uint16_t count,
                        std::span<const std::uint8_t> bytes, std::uint8_t exceptionCode) {
  std::lock_guard lock(mutex_);
  FrameRecord& r = ring_[next_];
  r.sequence = ++newest_;
  r.timeMs = nowMs >= startMs_ ? nowMs - startMs_ : 0;
  r.outcome = outcome;
  r.site = site;
  r.function = function;
  r.address = address;
  r.count = count;
  r.exceptionCode = exceptionCode;
  if (bytes.size() <= kSlotBytes && r.bytes.capacity() > kSlotBytes) {
    std::vector<std::uint8_t> standard;  // the long frame that had the slot gives its room back
    standard.reserve(kSlotBytes);
    r.bytes.swap(standard);
  }
  r.bytes.assign(bytes.begin(), bytes.end());  // within the slot's room: no allocation
  next_ = (next_ + 1) % ring_.size();
  size_ = std::min(size_ + 1, ring_.size());
  if (sink_) sink_(r);
}

void TrafficLog::SetSink(std::function<void(const FrameRecord&)> sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

std::uint64_t TrafficLog::Newest() const {
  std::lock_guard lock(mutex_);
  return newest_;
}

std::uint64_t TrafficLog::Generation() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

std::size_t TrafficLog::Size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

void TrafficLog::CopySince(std::uint64_t after, std::vector<FrameRecord>& out) const {
  std::lock_guard lock(mutex_);
  const std::size_t first = (next_ + ring_.size() - size_) % ring_.size();
  for (std::size_t k = 0; k < size_; ++k) {
    const FrameRecord& r = ring_[(first + k) % ring_.size()];
    if (r.sequence > after) out.push_back(r);
  }
}

}  // namespace vorel
