// What the eight command buttons of the monitor page do: one function-16 write of one word
// for the site, with polling paused around it. START asks first, since it can turn an engine
// over next to someone standing at the set; a mode reaches the value image only after the
// controller has taken it.
#pragma once

#include <string>

#include "control/exchange_scope.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/transfer_result.h"
#include "core/remote_commands.h"
#include "core/site_images.h"
#include "link/host.h"

namespace vorel {

// "Start the engine of site N?" in the current language.
std::string StartQuestionText(int site);

class CommandSender {
 public:
  CommandSender(Host& host, SiteImages& images, const SiteSlots& siteSlots,
                ExchangeControl& exchange, RegisterRequests& requests)
      : host_(host), images_(images), slots_(siteSlots), exchange_(exchange), requests_(requests) {}

  // Completed when the controller answered the command without error. Nothing is sent for a
  // site that is not online or when START is not confirmed (Refused), nor while another
  // exchange runs (Busy). `confirmed` skips the question of START (the caller has asked
  // already).
  TransferResult Send(int site, RemoteCommand command, bool confirmed = false);

 private:
  Host& host_;
  SiteImages& images_;
  const SiteSlots& slots_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
};

}  // namespace vorel
