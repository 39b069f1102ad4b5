#include "sim/PtyPair.h"

#include "platform/TermiosSpeed.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zembra::sim {

namespace {

speed_t SpeedFor(int baud) {
  const speed_t speed = TermiosSpeed(baud);
  return speed == B0 ? B9600 : speed;
}

bool Fail(std::string* error, const char* what) {
  if (error) *error = std::string(what) + ": " + std::strerror(errno);
  return false;
}

}  // namespace

PtyPair::~PtyPair() { Close(); }

bool PtyPair::Open(int baud, std::string* error) {
  Close();
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (masterFd_ < 0) return Fail(error, "posix_openpt");
  if (grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0) {
    const bool result = Fail(error, "grantpt/unlockpt");
    Close();
    return result;
  }
  char name[256];
  if (ptsname_r(masterFd_, name, sizeof name) != 0) {
    const bool result = Fail(error, "ptsname");
    Close();
    return result;
  }
  slavePath_ = name;

  keptSlaveFd_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (keptSlaveFd_ < 0) {
    const bool result = Fail(error, "open slave");
    Close();
    return result;
  }
  termios tio{};
  if (tcgetattr(keptSlaveFd_, &tio) != 0) {
    const bool result = Fail(error, "tcgetattr");
    Close();
    return result;
  }
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&tio, SpeedFor(baud));
  cfsetospeed(&tio, SpeedFor(baud));
  if (tcsetattr(keptSlaveFd_, TCSANOW, &tio) != 0) {
    const bool result = Fail(error, "tcsetattr");
    Close();
    return result;
  }

  // The drive thread polls and must never block on a full slave queue.
  const int flags = fcntl(masterFd_, F_GETFL);
  if (flags < 0 || fcntl(masterFd_, F_SETFL, flags | O_NONBLOCK) != 0) {
    const bool result = Fail(error, "fcntl");
    Close();
    return result;
  }
  return true;
}

void PtyPair::Close() {
  if (keptSlaveFd_ >= 0) {
    ::close(keptSlaveFd_);
    keptSlaveFd_ = -1;
  }
  if (masterFd_ >= 0) {
    ::close(masterFd_);
    masterFd_ = -1;
  }
}

}  // namespace zembra::sim
