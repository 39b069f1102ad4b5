#pragma once
// The termios speed constant for a baud rate, shared by the program's port
// and the virtual drive's pty. Plain POSIX: usable without Qt.
#include <termios.h>

namespace zembra {

// B0 for a rate the serial line does not offer.
inline speed_t TermiosSpeed(int baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
  }
}

}  // namespace zembra
