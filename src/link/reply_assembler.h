// Assembles one Modbus RTU reply from the bytes that arrive and makes every framing decision:
// whether the request's own echo came back first (two-wire adapters that hear themselves),
// whose reply the header is, how many bytes follow it, whether the CRC holds, whether it is an
// exception. It knows nothing of ports, clocks or threads; the link feeds it what it reads and
// acts on the outcome. One fixed buffer holds the reply, so nothing is allocated per reply.
//
// Noise before a reply (a stray byte when the line turns around) is skipped: when a header is
// not ours but the addressed site's number follows inside it, the header is taken again from
// there. Such a resynchronised reply is accepted only as a whole frame for the site with a
// correct CRC; anything else ends exactly as a foreign header does.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorel {

// The layout of the reply, chosen by the request that was sent, not by the reply.
enum class ReplyShape {
  // Function 3: address, function, one-byte byte count; the data and the CRC.
  PlainRead,
  // Function 3 of the block-transfer areas (0x8031 and up): address, function, two-byte byte
  // count (high byte first); the data and the CRC.
  BlockRead,
  // The function-16 echo: address, function, register address high; then register address
  // low, count high, count low and the CRC.
  WriteEcho,
};

enum class ReplyStatus {
  NeedMore,      // Pending() more bytes are needed
  Complete,      // a normal reply with a correct CRC; Data() holds its data
  CrcError,      // all bytes are in, the CRC does not match
  Exception,     // an exception reply with a correct CRC; ExceptionCode() holds the code
  Foreign,       // another address or function: drop the input and wait for a new header
  Oversize,      // the header announces more bytes than the buffer holds: the reply is given up
  EchoMismatch,  // the bytes heard before the reply differ from the request: a line error
};

inline constexpr std::size_t kMaxReplyHeaderBytes = 4;
// The longest part of a reply after its header: 1056 data bytes and the CRC.
inline constexpr std::size_t kReceiveBytes = 1058;
// The longest request whose echo is checked (a function-16 frame of 123 words is 255 bytes).
inline constexpr std::size_t kMaxEchoBytes = 256;

class ReplyAssembler {
 public:
  // The bytes read before the length of the reply is known.
  static std::size_t HeaderBytes(ReplyShape shape);

  // Starts over on a reply of `shape` from slave address `site`. A non-empty `echo` (the request
  // as sent) must come back first, byte for byte, before the reply; it is checked and dropped.
  void Begin(ReplyShape shape, int site, std::span<const std::uint8_t> echo = {});
  // A write echo must name the register address and count that were written: one that names
  // others (a late reply to an earlier write) is dropped as a foreign frame. Set after Begin.
  void ExpectWrite(std::uint16_t address, std::uint16_t count);

  // Bytes still needed before the next decision: the rest of the header, then the rest of the
  // reply; 0 once the reply has an outcome.
  std::size_t Pending() const;
  // How many of `waiting` received bytes to take now: the header as soon as it is all there;
  // the rest of the reply only when exactly that many are waiting. More bytes than the reply
  // can hold mean they are not (only) this reply, which is then never completed.
  // Bytes of an echo are taken as they come.
  std::size_t Wanted(std::size_t waiting) const;
  // Event-driven collection: takes whatever is waiting, up to the next decision, so that a
  // reply completes the moment its last byte is read. Never takes bytes beyond the reply.
  std::size_t Available(std::size_t waiting) const;

  // The echo is done and a header accepted: Pending() counts the bytes after the header.
  bool InBody() const { return phase_ == Phase::Body; }
  // Some bytes of this exchange have been taken and it has no outcome yet.
  bool InProgress() const;
  // Noise bytes skipped before the header of the reply now being assembled.
  std::size_t Skipped() const { return skipped_; }

  // Takes bytes up to the next decision or outcome and returns the state reached. `used`, when
  // given, receives the number of bytes taken; the rest were not looked at. After Foreign the
  // assembler waits for a new header; after any other outcome it takes nothing until Begin.
  ReplyStatus Feed(std::span<const std::uint8_t> bytes, std::size_t* used = nullptr);

  // The data of a Complete reply: the bytes after the header without the CRC. Empty otherwise.
  std::span<const std::uint8_t> Data() const;
  // Every byte of the reply taken so far (all of it once it has an outcome).
  std::span<const std::uint8_t> Received() const { return {buffer_.data(), filled_}; }
  // The code of an Exception reply (the third byte of the header).
  std::uint8_t ExceptionCode() const { return buffer_[2]; }

 private:
  enum class Phase { Echo, Header, Body, Done };
  enum class HeaderVerdict { Ours, Resynced, Foreign };
  HeaderVerdict AcceptHeader();
  bool Resync();
  void RestartHeader();
  void CheckReply();
  std::size_t MatchEcho(std::span<const std::uint8_t> bytes);

  ReplyShape shape_ = ReplyShape::PlainRead;
  int site_ = 0;
  Phase phase_ = Phase::Header;
  ReplyStatus outcome_ = ReplyStatus::NeedMore;
  bool exception_ = false;
  bool resynced_ = false;  // noise before the header was skipped
  std::size_t skipped_ = 0;
  std::size_t header_ = 3;
  std::size_t filled_ = 0;
  std::size_t target_ = 3;  // bytes of the header, then of the whole reply
  std::array<std::uint8_t, kMaxReplyHeaderBytes + kReceiveBytes> buffer_{};
  std::array<std::uint8_t, kMaxEchoBytes> echo_{};
  std::size_t echoSize_ = 0;
  std::size_t echoMatched_ = 0;
  bool checkWrite_ = false;
  std::array<std::uint8_t, 4> writeEcho_{};  // address and count, high byte first
};

}  // namespace vorel
