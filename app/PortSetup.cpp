#include "app/PortSetup.h"

#include "link/SerialPortDirectory.h"

namespace zembra {

PortSetup::PortSetup(TransactionEngine& engine, Profile& profile) : m_engine(engine), m_profile(profile) {}

std::string PortSetup::SettingsString(int baud) { return CMSComm::SettingsFor(baud); }

SerialChoice PortSetup::Saved() const {
  return {m_profile.GetInt(QStringLiteral("ComNum"), kDefaultComNumber),
          m_profile.GetInt(QStringLiteral("ComBand"), kDefaultBaud)};
}

bool PortSetup::OpenChoice(const SerialChoice& choice) {
  return m_engine.OpenPort(SerialPortDirectory::DevicePathForCom(choice.comNumber), SettingsString(choice.baud));
}

bool PortSetup::DialogUntilOpen() {
  SerialChoice shown = Saved();
  for (;;) {
    std::optional<SerialChoice> choice = CurrentPrompter().AskSerialSettings(shown);
    if (!choice) return false;
    shown = *choice;
    if (OpenChoice(*choice)) {
      m_profile.WriteInt(QStringLiteral("ComNum"), choice->comNumber);
      m_profile.WriteInt(QStringLiteral("ComBand"), choice->baud);
      m_override.clear();
      return true;
    }
  }
}

bool PortSetup::OpenAtStartup() {
  const SerialChoice saved = Saved();
  const bool opened = m_override.isEmpty()
                          ? OpenChoice(saved)
                          : m_engine.OpenPort(m_override, SettingsString(saved.baud));
  if (opened) {
    // A working saved setting is written back as the drive tools always
    // did; a device given for this run is not saved.
    if (m_override.isEmpty()) {
      m_profile.WriteInt(QStringLiteral("ComNum"), saved.comNumber);
      m_profile.WriteInt(QStringLiteral("ComBand"), saved.baud);
    }
    return true;
  }
  return DialogUntilOpen();
}

bool PortSetup::ChangeSettings() { return DialogUntilOpen(); }

}  // namespace zembra
