// Port settings of vorel-cli when --port / --baud are not given.
#pragma once

#include "link/serial_port.h"

namespace vorel {

// The ComPort1 settings of vport.ini, over the defaults "COM1", 9600 baud, 8N1, no flow
// control when the file or a key is missing. Throws SettingsError for an unreadable value.
PortSettings CliDefaultPortSettings();

}  // namespace vorel
