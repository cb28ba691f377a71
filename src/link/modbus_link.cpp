#include "link/modbus_link.h"

#include <algorithm>
#include <string>

namespace vorel {
namespace {

// Longest sleep of a wait loop between two looks at the port.
constexpr int kWaitSliceMs = 2;
// While a reply is partly in and the line speed is not known: a byte takes about 1 ms at
// 9600 baud.
constexpr int kPartialReplySliceMs = 1;
// Event-driven collection sleeps until input arrives; the slice only bounds how late the
// pump's timers (the 100 ms reply tick) are served.
constexpr int kFastWaitSliceMs = 10;
// The wait for a reply before its wire time is added.
constexpr int kReplyWaitMs = 2000;
constexpr int kModemReplyWaitMs = 8000;
// Around the data: address, function and byte count before it (two bytes of count for the
// block-transfer areas), the CRC after it.
constexpr std::size_t kPlainReplyFrameBytes = 5;
constexpr std::size_t kBlockReplyFrameBytes = 6;
constexpr std::size_t kWriteEchoBytes = 8;

// The state a site takes when a reply has ended its request; a request that ends otherwise
// leaves the state to whoever ends it (299 after a synchronous wait).
std::int16_t CommStateAfter(RequestOutcome outcome) {
  switch (outcome) {
    case RequestOutcome::Done:
      return kCommDone;
    case RequestOutcome::CrcError:
      return kCommCrcError;
    case RequestOutcome::Exception:
      return kCommException;
    default:
      return kCommNoResult;
  }
}

FrameOutcome OutcomeOf(ReplyStatus status) {
  switch (status) {
    case ReplyStatus::Complete:
      return FrameOutcome::Reply;
    case ReplyStatus::CrcError:
      return FrameOutcome::CrcError;
    case ReplyStatus::Exception:
      return FrameOutcome::Exception;
    case ReplyStatus::Foreign:
      return FrameOutcome::Foreign;
    case ReplyStatus::Oversize:
      return FrameOutcome::Oversize;
    case ReplyStatus::EchoMismatch:
      return FrameOutcome::EchoMismatch;
    case ReplyStatus::NeedMore:
      break;
  }
  return FrameOutcome::Timeout;
}

// 2 s (8 s through a modem) and the wire time of a reply of `replyBytes`.
int AllowanceMs(std::size_t replyBytes, int charUs, bool modem) {
  const long long wireMs = (static_cast<long long>(replyBytes) * charUs + 999) / 1000;
  return (modem ? kModemReplyWaitMs : kReplyWaitMs) + static_cast<int>(wireMs);
}

int Index(RequestGroup group) {
  return static_cast<int>(group);
}

}  // namespace

ModbusLink::ModbusLink(ByteChannel& channel, Host& host, EventPump& pump, SiteImages& images)
    : channel_(channel), host_(host), pump_(pump), images_(images) {
  for (auto& flag : idle_) flag.store(true);
  commState_.fill(kCommNoResult);
}

ModbusLink::~ModbusLink() {
  StopTicking();
  WaitForWorkers();
}

void ModbusLink::WaitForWorkers() {
  std::unique_lock lock(workersMutex_);
  workersDone_.wait(lock, [this] { return workers_ == 0; });
}

void ModbusLink::WorkerStarted() {
  std::lock_guard lock(workersMutex_);
  ++workers_;
}

void ModbusLink::WorkerFinished() {
  std::lock_guard lock(workersMutex_);
  --workers_;
  workersDone_.notify_all();
}

void ModbusLink::SetLineSpeed(const PortSettings& settings) {
  allowanceMs_ = 0;
  if (settings.baud <= 0) {
    charUs_ = 0;
    return;
  }
  // Start bit, data bits, parity bit, stop bits; in half bits for the one and a half.
  const int stopHalves = settings.stopBits == StopBits::One            ? 2
                         : settings.stopBits == StopBits::OnePointFive ? 3
                                                                       : 4;
  const int halves =
      2 * (1 + settings.dataBits + (settings.parity == Parity::None ? 0 : 1)) + stopHalves;
  const long long us = (halves * 1000000LL + 2LL * settings.baud - 1) / (2LL * settings.baud);
  charUs_ = static_cast<int>(std::min<long long>(us, 1000000));
}

int ModbusLink::WireMs(std::size_t bytes) const {
  const long long us = static_cast<long long>(bytes) * charUs_;
  return static_cast<int>(std::min<long long>(us / 1000, kTickMs));
}

int ModbusLink::ReplyAllowanceMs(RequestGroup group, int site, const RegisterBlock& block) const {
  std::size_t bytes = kWriteEchoBytes;
  if (group == RequestGroup::PlainRead) {
    bytes = kPlainReplyFrameBytes + 2 * static_cast<std::size_t>(block.count);
  } else if (group != RequestGroup::Write) {
    // A block whose layout is not known yet counts from its header once that is in.
    bytes = kBlockReplyFrameBytes + images_.BlockDataBytes(site, block);
  }
  return AllowanceMs(bytes, charUs_, modem_);
}

int ModbusLink::CurrentAllowanceMs() const {
  const unsigned serial = sentSerial_.load(std::memory_order_acquire);
  if (serial != allowanceSerial_ || allowanceMs_ == 0) {
    const int busy = FirstBusyGroup();
    RegisterBlock block;
    int site = 0;
    {
      std::lock_guard lock(sendLock_);
      block = current_;
      site = currentSite_;
    }
    allowanceMs_ = ReplyAllowanceMs(
        busy < 0 ? RequestGroup::Write : static_cast<RequestGroup>(busy), site, block);
    allowanceSerial_ = serial;
  }
  // A reply whose header is in announces its length: a longer one than the request led to
  // expect is waited for as long as it takes on the wire.
  if (serial == begunSerial_ && assembler_.InBody()) {
    return std::max(allowanceMs_, AllowanceMs(assembler_.Received().size() + assembler_.Pending(),
                                              charUs_, modem_));
  }
  return allowanceMs_;
}

int ModbusLink::PartialReplyWaitMs(std::size_t waiting) const {
  if (charUs_ <= 0) return kPartialReplySliceMs;
  // Bytes of a reply not yet begun: the next step begins it.
  if (sentSerial_.load(std::memory_order_acquire) != begunSerial_) return 0;
  const std::size_t pending = assembler_.Pending();
  // Rounded down: a step that looks a little early sleeps once more, one that looked late
  // could find a byte after the reply already in and never complete it.
  if (waiting < pending) return std::max(1, WireMs(pending - waiting));
  // Paced, more bytes than the rest of the reply: only the timeout ends it, which the tick
  // brings.
  if (!fast_ && assembler_.InBody() && waiting > pending) return kTickMs;
  return 0;  // what the next step takes has just come in
}

bool ModbusLink::GroupIdle(RequestGroup group) const {
  return idle_[static_cast<std::size_t>(Index(group))].load(std::memory_order_acquire);
}

void ModbusLink::SetGroupIdle(RequestGroup group, bool idle) {
  idle_[static_cast<std::size_t>(Index(group))].store(idle, std::memory_order_release);
}

bool ModbusLink::LinkIdle() const {
  return FirstBusyGroup() < 0;
}

void ModbusLink::SetAllIdle() {
  for (auto& flag : idle_) flag.store(true, std::memory_order_release);
}

int ModbusLink::FirstBusyGroup() const {
  for (int g = 0; g < kRequestGroups; ++g) {
    if (!idle_[static_cast<std::size_t>(g)].load(std::memory_order_acquire)) return g;
  }
  return -1;
}

RegisterBlock ModbusLink::CurrentRequest() const {
  std::lock_guard lock(sendLock_);
  return current_;
}

void ModbusLink::Tick() {
  const std::uint16_t t = ticks_.load(std::memory_order_relaxed);
  if (t < kTickLimit) ticks_.store(static_cast<std::uint16_t>(t + 1), std::memory_order_release);
}

void ModbusLink::StartTicking() {
  if (tickTimer_ == 0) tickTimer_ = pump_.StartTimer(kTickMs, [this] { Tick(); });
}

void ModbusLink::StopTicking() {
  if (tickTimer_ != 0) pump_.StopTimer(tickTimer_);
  tickTimer_ = 0;
}

std::int16_t ModbusLink::CommState(int site) const {
  return IsSite(site) ? commState_[static_cast<std::size_t>(site - 1)] : kCommNoResult;
}

void ModbusLink::SetCommState(int site, std::int16_t state) {
  if (IsSite(site)) commState_[static_cast<std::size_t>(site - 1)] = state;
}

void ModbusLink::DelayWithEvents(int ms) {
  const std::uint64_t start = pump_.NowMs();
  for (;;) {
    const std::uint64_t elapsed = pump_.NowMs() - start;
    if (elapsed >= static_cast<std::uint64_t>(std::max(0, ms))) break;
    pump_.Pump(ms - static_cast<int>(elapsed));
  }
}

void ModbusLink::Announce(int site, bool write, std::uint16_t address) {
  if (!IsSite(site)) return;
  announceWrite_.store(write, std::memory_order_relaxed);
  announceAddress_.store(address, std::memory_order_relaxed);
  announceSite_.store(site, std::memory_order_release);
}

void ModbusLink::ShowAnnouncement() {
  const int site = announceSite_.exchange(0, std::memory_order_acquire);
  if (site == 0) return;
  const bool write = announceWrite_.load(std::memory_order_relaxed);
  const std::uint16_t address = announceAddress_.load(std::memory_order_relaxed);
  host_.SetSiteStatus(site, kLinkStatusPanel,
                      (write ? "Write " : "Read ") + std::to_string(address));
}

bool ModbusLink::SendRead(RequestGroup group, int site, const RegisterBlock& block) {
  SetGroupIdle(group, false);
  current_ = block;
  currentSite_ = site;
  channel_.PurgeInput();
  channel_.PurgeOutput();
  BuildReadFrame(site, block, readFrame_);
  FrameSent(readFrame_.size(), false);
  expected_.store(0, std::memory_order_release);
  const bool written = channel_.Write(readFrame_);
  ticks_.store(0, std::memory_order_release);
  Trace(FrameOutcome::Request, site, block, readFrame_);
  Announce(site, false, block.address);
  return written;
}

bool ModbusLink::SendWrite(int site, const RegisterBlock& block,
                           std::span<const std::uint16_t> data) {
  const std::size_t length = BuildWriteFrame(site, block, data, writeFrame_);
  if (length == 0) return false;  // refused: nothing sent, the link stays as it was
  SetGroupIdle(RequestGroup::Write, false);
  current_ = block;
  currentSite_ = site;
  channel_.PurgeInput();
  channel_.PurgeOutput();
  FrameSent(length, true);
  const bool written = channel_.Write({writeFrame_.data(), length});
  ticks_.store(0, std::memory_order_release);
  Trace(FrameOutcome::Request, site, block, {writeFrame_.data(), length});
  Announce(site, true, block.address);
  return written;
}

void ModbusLink::FrameSent(std::size_t length, bool write) {
  sentLength_.store(length, std::memory_order_relaxed);
  sentWrite_.store(write, std::memory_order_relaxed);
  sentSerial_.fetch_add(1, std::memory_order_release);
}

std::span<const std::uint8_t> ModbusLink::SentFrame() const {
  const std::size_t length = sentLength_.load(std::memory_order_relaxed);
  if (sentWrite_.load(std::memory_order_relaxed)) return {writeFrame_.data(), length};
  return {readFrame_.data(), std::min(length, readFrame_.size())};
}

std::optional<RequestOutcome> ModbusLink::RequestFailure() const {
  if (LinkIdle()) return RequestOutcome::Timeout;  // nothing outstanding can be answered
  if (replyFailure_ != RequestOutcome::Done &&
      failureSerial_ == sentSerial_.load(std::memory_order_acquire)) {
    return replyFailure_;
  }
  if (channel_.Gone()) return RequestOutcome::PortGone;
  if (CallLost()) return RequestOutcome::Timeout;
  if (static_cast<int>(ReplyTicks()) * kTickMs > CurrentAllowanceMs()) {
    return RequestOutcome::Timeout;
  }
  return std::nullopt;
}

void ModbusLink::RecordReplyFailure(int site, RequestOutcome outcome) {
  replyFailure_ = outcome;
  failureSerial_ = begunSerial_;
  exceptionCode_ = outcome == RequestOutcome::Exception ? assembler_.ExceptionCode() : 0;
  if (CommStateAfter(outcome) != kCommNoResult) SetCommState(site, CommStateAfter(outcome));
}

ReplyShape ModbusLink::ShapeOf(RequestGroup group) {
  switch (group) {
    case RequestGroup::PlainRead:
      return ReplyShape::PlainRead;
    case RequestGroup::Write:
      return ReplyShape::WriteEcho;
    default:
      return ReplyShape::BlockRead;
  }
}

void ModbusLink::Trace(FrameOutcome outcome, int site, const RegisterBlock& request,
                       std::span<const std::uint8_t> bytes, std::uint8_t exceptionCode) {
  if (!traffic_) return;
  const std::uint8_t function =
      bytes.size() >= 2 ? bytes[1]
                        : (GroupIdle(RequestGroup::Write) ? kReadFunction : kWriteFunction);
  traffic_->Record(pump_.NowMs(), outcome, site, function, request.address, request.count, bytes,
                   exceptionCode);
}

void ModbusLink::DiscardInput() {
  channel_.PurgeInput();
}

bool ModbusLink::PollReply(int site) {
  ShowAnnouncement();
  const int busy = FirstBusyGroup();
  if (busy < 0) return false;
  const auto group = static_cast<RequestGroup>(busy);
  if (group == RequestGroup::PlainRead && !fast_) DelayWithEvents(kPlainReadStepMs);

  std::size_t waiting = static_cast<std::size_t>(std::max(0, channel_.InputCount()));
  // A new request, or no byte of its reply taken yet: start a new reply.
  const unsigned serial = sentSerial_.load(std::memory_order_acquire);
  if (waiting > 0 && (serial != begunSerial_ || !assembler_.InProgress())) {
    begunSerial_ = serial;
    assembler_.Begin(ShapeOf(group), site,
                     echoDiscard_ ? SentFrame() : std::span<const std::uint8_t>{});
    // A function-16 frame: address, function, register address, count, ...
    const std::span<const std::uint8_t> sent = SentFrame();
    if (group == RequestGroup::Write && sent.size() >= 6) {
      assembler_.ExpectWrite(static_cast<std::uint16_t>((sent[2] << 8) | sent[3]),
                             static_cast<std::uint16_t>((sent[4] << 8) | sent[5]));
    }
  }
  for (;;) {
    // Paced: the header whole, the rest only when exactly that many bytes are waiting (more
    // means they are not only this reply, which then never completes and ends by timeout).
    // Fast: whatever is waiting, up to the end of the reply.
    const std::size_t take = fast_ ? assembler_.Available(waiting) : assembler_.Wanted(waiting);
    if (take == 0) return false;
    if (channel_.Read({input_.data(), take}) != static_cast<int>(take)) {
      DiscardInput();
      return false;
    }
    waiting -= take;
    const ReplyStatus status = assembler_.Feed({input_.data(), take});
    // A complete reply is recorded once its data have been checked (Decode).
    if (traffic_ && status != ReplyStatus::NeedMore && status != ReplyStatus::Complete) {
      const bool whole = status == ReplyStatus::Foreign || status == ReplyStatus::EchoMismatch;
      Trace(OutcomeOf(status), site, CurrentRequest(),
            whole ? std::span<const std::uint8_t>(input_.data(), take) : assembler_.Received(),
            status == ReplyStatus::Exception ? assembler_.ExceptionCode() : std::uint8_t{0});
    }
    switch (status) {
      case ReplyStatus::NeedMore:
        expected_.store(static_cast<std::uint16_t>(assembler_.InBody() ? assembler_.Pending() : 0),
                        std::memory_order_release);
        // A paced step ends once the header is taken; the echo before it, or noise skipped
        // inside it, does not cost a step of its own.
        if (!fast_ && assembler_.InBody()) return false;
        continue;
      case ReplyStatus::Foreign:
        DiscardInput();
        return false;
      case ReplyStatus::Oversize:
        // Longer than the buffers can hold: the reply is dropped and the request given up.
        DiscardInput();
        RecordReplyFailure(site, RequestOutcome::Timeout);
        return false;
      case ReplyStatus::EchoMismatch:
        DiscardInput();
        RecordReplyFailure(site, RequestOutcome::LineError);
        return false;
      case ReplyStatus::Complete:
        SetCommState(site, kCommDecoding);
        return Decode(group, site);
      case ReplyStatus::Exception:
        RecordReplyFailure(site, RequestOutcome::Exception);
        return false;
      case ReplyStatus::CrcError:
        RecordReplyFailure(site, RequestOutcome::CrcError);
        return false;
    }
    return false;
  }
}

bool ModbusLink::Store(RequestGroup group, int site, const RegisterBlock& request,
                       std::span<const std::uint8_t> data) {
  switch (group) {
    case RequestGroup::PlainRead:
      return images_.StoreBlockReply(site, request, data);
    case RequestGroup::Parameter:
    case RequestGroup::Value:
      return images_.StoreValueBlock(site, request, data);
    case RequestGroup::ParameterConfig:
    case RequestGroup::ValueConfig:
      return images_.StoreDescriptors(site, request, data);
    case RequestGroup::Write:
      break;
  }
  return true;
}

bool ModbusLink::Decode(RequestGroup group, int site) {
  const RegisterBlock request = CurrentRequest();
  // A reply that lacks what the request and the descriptors need is refused whole: nothing
  // of it is stored and the request fails as Incomplete.
  const bool whole = Store(group, site, request, ReplyData());
  Trace(whole ? FrameOutcome::Reply : FrameOutcome::Incomplete, site, request,
        assembler_.Received());
  if (!whole) {
    RecordReplyFailure(site, RequestOutcome::Incomplete);
    return false;
  }
  ShowAnnouncement();
  host_.SetSiteStatus(site, kLinkStatusPanel,
                      (group == RequestGroup::Write ? "Write " : "Read ") +
                          std::to_string(request.address) + " done");
  FinishRequest(site);
  return true;
}

void ModbusLink::FinishRequest(int site) {
  if (!fast_) DelayWithEvents(kRequestPauseMs);
  expected_.store(0, std::memory_order_release);
  SetAllIdle();
  SetCommState(site, CommStateAfter(RequestOutcome::Done));
}

RequestResult ModbusLink::FailRequest(int site) {
  RequestResult result{RequestFailure().value_or(RequestOutcome::Timeout)};
  if (result.outcome == RequestOutcome::Exception) result.exceptionCode = exceptionCode_;
  // Told once: a poll request marked busy before its worker has sent must not inherit it.
  replyFailure_ = RequestOutcome::Done;
  ShowAnnouncement();
  // A CRC error, an exception or an incomplete reply was recorded with its bytes; anything
  // else ran out of time.
  if (traffic_ && result.outcome != RequestOutcome::CrcError &&
      result.outcome != RequestOutcome::Exception && result.outcome != RequestOutcome::Incomplete) {
    Trace(FrameOutcome::Timeout, site, CurrentRequest(),
          ExpectedBytes() != 0 ? assembler_.Received() : std::span<const std::uint8_t>{});
  }
  DiscardInput();
  host_.SetSiteStatus(site, kLinkStatusPanel, "Response timeout!");
  expected_.store(0, std::memory_order_release);
  SetAllIdle();
  return result;
}

RequestResult ModbusLink::WaitForReply(int site) {
  std::uint64_t pumpedAt = 0;
  while (!RequestFailure()) {
    // Event-driven collection wakes for every few bytes; the events wait for the next slice.
    const std::uint64_t now = pump_.NowMs();
    if (!fast_ || pumpedAt == 0 || now - pumpedAt >= kFastWaitSliceMs) {
      pump_.Pump(0);
      pumpedAt = now;
    }
    if (PollReply(site)) return {};
    if (fast_) {
      // Everything waiting was taken. Once the reply has begun, sleep until all but the last
      // of its missing bytes can be in; the port wakes the wait with the first byte and the
      // last, so the reply still completes the moment it is whole.
      const bool begun =
          sentSerial_.load(std::memory_order_acquire) == begunSerial_ && assembler_.InProgress();
      if (begun && charUs_ > 0) {
        const std::size_t waiting = static_cast<std::size_t>(channel_.InputCount());
        const std::size_t pending = assembler_.Pending();
        const int ms = pending > waiting + 1 ? WireMs(pending - waiting - 1) : 0;
        if (ms > 0) {
          pump_.Pump(ms);
          continue;
        }
      }
      channel_.WaitForInput(kFastWaitSliceMs);
      continue;
    }
    if (FirstBusyGroup() == Index(RequestGroup::PlainRead)) continue;  // that step paused
    // Sleep until input arrives, or while a reply is still coming in until the rest of it
    // can be there.
    const int waiting = channel_.InputCount();
    if (waiting == 0) {
      channel_.WaitForInput(kWaitSliceMs);
    } else {
      pump_.Pump(PartialReplyWaitMs(static_cast<std::size_t>(waiting)));
    }
  }
  const RequestResult result = FailRequest(site);
  SetCommState(site, kCommNoResult);
  return result;
}

void ModbusLink::AbandonRequest(int site) {
  FailRequest(site);
  SetCommState(site, kCommNoResult);
}

}  // namespace vorel
