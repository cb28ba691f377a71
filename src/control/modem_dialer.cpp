#include "control/modem_dialer.h"

#include <algorithm>
#include <array>

#include "core/language.h"

namespace vorel {
namespace {

struct ModemAnswer {
  std::string_view word;
  BilingualText status;  // empty: recognised without a status text
};

// Checked in this order on the whole response: "OK" wins over any CONNECT.
// clang-format off
constexpr std::array<ModemAnswer, 5> kAnswers{{
    {"OK",            {"",                      ""}},
    {"CONNECT 9600",  {"connected at 9600bps",  "调制解调器连接在9600bps"}},
    {"CONNECT 14400", {"connected at 14400bps", "调制解调器连接在14400bps"}},
    {"CONNECT 19200", {"connected at 19200bps", "调制解调器连接在19200bps"}},
    {"CONNECT 38400", {"connected at 38400bps", "调制解调器连接在38400bps"}},
}};
// clang-format on

// Set-up written before the dial, each followed by its pause, without waiting for answers.
struct SetupStep {
  std::string_view text;
  int pauseMs;
};
// clang-format off
constexpr std::array<SetupStep, 7> kSetup{{
    {"+++\r\n",  100},
    {"ATZ\r\n",  1000},
    {"AT&F\r\n", 100},
    {"ATE0\r\n", 100},
    {"ATV1\r\n", 100},
    {"ATQ0\r\n", 100},
    {"+++\r\n",  100},
}};
// clang-format on

// What a modem answers when the call cannot be made; the dial ends on them at once.
constexpr std::array<std::string_view, 4> kRefusals{"BUSY", "NO CARRIER", "NO DIALTONE",
                                                    "NO ANSWER"};

constexpr std::string_view kEscape = "+++\r\n";
constexpr int kEscapePauseMs = 100;
// The longest answer word less one: what of the older response can still start a word.
constexpr std::size_t kAnswerTail = 12;

std::string_view Refusal(std::string_view response) {
  for (std::string_view word : kRefusals)
    if (response.find(word) != std::string_view::npos) return word;
  return {};
}

bool Recognised(std::string_view response) {
  for (const ModemAnswer& a : kAnswers)
    if (response.find(a.word) != std::string_view::npos) return true;
  return !Refusal(response).empty();
}

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

}  // namespace

std::string ModemAnswerText(std::string_view word) {
  return Text("The modem answered ", "调制解调器应答 ") + std::string(word) + Text(".", "。");
}

std::string DialFailedText(const std::string& why) {
  return Text("The dial failed: ", "拨号失败：") + why;
}

void ModemDialer::Write(std::string_view text) {
  if (!sendLock_) {
    port_.WriteText(text);
    return;
  }
  std::lock_guard lock(*sendLock_);
  port_.WriteText(text);
}

// The link's DelayWithEvents, on the pump itself.
void ModemDialer::Pause(int ms) {
  const std::uint64_t start = pump_.NowMs();
  for (;;) {
    const std::uint64_t elapsed = pump_.NowMs() - start;
    if (elapsed >= static_cast<std::uint64_t>(std::max(0, ms))) break;
    pump_.Pump(ms - static_cast<int>(elapsed));
  }
}

void ModemDialer::ShowStatus(const std::string& text) {
  view_.SetMainStatus(kModemStatusPanel, text);
}

void ModemDialer::PrepareModem() {
  ShowStatus(Text("openning modem...", "打开调制解调器..."));
  port_.SetDtr(true);
  port_.SetRts(true);
  hangupRequested_ = false;
  view_.SetHangupEnabled(false);
  Pause(kPrepareModemPauseMs);
  ShowStatus(Text("initializing modem...", "初始化调制解调器..."));
}

bool ModemDialer::ModemCommand(std::string_view command, int cycles) {
  std::string line(command);
  line += "\r\n";
  Write(line);
  std::string response;
  refusal_.clear();
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    if (hangupRequested_) {
      hangupRequested_ = false;
      return false;
    }
    Pause(kModemCycleMs);
    const int waiting = port_.InputCount();
    if (waiting <= 0) continue;
    // Only the end of the older text can begin an answer completed by the new bytes: a word
    // wholly inside it would have ended the wait already.
    if (response.size() > kAnswerTail) response.erase(0, response.size() - kAnswerTail);
    response += port_.ReadText(waiting);
    if (Recognised(response)) break;
  }
  for (const ModemAnswer& a : kAnswers) {
    if (response.find(a.word) == std::string::npos) continue;
    if (!a.status.english.empty()) ShowStatus(std::string(a.status.Pick()));
    return true;
  }
  if (const std::string_view word = Refusal(response); !word.empty()) {
    refusal_ = ModemAnswerText(word);
    ShowStatus(refusal_);
    return false;
  }
  ShowStatus(Text("modem no response", "调制解调器没有回应"));
  return false;
}

bool ModemDialer::Dial(const std::string& number) {
  if (dialing_) return false;
  dialing_ = true;
  refusal_.clear();
  const bool connected = DialOnce(number);
  dialing_ = false;
  failure_ = connected          ? std::string()
             : refusal_.empty() ? Text("The modem gave no answer that the dial recognises.",
                                       "调制解调器没有给出可识别的应答。")
                                : refusal_;
  if (connected && call_) call_->Up();
  return connected;
}

bool ModemDialer::DialOnce(const std::string& number) {
  PrepareModem();
  port_.PurgeInput();
  port_.PurgeOutput();
  for (const SetupStep& step : kSetup) {
    Write(step.text);
    Pause(step.pauseMs);
  }
  bool ok = ModemCommand("AT&D2", 1);
  for (std::string_view command : {"AT&C1", "ATS0=0"}) {
    if (!ok) break;
    Write(kEscape);
    Pause(kEscapePauseMs);
    ok = ModemCommand(command, 1);
  }
  if (ok) {
    ShowStatus(Text("dialing", "正在拨号") + number + "...");
    view_.SetHangupEnabled(true);
    if (ModemCommand("ATDT" + number, kDialCycles)) return true;
    HangUp();
  }
  // The modem's own refusal says more than the general failure.
  if (refusal_.empty()) {
    ShowStatus(Text("modem connect fail", "调制解调器连接失败"));
  } else {
    ShowRefusal();
  }
  Pause(kModemFailPauseMs);
  return false;
}

void ModemDialer::ShowRefusal() {
  if (!refusal_.empty())
    ShowStatus(Text("modem connect fail: ", "调制解调器连接失败：") + refusal_);
}

void ModemDialer::HangUp() {
  Write(kEscape);
  Pause(kHangUpPauseMs);
  Write("ATH0\r\n");
  if (call_) call_->Ended();
  // No answer is awaited, but the command must leave the port before a close that
  // follows discards what is still unsent.
  Pause(kHangUpDrainMs);
}

void ModemDialer::ReleaseModem() {
  port_.SetDtr(false);
  port_.SetRts(false);
  view_.SetHangupEnabled(false);
  ShowStatus("");
}

void ModemDialer::HangupPressed() {
  hangupRequested_ = true;
  // A command that waits notices the request at its next cycle and ends the dial itself.
  if (dialing_) return;
  // Many lines cannot tell the carrier (a cable without DCD, a pseudo-terminal): the call is
  // ended whether or not it reads on.
  HangUp();
  ReleaseModem();
  ShowStatus(Text("disconnected", "未连接."));
}

}  // namespace vorel
