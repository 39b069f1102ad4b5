#pragma once
// The application object: settings location, debug switches, the optional
// built-in virtual drive, the prompter, and the main frame's start-up.
#include <QString>
#include <memory>

#include "app/CommandLineOptions.h"
#include "app/QtPrompter.h"
#include "link/LinkState.h"
#include "platform/Profile.h"

namespace zembra {

namespace sim {
class VirtualDrive;
}
class CMainFrame;
class TerminationSignals;

class CZembraApp {
 public:
  explicit CZembraApp(CommandLineOptions options);
  ~CZembraApp();

  // Builds and shows the main window. Returns false when the program
  // cannot run (the reason has been shown).
  bool InitInstance();
  CMainFrame* MainFrame() const { return m_frame.get(); }
  bool DebugMode() const { return m_options.debugMode; }

  // Program-wide dialog colours.
  static void ApplyDialogColours();

 private:
  CommandLineOptions m_options;
  LinkState m_link;
  Profile m_profile;
  QtPrompter m_prompter;
  std::unique_ptr<sim::VirtualDrive> m_virtualDrive;
  std::unique_ptr<CMainFrame> m_frame;
  std::unique_ptr<TerminationSignals> m_signals;
};

}  // namespace zembra
