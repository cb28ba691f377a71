// One vorel-cli command's connection: a Session on the command's port (plain or dialling),
// the identification of a site with its failure printed, and the disconnect at the end.
#pragma once

#include <string>

#include "app/cli_host.h"
#include "app/cli_view.h"
#include "control/session.h"
#include "link/event_pump.h"
#include "link/serial_port.h"

namespace vorel {

class CliSession {
 public:
  CliSession(CliHost& host, EventPump& pump);
  // Disconnects (hanging up a dialled modem) when the port was opened.
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Opens the port; prints the reason on standard error when it cannot be opened.
  bool Open(const PortSettings& port);
  // Identifies the site as Connect does; prints "Address N: <reason>" on standard error when
  // it fails.
  bool Identify(int site);

  Session& session() { return session_; }
  CliHost& host() { return host_; }

 private:
  CliHost& host_;
  CliView view_;
  Session session_;
  bool opened_ = false;
};

}  // namespace vorel
