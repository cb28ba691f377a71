// What the eight command buttons of the monitor page do: one function-16 write of one word
// for the site, with polling paused around it. START asks first, since it can turn an engine
// over next to someone standing at the set, and STOP and OFF ask while the set carries a load;
// No is the default answer. A mode reaches the value image only after the controller has
// taken it.
#pragma once

#include <optional>
#include <string>

#include "control/exchange_scope.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/transfer_result.h"
#include "core/remote_commands.h"
#include "core/site_images.h"
#include "link/host.h"
#include "link/serial_port.h"

namespace vorel {

// "Start the engine of site N?" in the current language.
std::string StartQuestionText(int site);
// "Site N is on load. Stop it?" in the current language.
std::string OnLoadQuestionText(int site);
// A command asked for while no port is open.
std::string NotConnectedText();

class ParameterTransfer;

class CommandSender {
 public:
  // The audit trail of the commands sent is kept by `parameters`.
  CommandSender(Host& host, SiteImages& images, const SiteSlots& siteSlots, const SerialPort& port,
                ExchangeControl& exchange, RegisterRequests& requests,
                ParameterTransfer& parameters)
      : host_(host),
        images_(images),
        slots_(siteSlots),
        port_(port),
        exchange_(exchange),
        requests_(requests),
        parameters_(parameters) {}

  // Completed when the controller answered the command without error. Nothing is sent for a
  // site that is not online, when the port is closed or gone (told at once), or when START, or
  // STOP and OFF on load, are not confirmed (Refused), nor while another exchange runs (Busy).
  // `confirmed` skips the question (the caller has asked already). A command the controller was
  // sent is recorded in the audit trail (a mode with the mode before and after, an action with its
  // word); an unrecorded one is a failure.
  TransferResult Send(int site, RemoteCommand command, bool confirmed = false);

 private:
  // The question to ask before the command is sent, nothing when it goes without one.
  std::optional<std::string> Question(int site, RemoteCommand command) const;

  Host& host_;
  SiteImages& images_;
  const SiteSlots& slots_;
  const SerialPort& port_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
  ParameterTransfer& parameters_;
};

}  // namespace vorel
