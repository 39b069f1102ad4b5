#pragma once
// The application object: settings location, debug switches, the optional
// built-in virtual drive, the prompter, the main frame's start-up, and the
// main loop with its orderly end on a termination signal.
#include <QString>
#include <memory>

class QTranslator;

#include "app/CommandLineOptions.h"
#include "app/QtPrompter.h"
#include "link/LinkState.h"
#include "platform/Profile.h"

namespace zembra {

namespace sim {
class VirtualDrive;
}
class CMainFrame;
class ShutdownRequest;
class TerminationSignals;

class CZembraApp {
 public:
  // The exit status of a program that never reached its main window: it
  // could not start, the port settings were cancelled, or a termination
  // signal came first.
  static constexpr int kExitNotStarted = 1;

  explicit CZembraApp(CommandLineOptions options);
  ~CZembraApp();

  // Start-up, then the main loop until the main window closes; returns the
  // program's exit status.
  int Run();
  // Builds and shows the main window. Returns false when the program
  // does not run on (the reason has been shown, or it was asked to end).
  bool InitInstance();
  CMainFrame* MainFrame() const { return m_frame.get(); }
  ShutdownRequest& Shutdown() { return *m_shutdown; }
  bool DebugMode() const { return m_options.debugMode; }

  // Program-wide dialog colours.
  static void ApplyDialogColours();

 private:
  CommandLineOptions m_options;
  LinkState m_link;
  Profile m_profile;
  QtPrompter m_prompter;
  std::unique_ptr<ShutdownRequest> m_shutdown;
  std::unique_ptr<QTranslator> m_qtTexts;
  std::unique_ptr<QTranslator> m_qtTextGaps;
  std::unique_ptr<sim::VirtualDrive> m_virtualDrive;
  std::unique_ptr<CMainFrame> m_frame;
  std::unique_ptr<TerminationSignals> m_signals;
};

}  // namespace zembra
