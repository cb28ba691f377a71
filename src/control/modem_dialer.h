// The dial-up modem in front of the controllers: raising and dropping its lines, the Hayes
// set-up and dial with the answers it recognises, hanging up, and the Hangup button. Every
// pause runs on the event pump, so the window stays responsive and Hangup can be pressed
// while the modem is set up or dialled; a waiting command notices it at its next wait cycle.
// Progress is shown in panel 1 of the main status bar.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "control/connection_view.h"
#include "link/event_pump.h"
#include "link/modem_call.h"
#include "link/serial_port.h"

namespace vorel {

inline constexpr int kModemStatusPanel = 1;
inline constexpr int kModemCycleMs = 500;
inline constexpr int kDialCycles = 120;  // at most 60 s for the dial command
inline constexpr int kPrepareModemPauseMs = 300;
inline constexpr int kHangUpPauseMs = 300;
inline constexpr int kHangUpDrainMs = 100;
inline constexpr int kModemFailPauseMs = 100;

// "The modem answered BUSY." in the current language: what the modem said about a call.
std::string ModemAnswerText(std::string_view word);

// "The dial failed: " and why, in the current language.
std::string DialFailedText(const std::string& why);

class ModemDialer {
 public:
  // `sendLock`, when given, is held around each write so that no request is being written
  // at the same moment.
  // `call`, when given, learns when a dial connects and when the call is hung up.
  ModemDialer(SerialPort& port, ConnectionView& view, EventPump& pump,
              std::mutex* sendLock = nullptr, ModemCall* call = nullptr)
      : port_(port), view_(view), pump_(pump), sendLock_(sendLock), call_(call) {}

  // Raises DTR and RTS, clears the hang-up request, disables Hangup.
  void PrepareModem();
  // Writes the command with CR LF and waits up to `cycles` half-seconds for a recognised
  // answer; true for "OK" or a known CONNECT speed (which it shows). False at once when the
  // modem says the call cannot be made (BUSY, NO CARRIER, NO DIALTONE, NO ANSWER: "The
  // modem answered BUSY."), on no recognised answer ("modem no response") or, without a
  // text, on a hang-up request.
  bool ModemCommand(std::string_view command, int cycles);
  // The whole dial: set-up commands, then the dial number; true once the modem has answered.
  // On failure "modem connect fail" is shown, or the modem's own refusal when it gave one
  // (the lines stay up: the caller releases them).
  bool Dial(const std::string& number);
  // Why the last Dial failed, in the current language: the modem's refusal, or that it gave
  // no answer the dial recognises.
  const std::string& FailureText() const { return failure_; }
  // Shows the modem's refusal of the last dial again (after ReleaseModem cleared it).
  void ShowRefusal();
  // Ends the call: "+++", a pause, "ATH0". No answer is awaited.
  void HangUp();
  // Drops DTR and RTS, disables Hangup and clears the modem status.
  void ReleaseModem();
  // The Hangup button: asks a waiting command to give up; otherwise ends the call (the escape
  // and ATH0 are sent whether or not the carrier can be read), releases the lines and shows
  // "disconnected".
  void HangupPressed();

  // True while Dial runs (a second Connect meanwhile must not dial over it).
  bool Dialing() const { return dialing_; }
  bool HangupRequested() const { return hangupRequested_; }
  void ClearHangupRequest() { hangupRequested_ = false; }

 private:
  bool DialOnce(const std::string& number);
  // Writes text to the port between two requests of the link.
  void Write(std::string_view text);
  void Pause(int ms);
  void ShowStatus(const std::string& text);

  SerialPort& port_;
  ConnectionView& view_;
  EventPump& pump_;
  std::mutex* sendLock_;
  ModemCall* call_;
  std::string failure_;
  std::string refusal_;  // the modem's refusal of the last command, "" for none
  bool hangupRequested_ = false;
  bool dialing_ = false;
};

}  // namespace vorel
