#pragma once
// The serial port under the drive link: a termios device opened raw, 8N1,
// at the baud of a "%d,n,8,1" settings string. Writes may come from any
// thread; only the receive thread reads.
#include <QString>
#include <mutex>
#include <string>
#include <string_view>

namespace zembra {

class CMSComm {
 public:
  CMSComm() = default;
  ~CMSComm();
  CMSComm(const CMSComm&) = delete;
  CMSComm& operator=(const CMSComm&) = delete;

  // Closes any open device, opens `devicePath` with the settings and
  // discards whatever was buffered before. On failure LastError() says
  // why in words a user can act on.
  bool Open(const QString& devicePath, const std::string& settings);
  void Close();
  bool PortOpen() const;
  QString DevicePath() const;
  QString LastError() const;

  // Writes all bytes (waiting briefly if the driver's buffer is full).
  // False when the port is closed or the device reported an error.
  bool Write(std::string_view bytes);

  enum class ReadStatus { Data, Nothing, Lost };
  // Everything buffered right now, without waiting.
  ReadStatus ReadAll(std::string& out);

  // Descriptor to wait on; -1 when closed. Only for poll(): it may be
  // closed by another thread at any time, so never read through it.
  int PollDescriptor() const;

  // Parses "9600,n,8,1"; 0 for anything but a supported baud with n,8,1.
  static int BaudFromSettings(const std::string& settings);
  // The settings string for a baud rate: "%d,n,8,1".
  static std::string SettingsFor(int baud);

 private:
  void CloseLocked();

  mutable std::mutex m_mutex;
  int m_fd = -1;
  QString m_path;
  QString m_lastError;
};

}  // namespace zembra
