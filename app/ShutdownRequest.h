#pragma once
// Ends the program the way closing its main window does, from wherever a
// termination signal finds it: in the main loop, in a modal dialog of the
// start-up or of a page, or while a read or write runs. Every dialog and
// menu that is up is dismissed with its safe answer (cancel, no), no new
// prompt is shown, and once the code that asked has unwound the main window
// is closed: stream stops, receive thread, port. Before the main loop runs
// the start-up simply unwinds and the caller ends the program.
#include <QObject>
#include <functional>

namespace zembra {

class QtPrompter;

class ShutdownRequest : public QObject {
 public:
  explicit ShutdownRequest(QtPrompter& prompter, QObject* parent = nullptr);

  // What closing the main window does; called once, from the main loop.
  void SetCloseMainWindow(std::function<void()> close) { m_closeMainWindow = std::move(close); }
  // From here on a request ends the main loop as well.
  void MainLoopStarted() { m_mainLoopRunning = true; }

  void Request();
  bool Requested() const { return m_requested; }

  // Closes open menus and rejects every visible dialog; how many there were.
  static int DismissModalWindows();

 private:
  void FinishWhenUnwound();

  QtPrompter& m_prompter;
  std::function<void()> m_closeMainWindow;
  bool m_mainLoopRunning = false;
  bool m_requested = false;
  bool m_finished = false;
};

}  // namespace zembra
