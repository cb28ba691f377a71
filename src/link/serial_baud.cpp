#include "link/serial_baud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vorel {

bool SetLineSpeed(int fd, int baud) {
  if (baud <= 0) return false;
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  tio.c_cflag |= BOTHER;
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD << IBSHIFT);  // input speed follows c_ispeed
  tio.c_cflag |= BOTHER << IBSHIFT;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace vorel
