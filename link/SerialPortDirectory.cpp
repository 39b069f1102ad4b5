#include "link/SerialPortDirectory.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <tuple>
#include <vector>

#include "platform/Profile.h"

namespace zembra {
namespace {

// Families in the order the user meets them: the USB adapter just plugged
// in is what a commissioning engineer almost always means by COM1.
enum class DeviceFamily { UsbSerial, UsbModem, OnBoard, Other };

struct DeviceSortKey {
  DeviceFamily family;
  QString stem;  // name without its trailing number
  qlonglong number;
  QString path;

  auto Tie() const { return std::tie(family, stem, number, path); }
  bool operator<(const DeviceSortKey& other) const { return Tie() < other.Tie(); }
};

DeviceSortKey SortKeyOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  qsizetype digits = name.size();
  while (digits > 0 && name.at(digits - 1).isDigit()) --digits;
  const QString stem = name.left(digits);
  bool ok = false;
  qlonglong number = name.mid(digits).toLongLong(&ok);
  if (!ok) number = -1;

  DeviceFamily family = DeviceFamily::Other;
  if (stem == QLatin1String("ttyUSB")) family = DeviceFamily::UsbSerial;
  else if (stem == QLatin1String("ttyACM")) family = DeviceFamily::UsbModem;
  else if (stem == QLatin1String("ttyS")) family = DeviceFamily::OnBoard;
  return {family, stem, number, path};
}

QString OverrideKey(int comNumber) { return QStringLiteral("ComPath%1").arg(comNumber); }

}  // namespace

QStringList SerialPortDirectory::ListDevices() {
  QStringList devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    if (!info.systemLocation().isEmpty()) devices << info.systemLocation();
  }
  return SortDevices(devices);
}

QStringList SerialPortDirectory::SortDevices(QStringList devices) {
  devices.removeDuplicates();
  std::vector<DeviceSortKey> keys;
  keys.reserve(static_cast<size_t>(devices.size()));
  for (const QString& path : devices) keys.push_back(SortKeyOf(path));
  std::sort(keys.begin(), keys.end());
  QStringList sorted;
  for (const DeviceSortKey& key : keys) sorted << key.path;
  return sorted;
}

QString SerialPortDirectory::DevicePathForCom(int comNumber) {
  if (comNumber < 1) return {};
  const QString chosen = Profile().GetString(OverrideKey(comNumber)).trimmed();
  if (!chosen.isEmpty()) return chosen;
  return DevicePathForCom(comNumber, ListDevices());
}

QString SerialPortDirectory::DevicePathForCom(int comNumber, const QStringList& devices) {
  if (comNumber < 1) return {};
  const QString chosen = Profile().GetString(OverrideKey(comNumber)).trimmed();
  if (!chosen.isEmpty()) return chosen;
  if (comNumber <= devices.size()) return devices.at(comNumber - 1);
  return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
}

}  // namespace zembra
