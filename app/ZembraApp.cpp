#include "app/ZembraApp.h"

#include <QApplication>
#include <QIcon>
#include <QPalette>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <cstdio>

#include "app/MainFrame.h"
#include "app/ProgramDataFolder.h"
#include "app/ShutdownRequest.h"
#include "app/UiLanguage.h"
#include "platform/TerminationSignals.h"
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
  const QString language = UiLanguage::Choose(QLocale::system().uiLanguages(), UiLanguage::ProgramLanguages());
  m_qtTexts = UiLanguage::InstallQtTranslations(language);
  m_qtTextGaps = UiLanguage::InstallQtTextGaps(language);
  if (!m_qtTexts)
    std::fprintf(stderr, "zembra: 找不到 Qt 自带的 %s 翻译（Debian 软件包 qt6-translations-l10n），"
                         "标准按钮和文件对话框将不是中文\n",
                 language.toLocal8Bit().constData());
  InstallPrompter(&m_prompter);
  m_shutdown = std::make_unique<ShutdownRequest>(m_prompter);
  m_shutdown->SetCloseMainWindow([this] {
    if (m_frame) m_frame->close();
  });
}

CZembraApp::~CZembraApp() {
  m_signals.reset();
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

int CZembraApp::Run() {
  if (!InitInstance() || m_shutdown->Requested()) return kExitNotStarted;
  m_shutdown->MainLoopStarted();
  return QApplication::exec();
}

bool CZembraApp::InitInstance() {
  // First of all, so that no dialog of the start-up can outlast a signal.
  m_signals = std::make_unique<TerminationSignals>([this] { m_shutdown->Request(); });
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

  switch (m_frame->Create()) {
    case CMainFrame::CreateResult::Failed:
    case CMainFrame::CreateResult::Closing:
      // The window was never shown, so closing it would not end the main
      // loop: the program ends here, without one.
      return false;
    case CMainFrame::CreateResult::Running:
      break;
  }
  if (m_shutdown->Requested()) return false;
  ApplyDialogColours();
  // Without a window manager (a bare X server) maximising does nothing, so
  // start at the screen's size as well.
  if (QScreen* screen = QGuiApplication::primaryScreen()) m_frame->setGeometry(screen->availableGeometry());
  m_frame->showMaximized();
  return true;
}

}  // namespace zembra
