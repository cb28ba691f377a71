#include "control/command_sender.h"

#include "control/session.h"
#include "core/language.h"

namespace vorel {

std::string StartQuestionText(int site) {
  return std::string(PickText("Start the engine of site ", "启动地址")) + std::to_string(site) +
         std::string(PickText("?", "的发动机？"));
}

bool CommandSender::Send(int site, RemoteCommand command, bool confirmed) {
  if (!session_.IsOnline(site)) return false;
  if (command == RemoteCommand::Start && !confirmed) {
    const Answer answer = session_.host().AskQuestion(site, std::string(PickText("Start", "启动")),
                                                      StartQuestionText(site));
    if (answer != Answer::Yes) return false;
  }
  const RemoteCommandInfo& info = InfoOf(command);
  bool ok = false;
  session_.Poll().RunSingleCommand([&] {
    const std::uint16_t word = info.value;
    ok = session_.WriteBlock(site, info.address, {&word, 1});
    // A refused or lost mode command must not show as taken: the image keeps the mode the
    // controller last reported.
    if (ok && IsModeCommand(command)) session_.Images().SetWord(site, info.address, info.value);
  });
  return ok;
}

}  // namespace vorel
