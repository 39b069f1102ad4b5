#pragma once
// What the serial settings dialog offers and returns: the ports COM1 to
// COM10 with the device each stands for, the baud rates, which entries the
// saved choice preselects, and the choice the selection makes.
#include <QStringList>

#include "platform/Prompter.h"

namespace zembra {

class Profile;

class SerialSettingsModel {
 public:
  static constexpr int kPortCount = 10;
  // "9600", taken when the saved baud is not one of the list.
  static constexpr int kDefaultBaudIndex = 2;

  // `devicePaths[i]` is the device of COM(i+1); a port without one is shown
  // by its name alone.
  SerialSettingsModel(const SerialChoice& saved, const QStringList& devicePaths);
  // The same with the devices this machine maps COM1..COM10 to.
  static SerialSettingsModel ForThisMachine(const SerialChoice& saved);

  // "ComNum" (default 1) and "ComBand" (default 9600) of the profile.
  static SerialChoice SavedChoice(const Profile& profile);

  // "COM1 (/dev/ttyUSB0)" ... "COM10 (/dev/ttyS9)".
  QStringList PortEntries() const;
  // "2400", "4800", "9600", "19200".
  static QStringList BaudEntries();

  int PortIndex() const { return m_portIndex; }
  int BaudIndex() const { return m_baudIndex; }
  // False, and the selection unchanged, for an index outside the list.
  bool SelectPort(int index);
  bool SelectBaud(int index);

  // The port number is the selected index + 1, the baud the selected text's value.
  SerialChoice Result() const;

 private:
  QStringList m_devicePaths;
  int m_portIndex = 0;
  int m_baudIndex = kDefaultBaudIndex;
};

}  // namespace zembra
