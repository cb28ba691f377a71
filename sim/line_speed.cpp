// Kept apart from <termios.h>: the kernel's termios2 (which carries any rate as a number)
// comes from <asm/termbits.h>, which clashes with it.
#include "line_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace vorel::sim {

long TerminalBaud(int fd) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
  return static_cast<long>(tio.c_ospeed);
}

}  // namespace vorel::sim
