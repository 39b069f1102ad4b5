#include "app/ShutdownRequest.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include "app/QtPrompter.h"

namespace zembra {

ShutdownRequest::ShutdownRequest(QtPrompter& prompter, QObject* parent) : QObject(parent), m_prompter(prompter) {}

void ShutdownRequest::Request() {
  if (m_requested) return;
  m_requested = true;
  // A dialog closed here returns "cancelled" to the code that showed it;
  // that code may ask again (the port settings do until a port opens), so
  // the prompter answers every later prompt the same way without showing it.
  m_prompter.StopAsking();
  DismissModalWindows();
  // The request may arrive inside a dialog's event loop, with the page or
  // start-up code that opened it still on the stack: closing the window
  // under it would pull the link away mid-call. Finish once it has unwound.
  QTimer::singleShot(0, this, [this] { FinishWhenUnwound(); });
}

int ShutdownRequest::DismissModalWindows() {
  int dismissed = 0;
  while (QWidget* popup = QApplication::activePopupWidget()) {
    popup->close();
    ++dismissed;
  }
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog && dialog->isVisible()) {
      dialog->reject();
      ++dismissed;
    }
  }
  return dismissed;
}

void ShutdownRequest::FinishWhenUnwound() {
  if (m_finished || !m_mainLoopRunning) return;
  if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
    // Something opened a window of its own after the first round; its
    // event loop has to end before ours can.
    DismissModalWindows();
    QTimer::singleShot(0, this, [this] { FinishWhenUnwound(); });
    return;
  }
  m_finished = true;
  if (m_closeMainWindow) m_closeMainWindow();
  QCoreApplication::exit(0);
}

}  // namespace zembra
