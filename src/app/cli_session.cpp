#include "app/cli_session.h"

#include <cstdio>

#include "app/cli_history.h"
#include "app/cli_modem.h"
#include "control/connect_sequence.h"

namespace vorel {

CliSession::CliSession(CliHost& host, EventPump& pump) : host_(host), session_(host, pump, view_) {
  UseCliPorts(session_, pump);
  StartCliHistory(session_);
}

CliSession::~CliSession() {
  if (opened_) session_.Connector().Disconnect();
}

bool CliSession::Open(const PortSettings& port) {
  std::string error;
  if (session_.Connector().OpenPort(port, &error)) {
    opened_ = true;
    return true;
  }
  // A tcp:// port has shown its own message; a serial port leaves the system's reason.
  if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

bool CliSession::Identify(int site) {
  host_.lastMessage.clear();
  if (session_.Connector().IdentifySite(site)) return true;
  std::fprintf(
      stderr, "Address %d: %s\n", site,
      host_.lastMessage.empty() ? SiteConnectFailText(site).c_str() : host_.lastMessage.c_str());
  return false;
}

}  // namespace vorel
