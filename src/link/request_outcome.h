// How one request to a controller ended, and the texts that tell the user. The link returns
// the outcome; the use case decides whether and how it is shown.
#pragma once

#include <cstdint>
#include <string>

namespace vorel {

enum class RequestOutcome {
  Done,        // the reply came, checked and decoded
  Timeout,     // no usable reply in time (or one longer than the buffers, or nothing was sent)
  CrcError,    // a reply whose checksum does not match
  Exception,   // the controller answered with an exception code
  LineError,   // the adapter's echo of the request did not match what was sent
  PortGone,    // the port went away while the reply was awaited
  Incomplete,  // a reply that lacks what the request needs
};

struct RequestResult {
  RequestOutcome outcome = RequestOutcome::Done;
  std::uint8_t exceptionCode = 0;  // with Exception: the code the controller sent

  explicit operator bool() const { return outcome == RequestOutcome::Done; }
  bool operator==(const RequestResult&) const = default;
};

// The message after a failed request of a use case, in the current language; empty for Done.
// An incomplete reply names the site (1 to 32) it came from.
std::string OutcomeMessage(RequestOutcome outcome, int site = 0);
// The text of the poll's Retry/Cancel box for the outcome, in the current language.
std::string PollFailureMessage(RequestOutcome outcome, int site = 0);
// The caption of that box.
std::string CommunicationErrorCaption();

}  // namespace vorel
