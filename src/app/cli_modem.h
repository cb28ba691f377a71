// The dial-up modem for vorel-cli: `--modem --dial NUMBER` (or the modem option of the
// settings with `--dial`) puts a modem between the tool and the controllers for any command.
// The port then dials when it opens and hangs up when it closes, and on Ctrl-C before the
// program ends; the modem's progress goes to standard error.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "control/session.h"
#include "link/event_pump.h"
#include "link/serial_port.h"

namespace vorel {

// Takes --modem and --dial NUMBER out of the arguments before the command; false with the
// problem in `problem` on a bad use (or an unreadable modem setting).
bool TakeModemOptions(std::vector<std::string_view>& args, std::string* problem);
bool CliModemOn();
// With the modem on, makes Ctrl-C and SIGTERM hang up first; call before any thread starts.
void StartCliModem();
// A new, closed port for a command: the plain serial port, or the dialling one.
std::unique_ptr<SerialPort> MakeCliPort(EventPump& pump);
// The session's ports from MakeCliPort, with the modem's longer reply timeout when it is on.
void UseCliPorts(Session& session, EventPump& pump);

}  // namespace vorel
