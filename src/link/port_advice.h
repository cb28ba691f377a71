// What a user can do about a serial port that would not open, when the system says why: a
// device their user may not open (its group and the command that joins it), or a device that
// another process holds (which one). Empty when there is nothing more to say.
#pragma once

#include <string>

namespace vorel {

// Looks at the device of `portName` (a name or a path) as it is now; call it after Open failed.
std::string PortOpenAdvice(const std::string& portName);

}  // namespace vorel
