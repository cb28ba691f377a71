// What a user can do about a serial port that would not open, when the system says why: a
// device their user may not open (the serial-device group to join, or, for a device that
// belongs to no such group, its owner and mode and a udev rule that gives it to one), or a
// device that another process holds (which one). Empty when there is nothing more to say.
#pragma once

#include <string>

namespace vorel {

// A device file as the system shows it.
struct DeviceOwnership {
  std::string path;        // as the user named it
  std::string kernelName;  // the device's own name (ttyUSB0), what a udev rule matches
  std::string owner;
  std::string group;
  unsigned mode = 0;  // the permission bits
};

// The advice for a device that `user` may not open, in the current language.
std::string PermissionAdvice(const DeviceOwnership& device, const std::string& user);

// Looks at the device of `portName` (a name or a path) as it is now; call it after Open failed.
std::string PortOpenAdvice(const std::string& portName);

}  // namespace vorel
