#include "link/SerialSettingsModel.h"

#include "link/SerialPortDirectory.h"
#include "platform/Profile.h"

namespace zembra {
namespace {

constexpr int kDefaultComNumber = 1;
constexpr int kDefaultBaud = 9600;

}  // namespace

SerialSettingsModel::SerialSettingsModel(const SerialChoice& saved, const QStringList& devicePaths)
    : m_devicePaths(devicePaths) {
  m_portIndex = saved.comNumber >= 1 && saved.comNumber <= kPortCount ? saved.comNumber - 1 : 0;
  const int baudIndex = static_cast<int>(BaudEntries().indexOf(QString::number(saved.baud)));
  m_baudIndex = baudIndex >= 0 ? baudIndex : kDefaultBaudIndex;
}

SerialSettingsModel SerialSettingsModel::ForThisMachine(const SerialChoice& saved) {
  const QStringList devices = SerialPortDirectory::ListDevices();
  QStringList paths;
  for (int com = 1; com <= kPortCount; ++com) paths << SerialPortDirectory::DevicePathForCom(com, devices);
  return SerialSettingsModel(saved, paths);
}

SerialChoice SerialSettingsModel::SavedChoice(const Profile& profile) {
  return SerialChoice{profile.GetInt(QStringLiteral("ComNum"), kDefaultComNumber),
                      profile.GetInt(QStringLiteral("ComBand"), kDefaultBaud)};
}

QStringList SerialSettingsModel::PortEntries() const {
  QStringList entries;
  for (int i = 0; i < kPortCount; ++i) {
    QString entry = QStringLiteral("COM%1").arg(i + 1);
    const QString path = i < m_devicePaths.size() ? m_devicePaths.at(i) : QString();
    if (!path.isEmpty()) entry += QStringLiteral(" (%1)").arg(path);
    entries << entry;
  }
  return entries;
}

QStringList SerialSettingsModel::BaudEntries() {
  return {QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200")};
}

bool SerialSettingsModel::SelectPort(int index) {
  if (index < 0 || index >= kPortCount) return false;
  m_portIndex = index;
  return true;
}

bool SerialSettingsModel::SelectBaud(int index) {
  if (index < 0 || index >= BaudEntries().size()) return false;
  m_baudIndex = index;
  return true;
}

SerialChoice SerialSettingsModel::Result() const {
  return SerialChoice{m_portIndex + 1, BaudEntries().at(m_baudIndex).toInt()};
}

}  // namespace zembra
