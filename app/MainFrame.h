#pragma once
// The main window: status strip on top, the page sheet and the console side
// by side below, and a small menu. It is a shell: the link, the connection
// sequence and the quick commands are collaborators it creates and wires.
#include <QMainWindow>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>

#include "link/ConnectionSequence.h"
#include "link/PortWatcher.h"
#include "link/QuickCommands.h"
#include "link/TransactionEngine.h"
#include "platform/Profile.h"
#include "platform/WindowRuntime.h"
#include "skin/WindowSkin.h"

class QLabel;
class QSplitter;

namespace zembra {

class CStatusPanel;
class CZembraEditView;
class CZembraSheetView;
class PortSetup;

class CMainFrame : public QMainWindow, public MessageWindow {
  Q_OBJECT

 public:
  enum CommandId : int {
    ID_FILE_OPEN_TEXT = 32897,
    ID_APP_EXIT = 57665,
    ID_SERIAL_SETTINGS = 32850,
    ID_APP_ABOUT = 57664,
    ID_HELP = 57670,
  };
  static constexpr int kStatusPaneCount = 4;
  static constexpr int kProgressPane = 2;
  static constexpr int kSheetWidth = 824;
  static constexpr int kConsoleWidth = 200;

  struct Options {
    bool debugMode = false;
    QString deviceOverride;  // --port or the built-in virtual drive
    QString programFolder;   // where QNVERSION.qni and the manual live
  };

  CMainFrame(LinkState& link, Profile& profile, Options options, QWidget* parent = nullptr);
  ~CMainFrame() override;

  enum class CreateResult { Running, Closing, Failed };
  // The creation steps: shared folder, port, receive thread, version
  // query. Closing: the user cancelled the port settings and the window
  // closes again; Failed: the program cannot run.
  CreateResult Create();

  TransactionEngine& Engine() { return m_engine; }
  ConnectionSequence& Connection() { return *m_connection; }
  PortWatcher& Watcher() { return *m_portWatcher; }
  QuickCommands& Quick() { return *m_quick; }
  CStatusPanel& StatusPanel() { return *m_panel; }
  CZembraSheetView& SheetView() { return *m_sheet; }
  CZembraEditView& Console() { return *m_console; }
  WindowSkin& Skin() { return m_skin; }
  QSplitter& Splitter() { return *m_splitter; }

  // The status bar's progress pane (the bar itself stays hidden).
  void SetStatusText(const QString& text);
  QString StatusText() const;

  // How files and addresses are handed to the desktop; tests replace it.
  void SetDesktopOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

  std::intptr_t OnMessage(const WindowMessage& message) override;

 public slots:
  void OnOpenTextFile();
  void OnSerialSettings();
  void OnAbout();
  void OnHelp();
  void OnManualSend();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void BuildStatusBar();
  void BuildClient();
  void WirePanel();
  void UpdateTitle();
  void StopLink();

  // Started when the dialog bar exists, removed before the window goes.
  WindowSkin m_skin{SkinSettings::Default()};
  LinkState& m_link;
  Profile& m_profile;
  Options m_options;
  TransactionEngine m_engine;
  std::unique_ptr<ConnectionSequence> m_connection;
  std::unique_ptr<QuickCommands> m_quick;
  std::unique_ptr<PortSetup> m_portSetup;
  std::unique_ptr<PortWatcher> m_portWatcher;
  CStatusPanel* m_panel = nullptr;
  CZembraSheetView* m_sheet = nullptr;
  CZembraEditView* m_console = nullptr;
  QSplitter* m_splitter = nullptr;
  std::array<QLabel*, kStatusPaneCount> m_panes{};
  std::function<bool(const QUrl&)> m_openUrl;
  bool m_linkStopped = false;
};

}  // namespace zembra
