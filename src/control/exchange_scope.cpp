#include "control/exchange_scope.h"

namespace vorel {

ExchangeScope::ExchangeScope(ExchangeControl& control, Pause pause)
    : control_(control), pause_(pause) {
  taken_ = control_.BeginExchange();
  if (!taken_) return;
  paused_ = true;
  control_.PauseForExchange(pause_);
}

ExchangeScope::~ExchangeScope() {
  End();
}

void ExchangeScope::End() {
  if (!taken_) return;
  Resume();
  taken_ = false;
  control_.EndExchange();
}

void ExchangeScope::Resume() {
  if (!paused_) return;
  paused_ = false;
  control_.ResumeAfterExchange(pause_);
}

}  // namespace vorel
