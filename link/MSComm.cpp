#include "link/MSComm.h"

#include "platform/TermiosSpeed.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace zembra {
namespace {

QString OpenFailure(const QString& path, int err) {
  QString reason = QString::fromLocal8Bit(std::strerror(err));
  QString text = QStringLiteral("无法打开串口 %1：%2。").arg(path, reason);
  switch (err) {
    case EACCES:
    case EPERM:
      text += QStringLiteral("当前用户没有访问该串口设备的权限：请把用户加入 dialout 组"
                             "（sudo usermod -aG dialout 用户名），重新登录后再试。");
      break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      text += QStringLiteral("该设备不存在：请检查串口线或USB转串口适配器是否已插好，"
                             "或在“通讯参数设置”中选择其他串口。");
      break;
    case EBUSY:
      text += QStringLiteral("该串口正被其他程序使用，请先关闭那个程序。");
      break;
    default:
      break;
  }
  return text;
}

}  // namespace

CMSComm::~CMSComm() { Close(); }

int CMSComm::BaudFromSettings(const std::string& settings) {
  std::istringstream in(settings);
  int baud = 0;
  char comma1 = 0, parity = 0, comma2 = 0, comma3 = 0;
  int data = 0, stop = 0;
  if (!(in >> baud >> comma1 >> parity >> comma2 >> data >> comma3 >> stop)) return 0;
  if (comma1 != ',' || comma2 != ',' || comma3 != ',' || (parity != 'n' && parity != 'N') || data != 8 ||
      stop != 1)
    return 0;
  return TermiosSpeed(baud) == B0 ? 0 : baud;
}

std::string CMSComm::SettingsFor(int baud) { return std::to_string(baud) + ",n,8,1"; }

bool CMSComm::Open(const QString& devicePath, const std::string& settings) {
  std::lock_guard lock(m_mutex);
  CloseLocked();
  m_path = devicePath;
  const int baud = BaudFromSettings(settings);
  if (baud == 0) {
    m_lastError = QStringLiteral("串口参数“%1”无效。").arg(QString::fromStdString(settings));
    return false;
  }
  QByteArray path = devicePath.toLocal8Bit();
  int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    m_lastError = OpenFailure(devicePath, errno);
    return false;
  }
  termios tio{};
  if (!::isatty(fd) || ::tcgetattr(fd, &tio) != 0) {
    m_lastError = QStringLiteral("%1 不是串口设备。").arg(devicePath);
    ::close(fd);
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // VMIN 1 with O_NONBLOCK makes an empty read fail with EAGAIN; with
  // VMIN 0 it would return 0, which cannot be told from a hang-up.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, TermiosSpeed(baud));
  ::cfsetospeed(&tio, TermiosSpeed(baud));
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    m_lastError = QStringLiteral("无法设置串口 %1：%2。").arg(devicePath, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd);
    return false;
  }
  // Whatever arrived before the port was ours belongs to nobody.
  ::tcflush(fd, TCIFLUSH);
  char discard[1024];
  while (::read(fd, discard, sizeof discard) > 0) {
  }
  m_fd = fd;
  m_lastError.clear();
  return true;
}

void CMSComm::Close() {
  std::lock_guard lock(m_mutex);
  CloseLocked();
}

void CMSComm::CloseLocked() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

bool CMSComm::PortOpen() const {
  std::lock_guard lock(m_mutex);
  return m_fd >= 0;
}

QString CMSComm::DevicePath() const {
  std::lock_guard lock(m_mutex);
  return m_path;
}

QString CMSComm::LastError() const {
  std::lock_guard lock(m_mutex);
  return m_lastError;
}

int CMSComm::PollDescriptor() const {
  std::lock_guard lock(m_mutex);
  return m_fd;
}

bool CMSComm::Write(std::string_view bytes) {
  std::lock_guard lock(m_mutex);
  if (m_fd < 0) return false;
  while (!bytes.empty()) {
    ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The driver's buffer is full; a command is short, so waiting a
      // little is enough. A port that stays full is reported as failed
      // rather than hanging the caller.
      pollfd p{m_fd, POLLOUT, 0};
      if (::poll(&p, 1, 500) <= 0) {
        m_lastError = QStringLiteral("串口发送超时。");
        return false;
      }
      continue;
    }
    m_lastError = QStringLiteral("串口发送失败：%1。").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  return true;
}

CMSComm::ReadStatus CMSComm::ReadAll(std::string& out) {
  std::lock_guard lock(m_mutex);
  out.clear();
  if (m_fd < 0) return ReadStatus::Nothing;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // 0 (hang-up) or a device error such as EIO: the adapter was pulled or
    // the far end went away.
    if (out.empty()) {
      m_lastError = n == 0 ? QStringLiteral("串口已断开。")
                           : QStringLiteral("串口已断开：%1。").arg(QString::fromLocal8Bit(std::strerror(errno)));
      return ReadStatus::Lost;
    }
    break;
  }
  return out.empty() ? ReadStatus::Nothing : ReadStatus::Data;
}

}  // namespace zembra
