// The link state shared by the request workers and the reply collector, and the collection
// and decoding of replies. Workers (request_worker.h) only build and write frames under the
// send lock; everything else runs on the main thread, which polls the channel's input count
// and hands what it reads to the ReplyAssembler, which makes the framing decisions.
// The Host is only ever called from the main thread: the "Read nnn" / "Write nnn" text that a
// worker announces is handed over and shown by the next PollReply or WaitForReply.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

#include "core/register_table.h"
#include "core/site_images.h"
#include "link/byte_channel.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/modbus_frame.h"
#include "link/modem_call.h"
#include "link/reply_assembler.h"
#include "link/request_outcome.h"
#include "link/serial_port.h"
#include "link/traffic_log.h"

namespace vorel {

// Request groups in the order in which PollReply serves them.
enum class RequestGroup { PlainRead, Parameter, ParameterConfig, Value, ValueConfig, Write };
inline constexpr int kRequestGroups = 6;

// Communication state of a site, set from the outcome of its requests (and by the poller's
// Retry/Cancel box).
inline constexpr std::int16_t kCommRetry = 115;
inline constexpr std::int16_t kCommDecoding = 298;
inline constexpr std::int16_t kCommNoResult = 299;
inline constexpr std::int16_t kCommDone = 300;
inline constexpr std::int16_t kCommCrcError = 352;
inline constexpr std::int16_t kCommException = 353;

// Status panel of the site's online window that shows the link's progress.
inline constexpr int kLinkStatusPanel = 3;

inline constexpr std::uint16_t kTickLimit = 1000;
inline constexpr int kTickMs = 100;
inline constexpr int kPlainReadStepMs = 100;
inline constexpr int kRequestPauseMs = 4;

class ModbusLink {
 public:
  // The channel is usually the connection's serial port (a SerialPort is a ByteChannel).
  ModbusLink(ByteChannel& channel, Host& host, EventPump& pump, SiteImages& images);
  // Waits for workers still writing (auto-free ones included).
  ~ModbusLink();
  ModbusLink(const ModbusLink&) = delete;
  ModbusLink& operator=(const ModbusLink&) = delete;

  ByteChannel& Port() { return channel_; }
  SiteImages& Images() { return images_; }

  // Where every frame sent and received is recorded (none: nothing is recorded).
  void SetTrafficLog(TrafficLog* log) { traffic_ = log; }

  // The modem option: replies may take 8 s instead of 2 s.
  void SetModem(bool on) {
    modem_ = on;
    allowanceMs_ = 0;
  }
  bool Modem() const { return modem_; }
  // The modem call on the line: with the modem option on, a request ends at once, as a
  // timeout, once the call is known to have dropped.
  void SetModemCall(const ModemCall* call) { call_ = call; }
  bool CallLost() const { return modem_ && call_ && call_->Lost(); }
  // How long a request may wait for its reply: 2 s (8 s with the modem) plus the wire time,
  // at the line's speed, of the longest reply it can bring. Main thread.
  int ReplyAllowanceMs(RequestGroup group, int site, const RegisterBlock& block) const;

  // The port setting "Discard echo": the adapter hears its own request, so the request's bytes
  // come back before the reply; they are checked and dropped, and a mismatch is a line error.
  void SetEchoDiscard(bool on) { echoDiscard_ = on; }

  // The port's speed and character frame. A reply partly in is waited for as long as its
  // missing bytes take on the wire; before this is set (speed 0) the wait looks again every
  // millisecond.
  void SetLineSpeed(const PortSettings& settings);
  // Wire time of one character in microseconds; 0 when the speed is not known.
  int CharacterMicroseconds() const { return charUs_; }

  // Event-driven collection for scripts: no 100 ms steps and no 4 ms finishing pause; a reply
  // completes as soon as its last byte is read, and the wait sleeps until input arrives (with
  // the line speed known, until the rest of the reply can be in). Off (the windows' paced
  // steps) by default.
  void SetFastCollection(bool on) { fast_ = on; }
  bool FastCollection() const { return fast_; }

  // --- Shared link state ---
  bool GroupIdle(RequestGroup group) const;
  void SetGroupIdle(RequestGroup group, bool idle);
  bool LinkIdle() const;
  void SetAllIdle();
  // The block of the last request sent (read under the send lock).
  RegisterBlock CurrentRequest() const;
  std::uint16_t ExpectedBytes() const { return expected_.load(std::memory_order_acquire); }
  std::uint16_t ReplyTicks() const { return ticks_.load(std::memory_order_acquire); }
  // One tenth of a second more since the last frame (capped). Main thread.
  void Tick();
  void ResetReplyTicks() { ticks_.store(0, std::memory_order_release); }
  // Runs Tick every 100 ms on the event pump until StopTicking.
  void StartTicking();
  void StopTicking();

  std::int16_t CommState(int site) const;
  void SetCommState(int site, std::int16_t state);

  // Returns after at least `ms` of the pump's clock, dispatching events meanwhile.
  void DelayWithEvents(int ms);

  // --- Sending (request workers; `SendRead`/`SendWrite` need the send lock held) ---
  std::mutex& SendLock() { return sendLock_; }
  // Steps of a read request: group busy, CurrentRequest, purges, frame, write. False when the
  // port refused the frame (the group stays busy until the reply times out).
  bool SendRead(RequestGroup group, int site, const RegisterBlock& block);
  // The same for a write. A count outside 1 to 123, or fewer words than the count, is refused
  // before anything changes or is sent.
  bool SendWrite(int site, const RegisterBlock& block, std::span<const std::uint16_t> data);

