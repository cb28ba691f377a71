// Line speed of a terminal device, standard or custom (termios2 with BOTHER). Kept apart from
// the termios code because the kernel's termios2 header clashes with the C library's.
#pragma once

namespace vorel {

// Sets input and output speed of the open terminal `fd` to `baud`; false when refused.
bool SetLineSpeed(int fd, int baud);

}  // namespace vorel
