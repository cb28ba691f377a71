#include "control/command_sender.h"

#include "control/parameter_transfer.h"
#include "core/language.h"

namespace vorel {

std::string StartQuestionText(int site) {
  return std::string(PickText("Start the engine of site ", "启动地址")) + std::to_string(site) +
         std::string(PickText("?", "的发动机？"));
}

TransferResult CommandSender::Send(int site, RemoteCommand command, bool confirmed) {
  TransferResult result;
  if (!slots_.IsOnline(site)) return result;
  if (command == RemoteCommand::Start && !confirmed) {
    const Answer answer =
        host_.AskQuestion(site, std::string(PickText("Start", "启动")), StartQuestionText(site));
    if (answer != Answer::Yes) return result;
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
