#include "control/command_sender.h"

#include "control/parameter_transfer.h"
#include "core/language.h"
#include "core/load_state.h"

namespace vorel {

std::string StartQuestionText(int site) {
  return std::string(PickText("Start the engine of site ", "启动地址")) + std::to_string(site) +
         std::string(PickText("?", "的发动机？"));
}

std::string OnLoadQuestionText(int site) {
  return std::string(PickText("Site ", "地址")) + std::to_string(site) +
         std::string(PickText(" is on load. Stop it?", "正在带载运行。停机吗？"));
}

std::string NotConnectedText() {
  return std::string(PickText("Not connected: press Connect first.", "未连接：请先连接。"));
}

std::optional<std::string> CommandSender::Question(int site, RemoteCommand command) const {
  if (command == RemoteCommand::Start) return StartQuestionText(site);
  if ((command == RemoteCommand::Stop || command == RemoteCommand::Off) &&
      GeneratorOnLoad(images_, site))
    return OnLoadQuestionText(site);
  return std::nullopt;
}

TransferResult CommandSender::Send(int site, RemoteCommand command, bool confirmed) {
  TransferResult result;
  if (!slots_.IsOnline(site)) return result;
  // A window stays online after its port went away: nothing to wait for.
  if (!port_.IsOpen() || port_.Gone()) {
    host_.ShowMessage(NotConnectedText());
    return result;
  }
  if (!confirmed) {
    if (const std::optional<std::string> question = Question(site, command)) {
      const std::string caption(command == RemoteCommand::Start ? PickText("Start", "启动")
                                                                : PickText("Stop", "停机"));
      if (host_.AskConfirmation(site, caption, *question) != Answer::Yes) return result;
    }
  }
  ExchangeScope scope(exchange_, ExchangeScope::Pause::Polling);
  if (!scope.Taken()) {
    result.status = TransferStatus::Busy;
    return result;
  }
  const RemoteCommandInfo& info = InfoOf(command);
  const std::uint16_t word = info.value;
  // The action register is write-only: an action is recorded as its word written over 0.
  const std::uint16_t before = IsModeCommand(command) ? images_.Word(site, info.address) : 0;
  const RequestResult written = requests_.WriteBlock(site, info.address, {&word, 1});
  result.Add({info.address, 1}, written);
  // A refused or lost mode command must not show as taken: the image keeps the mode the
  // controller last reported.
  if (written && IsModeCommand(command)) images_.SetWord(site, info.address, info.value);
  result.Finish();
  // A lost reply may still have been taken by the controller: recorded either way.
  std::vector<AuditChange> changes;
  if (written) changes.push_back({info.address, before, word});
  const std::string note = std::string(info.name) + (written ? "" : " failed");
  if (!parameters_.RecordWrite(site, "command", std::move(changes), note.c_str()))
    result.MarkUnrecorded();
  return result;
}

}  // namespace vorel
