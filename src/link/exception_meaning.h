// The texts of a failed request with what it carries beyond its outcome: an exception response
// names the controller's code and what the code means, so that the user can tell a refused
// value from an unknown register.
#pragma once

#include <cstdint>
#include <string>

#include "link/request_outcome.h"

namespace vorel {

// What the controller says with an exception code, in the current language.
std::string ExceptionMeaning(std::uint8_t code);

// OutcomeMessage, and for an exception its code and meaning:
// "Exception response! (code 04: the controller refused the request)".
std::string FailureMessage(const RequestResult& result, int site = 0);
// Where a timeout happened, told after the timeout's own message: "No reply from site 3 on
// /dev/ttyUSB0." (without a site: "No reply on /dev/ttyUSB0.").
std::string TimeoutPlaceText(const std::string& port, int site);
// PollFailureMessage, with the exception's code and meaning in the same way.
std::string PollFailureText(const RequestResult& result, int site = 0);

}  // namespace vorel
