#include "control/exchange_scope.h"

#include "control/session.h"

namespace vorel {

ExchangeScope::ExchangeScope(Session& session, Pause pause) : session_(session), pause_(pause) {
  taken_ = session_.BeginExchange();
  if (!taken_) return;
  paused_ = true;
  PollScheduler& poll = session_.Poll();
  switch (pause_) {
    case Pause::Nothing:
      break;
    case Pause::Polling:
      poll.WaitForLinkOrStoppedPoll();
      poll.StopPolling();
      break;
    case Pause::Transfer:
      session_.SetWindowsEnabled(false);
      poll.WaitForLinkOrStoppedPoll();
      poll.StopPolling();
      session_.view().SetMainEnabled(false);
      session_.host().ShowProgress(true);
      break;
  }
}

ExchangeScope::~ExchangeScope() {
  if (!taken_) return;
  Resume();
  session_.EndExchange();
}

void ExchangeScope::Resume() {
  if (!paused_) return;
  paused_ = false;
  switch (pause_) {
    case Pause::Nothing:
      break;
    case Pause::Polling:
      session_.Poll().StartPolling();
      break;
    case Pause::Transfer:
      session_.SetWindowsEnabled(true);
      session_.view().SetMainEnabled(true);
      session_.Poll().StartPolling();
      session_.host().SetProgress(0);
      session_.host().ShowProgress(false);
      break;
  }
}

}  // namespace vorel
