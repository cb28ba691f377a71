// What the user is told when a control asks for an exchange with the controllers while another
// one still runs (a question or dialog shown in the middle of a transfer, a button pressed
// during a command): nothing was sent, and the user has to know that.
#pragma once

#include <string>

#include "control/transfer_result.h"
#include "link/host.h"

namespace vorel {

// "Another exchange with the controllers is still running. Nothing was sent; try again when it
// has ended." in the current language.
std::string BusyText();
// Shows BusyText when `result` is Busy; returns `result`.
const TransferResult& TellIfBusy(Host& host, const TransferResult& result);

}  // namespace vorel
