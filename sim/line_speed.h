// The speed a terminal is set to, as a number of baud (custom rates included).
#pragma once

namespace vorel::sim {

// 0 when it cannot be read.
long TerminalBaud(int fd);

}  // namespace vorel::sim
