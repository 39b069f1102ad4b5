#pragma once
// Maps the "COMn" numbers the user picks (and the profile stores as
// "ComNum") to serial device paths on this machine.
#include <QString>
#include <QStringList>

namespace zembra {

class SerialPortDirectory {
 public:
  // The machine's serial devices in a stable order: USB adapters
  // (ttyUSB*, ttyACM*) first, then on-board ports (ttyS*), each by number.
  static QStringList ListDevices();

  // Device path for COMn (1-based). A profile key "ComPath<n>" overrides
  // the listed device; past the end of the list COMn falls back to
  // /dev/ttyS<n-1>, so every number names some path.
  static QString DevicePathForCom(int comNumber);

  // The two above over a given device list instead of the machine's, so
  // the ordering and the mapping are the same wherever the list comes from.
  // Numbers below 1 name no port and give an empty path.
  static QStringList SortDevices(QStringList devices);
  static QString DevicePathForCom(int comNumber, const QStringList& devices);
};

}  // namespace zembra
