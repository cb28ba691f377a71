// One user exchange with the controllers, held for the life of the object: the session's
// exchange is taken (none runs when another already does), polling is paused and, for a long
// transfer, the windows are disabled and the progress window shown. Everything is undone when
// the scope ends, by a return or an exception alike.
#pragma once

namespace vorel {

enum class ExchangePause {
  Nothing,   // the exchange only (the connect sequence runs the timers itself)
  Polling,   // a single command: the link waited for, the poll timer stopped
  Transfer,  // a long transfer: windows and main window disabled, polling paused, progress
};

// What an exchange takes and pauses; the session implements it.
class ExchangeControl {
 public:
  // False when an exchange already runs.
  virtual bool BeginExchange() = 0;
  // Frees the slots whose windows were closed meanwhile and closes the connection when the
  // port has gone away.
  virtual void EndExchange() = 0;
  virtual void PauseForExchange(ExchangePause pause) = 0;
  virtual void ResumeAfterExchange(ExchangePause pause) = 0;

 protected:
  ~ExchangeControl() = default;
};

class ExchangeScope {
 public:
  using Pause = ExchangePause;

  ExchangeScope(ExchangeControl& control, Pause pause);
  // Resume(), then the exchange ends (slots of windows closed meanwhile are freed, a port
  // that has gone away closes the connection).
  ~ExchangeScope();
  ExchangeScope(const ExchangeScope&) = delete;
  ExchangeScope& operator=(const ExchangeScope&) = delete;

  // False when another exchange was running: nothing was taken or paused.
  bool Taken() const { return taken_; }
  // Undoes the pause now: windows enabled, polling started, progress hidden. The exchange
  // itself runs on until the scope ends. Once only.
  void Resume();
  // Ends the exchange now, as the end of the scope would (Taken() is false afterwards), so that
  // what follows in the same function (a question whose answer starts another exchange) runs
  // outside it. Once only.
  void End();

 private:
  ExchangeControl& control_;
  Pause pause_;
  bool taken_ = false;
  bool paused_ = false;
};

}  // namespace vorel
