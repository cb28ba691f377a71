#include "link/modbus_link.h"

#include <algorithm>
#include <string>

#include "core/language.h"

namespace vorel {
namespace {

// Longest sleep of a wait loop between two looks at the port.
constexpr int kWaitSliceMs = 2;
// While a reply is partly in: a byte takes about 1 ms at 9600 baud.
constexpr int kPartialReplySliceMs = 1;

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
  rejected_.store(false, std::memory_order_release);
  channel_.PurgeInput();
  channel_.PurgeOutput();
  BuildReadFrame(site, block, readFrame_);
  expected_.store(0, std::memory_order_release);
  const bool written = channel_.Write(readFrame_);
  ticks_.store(0, std::memory_order_release);
  Announce(site, false, block.address);
  return written;
}

bool ModbusLink::SendWrite(int site, const RegisterBlock& block,
                           std::span<const std::uint16_t> data) {
  const std::size_t length = BuildWriteFrame(site, block, data, writeFrame_);
  if (length == 0) return false;  // refused: nothing sent, the link stays as it was
  SetGroupIdle(RequestGroup::Write, false);
  current_ = block;
  rejected_.store(false, std::memory_order_release);
  channel_.PurgeInput();
  channel_.PurgeOutput();
  const bool written = channel_.Write({writeFrame_.data(), length});
  ticks_.store(0, std::memory_order_release);
  Announce(site, true, block.address);
  return written;
}

bool ModbusLink::ReplyTimedOut() const {
  return rejected_.load(std::memory_order_acquire) || ReplyTicks() > (modem_ ? 80 : 20);
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

void ModbusLink::DiscardInput() {
  channel_.PurgeInput();
}

bool ModbusLink::PollReply(int site) {
  ShowAnnouncement();
  const int busy = FirstBusyGroup();
  if (busy < 0) return false;
  const auto group = static_cast<RequestGroup>(busy);
  if (group == RequestGroup::PlainRead) DelayWithEvents(kPlainReadStepMs);

  const std::size_t waiting = static_cast<std::size_t>(std::max(0, channel_.InputCount()));
  // No header taken yet for this request (a send clears ExpectedBytes): start a new reply.
  if (ExpectedBytes() == 0 && waiting > 0) assembler_.Begin(ShapeOf(group), site);
  const std::size_t take = assembler_.Wanted(waiting);
  // Nothing to take: too few bytes yet, or more than the rest of the reply, which then never
  // completes and ends by timeout.
  if (take == 0) return false;
  if (channel_.Read({input_.data(), take}) != static_cast<int>(take)) {
    DiscardInput();
    return false;
  }
  switch (assembler_.Feed({input_.data(), take})) {
    case ReplyStatus::NeedMore:
      expected_.store(static_cast<std::uint16_t>(assembler_.Pending()), std::memory_order_release);
      return false;
    case ReplyStatus::Foreign:
      DiscardInput();
      return false;
    case ReplyStatus::Oversize:
      // Longer than the buffers can hold: the reply is dropped and the request given up.
      DiscardInput();
      rejected_.store(true, std::memory_order_release);
      return false;
    case ReplyStatus::Complete:
      SetCommState(site, kCommDecoding);
      Decode(group, site);
      return true;
    case ReplyStatus::Exception:
      SetCommState(site, kCommException);
      return false;
    case ReplyStatus::CrcError:
      SetCommState(site, kCommCrcError);
      return false;
  }
  return false;
}

void ModbusLink::Decode(RequestGroup group, int site) {
  const RegisterBlock request = CurrentRequest();
  const std::span<const std::uint8_t> data = ReplyData();
  switch (group) {
    case RequestGroup::PlainRead:
      images_.StoreBlockReply(site, request, data);
      break;
    case RequestGroup::Parameter:
    case RequestGroup::Value:
      images_.StoreValueBlock(site, request, data);
      break;
    case RequestGroup::ParameterConfig:
    case RequestGroup::ValueConfig:
      images_.StoreDescriptors(site, request, data);
      break;
    case RequestGroup::Write:
      break;
  }
  ShowAnnouncement();
  host_.SetSiteStatus(site, kLinkStatusPanel,
                      (group == RequestGroup::Write ? "Write " : "Read ") +
                          std::to_string(request.address) + " done");
  FinishRequest(site);
}

void ModbusLink::FinishRequest(int site) {
  DelayWithEvents(kRequestPauseMs);
  expected_.store(0, std::memory_order_release);
  SetAllIdle();
  SetCommState(site, kCommDone);
}

void ModbusLink::EndFailedRequest(int site) {
  ShowAnnouncement();
  DiscardInput();
  host_.SetSiteStatus(site, kLinkStatusPanel, "Response timeout!");
  expected_.store(0, std::memory_order_release);
  SetAllIdle();
}

bool ModbusLink::WaitForReply(int site) {
  for (;;) {
    const std::int16_t state = CommState(site);
    // Nothing outstanding (a refused request) can never be answered either, nor can anything
    // on a port that has gone away.
    if (ReplyTimedOut() || state == kCommCrcError || state == kCommException || LinkIdle() ||
        channel_.Gone()) {
      break;
    }
    pump_.Pump(0);
    if (PollReply(site)) return true;
    if (FirstBusyGroup() == Index(RequestGroup::PlainRead)) continue;  // that step paused
    // Sleep until input arrives, or a slice while a reply is still coming in.
    if (channel_.InputCount() == 0) {
      channel_.WaitForInput(kWaitSliceMs);
    } else {
      pump_.Pump(kPartialReplySliceMs);
    }
  }
  const std::int16_t state = CommState(site);
  EndFailedRequest(site);
  std::string_view text;
  if (state == kCommCrcError) {
    text = PickText("CRC error!", "CRC错误!");
  } else if (state == kCommException) {
    text = PickText("Exception response!", "控制器异常响应!");
  } else {
    text = PickText("Communication timeout!", "通讯超时!");
  }
  host_.ShowMessage(std::string(text));
  SetCommState(site, kCommNoResult);
  return false;
}

void ModbusLink::AbandonRequest(int site) {
  EndFailedRequest(site);
  SetCommState(site, kCommNoResult);
}

void ModbusLink::ReportPollFailure(int site) {
  const std::int16_t state = CommState(site);
  EndFailedRequest(site);
  // Retry could never succeed on a port that has gone away: no box; the caller tells the user
  // once and closes the connection.
  if (channel_.Gone()) return;
  std::string_view text;
  if (state == kCommCrcError) {
    text = PickText("CRC error", "CRC错误");
  } else if (state == kCommException) {
    text = PickText("Exception response!", "控制器异常响应!");
  } else {
    text = PickText("Communication timeout!", "通讯超时!");
  }
  const Answer answer = host_.AskRetryCancel(
      site, std::string(PickText("Communication error", "通讯错误")), std::string(text));
  if (answer == Answer::Retry) SetCommState(site, kCommRetry);
  if (answer == Answer::Cancel) SetCommState(site, kCommNoResult);
}

}  // namespace vorel
