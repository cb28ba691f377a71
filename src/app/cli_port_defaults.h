// Port settings of vorel-cli when --port / --baud are not given.
#pragma once

#include "link/serial_port.h"

namespace vorel {

// The ComPort1 settings the command-line tool starts from. For now the defaults of the
// settings file ("COM1", 9600 baud, 8N1, no flow control); the settings loader takes over here.
PortSettings CliDefaultPortSettings();

}  // namespace vorel
