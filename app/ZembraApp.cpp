#include "app/ZembraApp.h"

#include <QApplication>
#include <QIcon>
#include <QPalette>
#include <QScreen>

#include "app/MainFrame.h"
#include "app/ProgramDataFolder.h"
#include "app/TerminationSignals.h"
#include "sim/VirtualDrive.h"

// Resource initialisers must be called from the global namespace.
static void InitAppResources() { Q_INIT_RESOURCE(app_icon); }

namespace zembra {
namespace {

// The desktop entry's name without ".desktop": the desktop matches the
// running window to its entry and icon by it.
const char* const kDesktopFileName = "org.example.zembra";

QIcon ProgramIcon() {
  InitAppResources();
  QIcon icon;
  for (int size : {32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/app/icon-%1.png").arg(size));
  return icon;
}

}  // namespace

CZembraApp::CZembraApp(CommandLineOptions options) : m_options(std::move(options)) {
  QCoreApplication::setOrganizationName(QStringLiteral("DIRER"));
  QCoreApplication::setApplicationName(QStringLiteral("Zembra"));
  QGuiApplication::setDesktopFileName(QLatin1String(kDesktopFileName));
  QApplication::setWindowIcon(ProgramIcon());
  InstallPrompter(&m_prompter);
}

CZembraApp::~CZembraApp() {
  m_frame.reset();
  if (m_virtualDrive) m_virtualDrive->Stop();
  InstallPrompter(nullptr);
}

void CZembraApp::ApplyDialogColours() {
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Window, QColor(222, 231, 247));
  palette.setColor(QPalette::WindowText, QColor(49, 89, 132));
  QApplication::setPalette(palette);
}

bool CZembraApp::InitInstance() {
  QString device = m_options.portOverride;
  if (m_options.simulate) {
    m_virtualDrive = std::make_unique<sim::VirtualDrive>();
    std::string error;
    if (!m_virtualDrive->Start(&error)) {
      CurrentPrompter().ShowMessage(QStringLiteral("无法启动虚拟驱动器：%1").arg(QString::fromStdString(error)),
                                    QString::fromUtf8(kErrorCaption), PromptIcon::Error);
      return false;
    }
    device = QString::fromStdString(m_virtualDrive->SlavePath());
  }

  CMainFrame::Options frameOptions;
  frameOptions.debugMode = m_options.debugMode;
  frameOptions.deviceOverride = device;
  frameOptions.programFolder = ProgramDataFolder::Locate(QCoreApplication::applicationDirPath());
  m_frame = std::make_unique<CMainFrame>(m_link, m_profile, frameOptions);
  m_prompter.SetParent(m_frame.get());
  m_signals = std::make_unique<TerminationSignals>([this] {
    if (m_frame) m_frame->close();
  });

  switch (m_frame->Create()) {
    case CMainFrame::CreateResult::Failed:
      return false;
    case CMainFrame::CreateResult::Closing:
      return true;  // the posted close request ends the program
    case CMainFrame::CreateResult::Running:
      break;
  }
  ApplyDialogColours();
  // Without a window manager (a bare X server) maximising does nothing, so
  // start at the screen's size as well.
  if (QScreen* screen = QGuiApplication::primaryScreen()) m_frame->setGeometry(screen->availableGeometry());
  m_frame->showMaximized();
  return true;
}

}  // namespace zembra
