#pragma once
// Opening the drive's serial port: from the saved "ComNum"/"ComBand" (or a
// device given for this run), and through the settings dialog until a port
// opens or the user gives up. Settings are saved only after a port opened
// with the user's choice.
#include <QString>
#include <string>

#include "link/TransactionEngine.h"
#include "platform/Profile.h"
#include "platform/Prompter.h"

namespace zembra {

class PortSetup {
 public:
  static constexpr int kDefaultComNumber = 1;
  static constexpr int kDefaultBaud = 9600;

  PortSetup(TransactionEngine& engine, Profile& profile);

  // A device to open instead of the saved COMn (--port, --simulate). The
  // profile is left alone unless the user picks other settings.
  void SetDeviceOverride(const QString& path) { m_override = path; }

  // Start-up: the saved settings first, then the dialog until a port
  // opens. False when the user cancelled the dialog.
  bool OpenAtStartup();
  // The menu command: the dialog until a port opens; false on cancel.
  bool ChangeSettings();

  SerialChoice Saved() const;
  static std::string SettingsString(int baud);

 private:
  bool OpenChoice(const SerialChoice& choice);
  bool DialogUntilOpen();

  TransactionEngine& m_engine;
  Profile& m_profile;
  QString m_override;
};

}  // namespace zembra
