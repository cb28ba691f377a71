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
#include "link/serial_port.h"

namespace vorel {

inline constexpr int kModemStatusPanel = 1;
inline constexpr int kModemCycleMs = 500;
inline constexpr int kDialCycles = 120;  // at most 60 s for the dial command
inline constexpr int kPrepareModemPauseMs = 300;
inline constexpr int kHangUpPauseMs = 300;
inline constexpr int kHangUpDrainMs = 100;
inline constexpr int kModemFailPauseMs = 100;

class ModemDialer {
 public:
  // `sendLock`, when given, is held around each write so that no request is being written
  // at the same moment.
  ModemDialer(SerialPort& port, ConnectionView& view, EventPump& pump,
              std::mutex* sendLock = nullptr)
      : port_(port), view_(view), pump_(pump), sendLock_(sendLock) {}

  // Raises DTR and RTS, clears the hang-up request, disables Hangup.
  void PrepareModem();
  // Writes the command with CR LF and waits up to `cycles` half-seconds for a recognised
  // answer; true for "OK" or a known CONNECT speed (which it shows). False on no recognised
  // answer ("modem no response") or at once, without a text, on a hang-up request.
  bool ModemCommand(std::string_view command, int cycles);
  // The whole dial: set-up commands, then the dial number; true once the modem has answered.
  // On failure "modem connect fail" is shown (the lines stay up: the caller releases them).
  bool Dial(const std::string& number);
  // Ends the call: "+++", a pause, "ATH0". No answer is awaited.
  void HangUp();
  // Drops DTR and RTS, disables Hangup and clears the modem status.
  void ReleaseModem();
  // The Hangup button: asks a waiting command to give up, and ends a call that is up.
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
  bool hangupRequested_ = false;
  bool dialing_ = false;
};

}  // namespace vorel
