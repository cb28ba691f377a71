// Every frame on the line, for the traffic view and vorel-cli --trace: what was sent, what
// came back and how each request ended. Bounded: the oldest frames give way to new ones. Every
// slot of the ring holds room for a frame of up to kSlotBytes from the start, so recording
// allocates nothing for such frames and the log's memory does not creep up as the ring fills
// or as long and short frames trade places; a longer frame's storage is given back when a
// shorter one takes its slot.
// Frames are recorded from the request workers and the main thread alike, so every call locks.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace vorel {

enum class FrameOutcome {
  Request,       // a request as sent
  Reply,         // a reply whose CRC held
  CrcError,      // all bytes in, the CRC did not match
  Exception,     // an exception reply; the code is in `exceptionCode`
  Foreign,       // bytes of another address or function, dropped
  Oversize,      // a header announcing more than the buffers hold, dropped
  EchoMismatch,  // the adapter's echo of the request did not match it
  Timeout,       // no (complete) reply in time; `bytes` holds what had come
  Incomplete,    // a reply whose CRC held but that lacks data the request needs, refused
};

struct FrameRecord {
  std::uint64_t sequence = 0;  // 1 for the first frame after a restart
  std::uint64_t timeMs = 0;    // since the port was opened
  FrameOutcome outcome = FrameOutcome::Request;
  int site = 0;
  std::uint8_t function = 0;
  std::uint16_t address = 0;  // the registers of the request this frame belongs to
  std::uint16_t count = 0;
  std::uint8_t exceptionCode = 0;
  std::vector<std::uint8_t> bytes;

  bool IsRequest() const { return outcome == FrameOutcome::Request; }
};

// The outcome as a word for the view and the trace, in the language in force.
std::string FrameOutcomeText(const FrameRecord& record);
// One line of text: time, direction, site, function, registers, length, bytes, outcome.
std::string FormatFrameLine(const FrameRecord& record);

class TrafficLog {
 public:
  static constexpr std::size_t kDefaultCapacity = 10000;
  // Room each slot has from the start: any request and any reply of up to 125 registers.
  static constexpr std::size_t kSlotBytes = 256;
  explicit TrafficLog(std::size_t capacity = kDefaultCapacity);

  // Time zero and an empty log (the port was opened).
  void Restart(std::uint64_t nowMs);
  void Clear();

  // Records a frame. `exceptionCode` matters for FrameOutcome::Exception only.
  void Record(std::uint64_t nowMs, FrameOutcome outcome, int site, std::uint8_t function,
              std::uint16_t address, std::uint16_t count, std::span<const std::uint8_t> bytes,
              std::uint8_t exceptionCode = 0);

  // Called with each frame as it is recorded (under the log's lock: keep it short). Empty to
  // stop. vorel-cli writes its trace file from here.
  void SetSink(std::function<void(const FrameRecord&)> sink);

  // The sequence number of the newest frame (0: none yet).
  std::uint64_t Newest() const;
  // Changes at every Restart and Clear: a reader that saw another value starts over.
  std::uint64_t Generation() const;
  // Appends to `out` the frames newer than `after`, oldest first (those still kept).
  void CopySince(std::uint64_t after, std::vector<FrameRecord>& out) const;
  std::size_t Capacity() const { return ring_.size(); }
  std::size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::vector<FrameRecord> ring_;
  std::size_t next_ = 0;  // slot of the next frame
  std::size_t size_ = 0;
  std::uint64_t newest_ = 0;
  std::uint64_t generation_ = 0;
  std::uint64_t startMs_ = 0;
  std::function<void(const FrameRecord&)> sink_;
};

}  // namespace vorel