  // --- Replies (main thread) ---
  // Whether the request under way is over without a usable reply, and how: a CRC error, an
  // exception or a mismatched echo was taken, the port has gone away, the reply can no longer
  // come (over 2 s, 8 s with the modem, since the frame, or longer than the buffers), or
  // nothing is outstanding (a refused request). nullopt while the reply can still come.
  std::optional<RequestOutcome> RequestFailure() const;
  // One step of reply collection for the first busy group; true when a reply was completed,
  // checked and decoded in this step.
  bool PollReply(int site);
  // The blocking wait of a synchronous request. Shows nothing: the caller decides what to tell
  // the user. After a failure the request is ended and the site's state is 299.
  RequestResult WaitForReply(int site);
  // Ends the request under way once it can no longer succeed (the traffic log records a
  // timeout unless the reply was recorded already; input discarded, every group idle, panel
  // "Response timeout!"); returns how it ended. The site's state is left to the caller.
  RequestResult FailRequest(int site);
  // Gives up the request under way without a message (a caller with a deadline of its own):
  // FailRequest, then the site's state 299.
  void AbandonRequest(int site);
  void FinishRequest(int site);

  // The data bytes of the last completed reply (after the header, without the CRC); empty once
  // the bytes of another reply are being taken.
  std::span<const std::uint8_t> ReplyData() const { return assembler_.Data(); }

  // Worker bookkeeping, so that no worker outlives the link.
  void WorkerStarted();
  void WorkerFinished();
  // Returns once no worker is writing (auto-free ones included).
  void WaitForWorkers();

 private:
  static ReplyShape ShapeOf(RequestGroup group);
  int FirstBusyGroup() const;
  void DiscardInput();
  // The reply to the request under way ended it (CRC error, exception, bad echo, too long).
  void RecordReplyFailure(int site, RequestOutcome outcome);
  // Records a frame of the request under way (`request` is its block).
  void Trace(FrameOutcome outcome, int site, const RegisterBlock& request,
             std::span<const std::uint8_t> bytes, std::uint8_t exceptionCode = 0);
  void Announce(int site, bool write, std::uint16_t address);
  void ShowAnnouncement();
  // Stores a checked reply into the images; false when it lacks what the request needs.
  bool Store(RequestGroup group, int site, const RegisterBlock& request,
             std::span<const std::uint8_t> data);
  // Stores and ends the request; false (the request failed as Incomplete) for a reply that
  // was refused.
  bool Decode(RequestGroup group, int site);
  void FrameSent(std::size_t length, bool write);
  std::span<const std::uint8_t> SentFrame() const;
  // How long the wait sleeps with `waiting` bytes of a reply in: until the bytes still missing
  // for the next step could have arrived. The pump's timers (the reply tick among them) end
  // the sleep sooner.
  int PartialReplyWaitMs(std::size_t waiting) const;
  // Wire time of `bytes` at the line speed in whole milliseconds (rounded down, at most a tick).
  int WireMs(std::size_t bytes) const;
  // The allowance of the request under way (computed once per request).
  int CurrentAllowanceMs() const;

  ByteChannel& channel_;
  Host& host_;
  EventPump& pump_;
  SiteImages& images_;
  bool modem_ = false;
  const ModemCall* call_ = nullptr;
  TrafficLog* traffic_ = nullptr;
  bool echoDiscard_ = false;
  bool fast_ = false;
  int charUs_ = 0;

  mutable std::mutex sendLock_;
  std::array<std::atomic<bool>, kRequestGroups> idle_;
  RegisterBlock current_{};  // guarded by sendLock_
  int currentSite_ = 0;      // guarded by sendLock_
  mutable unsigned allowanceSerial_ = 0;
  mutable int allowanceMs_ = 0;
  std::atomic<std::uint16_t> expected_{0};
  std::atomic<std::uint16_t> ticks_{0};
  // The frame last sent, for the echo check: its length and whether it was a write. A send
  // bumps the serial number (release) after the frame is built; the collector acquires it.
  std::atomic<unsigned> sentSerial_{0};
  std::atomic<std::size_t> sentLength_{0};
  std::atomic<bool> sentWrite_{false};
  unsigned begunSerial_ = 0;
  // How the reply of the request with serial `failureSerial_` ended it (Done: it did not, or
  // the failure has been handed out by FailRequest).
  RequestOutcome replyFailure_ = RequestOutcome::Done;
  unsigned failureSerial_ = 0;
  std::uint8_t exceptionCode_ = 0;
  std::array<std::int16_t, kSiteCount> commState_;
  int tickTimer_ = 0;

  // "Read nnn" / "Write nnn" handed from the worker to the main thread.
  std::atomic<int> announceSite_{0};
  std::atomic<bool> announceWrite_{false};
  std::atomic<std::uint16_t> announceAddress_{0};

  // Reply assembly; `input_` takes each read from the channel.
  ReplyAssembler assembler_;
  std::array<std::uint8_t, kReceiveBytes> input_{};
  ReadFrame readFrame_{};
  WriteFrame writeFrame_{};

  std::mutex workersMutex_;
  std::condition_variable workersDone_;
  int workers_ = 0;
};

}  // namespace vorel
