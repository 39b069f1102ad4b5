#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cstdio>

#include "app/AboutDialog.h"
#include "app/PortSetup.h"
#include "app/SharedFolder.h"
#include "app/ZembraSheetView.h"
#include "common/VersionTitle.h"
#include "console/ZembraEditView.h"
#include "platform/Prompter.h"
#include "platform/WindowMessages.h"
#include "statuspanel/StatusPanel.h"

namespace zembra {
namespace {

const char* const kManualFile = "伺服运控管理系统说明书-KVBX5160.pdf";

}  // namespace

CMainFrame::CMainFrame(LinkState& link, Profile& profile, Options options, QWidget* parent)
    : QMainWindow(parent),
      m_link(link),
      m_profile(profile),
      m_options(std::move(options)),
      m_engine(link),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  m_link.debugMode = m_options.debugMode;
  m_link.connected.store(m_options.debugMode);
  setAccessibleName(QStringLiteral("伺服运控管理系统"));

  m_connection = std::make_unique<ConnectionSequence>(m_engine);
  m_quick = std::make_unique<QuickCommands>(m_engine, *m_connection);
  m_portSetup = std::make_unique<PortSetup>(m_engine, m_profile);
  m_portSetup->SetDeviceOverride(m_options.deviceOverride);
  m_portWatcher = std::make_unique<PortWatcher>(m_engine);
  // A re-plugged adapter: identify the drive again, as at start-up.
  m_portWatcher->SetReopened([this] { m_connection->Start(); });

  auto status = [this](const QString& text) { SetStatusText(text); };
  m_engine.SetStatusText(status);
  m_connection->SetStatusText(status);
  m_quick->SetStatusText(status);
  m_engine.SetOwnerWindow(Handle());

  BuildStatusBar();
  BuildClient();
  BuildMenu();
  WirePanel();
  UpdateTitle();
}

CMainFrame::~CMainFrame() {
  m_skin.Remove();
  StopLink();
}

void CMainFrame::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menu_134"));
  bar->setAccessibleName(QStringLiteral("菜单"));
  auto add = [this](QMenu* menu, const QString& text, int id, void (CMainFrame::*slot)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QStringLiteral("idc_%1").arg(id));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = bar->addMenu(QStringLiteral("文件"));
  add(file, QStringLiteral("打开文件"), ID_FILE_OPEN_TEXT, &CMainFrame::OnOpenTextFile);
  file->addSeparator();
  QAction* exit = file->addAction(QStringLiteral("退出(&X)"));
  exit->setObjectName(QStringLiteral("idc_%1").arg(ID_APP_EXIT));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  QMenu* config = bar->addMenu(QStringLiteral("配置(&C)"));
  add(config, QStringLiteral("通讯参数设置(&N)"), ID_SERIAL_SETTINGS, &CMainFrame::OnSerialSettings);
  QMenu* about = bar->addMenu(QStringLiteral("关于"));
  add(about, QStringLiteral("伺服运控管理系统"), ID_APP_ABOUT, &CMainFrame::OnAbout);
  QAction* help = add(about, QStringLiteral("帮        助(&h)"), ID_HELP, &CMainFrame::OnHelp);
  help->setShortcut(QKeySequence::HelpContents);
}

void CMainFrame::BuildStatusBar() {
  // Four panes, the first one empty; the progress texts go to the third.
  // The bar stays hidden: nothing in the menu shows it.
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("idc_59393"));
  bar->setAccessibleName(QStringLiteral("状态栏"));
  const int widths[kStatusPaneCount] = {0, 400, 424, 200};
  for (int i = 0; i < kStatusPaneCount; ++i) {
    m_panes[i] = new QLabel(bar);
    m_panes[i]->setMinimumWidth(widths[i]);
    m_panes[i]->setAccessibleName(QStringLiteral("状态栏第%1栏").arg(i + 1));
    bar->addWidget(m_panes[i]);
  }
  m_panes[0]->setEnabled(false);
  bar->setMinimumHeight(30);
  bar->hide();
}

void CMainFrame::BuildClient() {
  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  m_panel = new CStatusPanel(m_link, client);
  layout->addWidget(m_panel);
  // The skin starts with the dialog bar; from here on it follows every
  // window shown, this one included.
  m_skin.Apply(m_panel);

  m_splitter = new QSplitter(Qt::Horizontal, client);
  m_splitter->setObjectName(QStringLiteral("idc_59648"));
  m_splitter->setAccessibleName(QStringLiteral("主窗口分隔"));
  m_sheet = new CZembraSheetView(m_splitter);
  m_console = new CZembraEditView(m_link.displayBatching, m_splitter);
  m_splitter->addWidget(m_sheet);
  m_splitter->addWidget(m_console);
  m_splitter->setSizes({kSheetWidth, kConsoleWidth});
  m_splitter->setStretchFactor(0, 1);
  m_splitter->setStretchFactor(1, 0);
  layout->addWidget(m_splitter, 1);
  setCentralWidget(client);

  m_sheet->OnInitialUpdate();
  m_engine.SetConsoleWindow(m_console->Handle());
  m_connection->SetStatusPanel(m_panel->Handle());
  m_connection->SetParameterPage(m_sheet->ParameterPage().Handle());
  CMonitor& monitor = m_sheet->MonitorPage();
  monitor.AttachLink(m_engine);
  monitor.SetStatusSink([this](const QString& text) { SetStatusText(text); });
  m_quick->SetStatusPanel(m_panel->Handle());
  m_quick->SetEnableStateSource([this] { return m_panel->EnableState(); });

  CBasicParam& params = m_sheet->ParameterPage();
  params.AttachLink(m_engine);
  params.SetStatusTextSink([this](const QString& text) { SetStatusText(text); });
  params.SetConsoleSink([this](std::string_view gbk) { m_console->Sink().AppendNarrow(gbk, true); });
  params.SetModelNameSource([this] { return m_panel->Model().ModelText(); });
  // A sample may move no further than the drive's top speed allows, as the
  // parameter page shows it when the monitoring page comes up.
  monitor.SetSpikeFactorSource([&params] { return SpikeFactors{params.MaxSpeed(), params.EncoderResolution()}; });
  // A step test is labelled with the gains the parameter page shows when
  // it starts; a value typed there but not yet written is marked, since
  // the drive ran with another.
  monitor.SetStepGainSource([&params](StepKind kind) {
    auto shown = [&params](drive::Field field) {
      return ShownGain{static_cast<double>(params.Shown(field)), params.Markers().IsEdited(field)};
    };
    using drive::Field;
    const bool speed = kind == StepKind::SpeedStep;
    return StepGains{shown(speed ? Field::SpeedProportional : Field::PositionProportional),
                     shown(speed ? Field::SpeedIntegral : Field::PositionIntegral),
                     shown(speed ? Field::SpeedDerivative : Field::PositionDerivative), shown(Field::Acceleration)};
  });
  monitor.SetParameterBusySource(
      [&params] { return params.RunningOperation() != ParameterOperations::Kind::None; });
}

void CMainFrame::WirePanel() {
  connect(m_panel, &CStatusPanel::connectClicked, this, [this] { m_connection->ManualReconnect(); });
  connect(m_panel, &CStatusPanel::refreshClicked, this, [this] { m_quick->RefreshStatus(); });
  connect(m_panel, &CStatusPanel::gmClicked, this, [this] { m_quick->ReadPosition(); });
  connect(m_panel, &CStatusPanel::gvClicked, this, [this] { m_quick->ReadSpeed(); });
  connect(m_panel, &CStatusPanel::poClicked, this, [this] { m_quick->ZeroPosition(); });
  connect(m_panel, &CStatusPanel::gseClicked, this, [this] { m_quick->ReadTrackingError(); });
  connect(m_panel, &CStatusPanel::enableToggled, this, [this](bool) { m_quick->ToggleEnable(); });
  connect(m_panel, &CStatusPanel::sendClicked, this, &CMainFrame::OnManualSend);
}

void CMainFrame::UpdateTitle() { setWindowTitle(ComposeWindowTitle(m_options.programFolder)); }

CMainFrame::CreateResult CMainFrame::Create() {
  SharedFolder::Create();
  if (!m_portSetup->OpenAtStartup()) {
    CurrentPrompter().ShowMessage(QStringLiteral("打开串口不成功！"), QString::fromUtf8(kErrorCaption),
                                  PromptIcon::Error);
    PostMessage(Handle(), WM_CLOSE_REQUEST);
    return CreateResult::Closing;
  }
  if (!m_engine.StartReceiveThread()) return CreateResult::Failed;
  m_connection->Start();
  return CreateResult::Running;
}

void CMainFrame::SetStatusText(const QString& text) { m_panes[kProgressPane]->setText(text); }

QString CMainFrame::StatusText() const { return m_panes[kProgressPane]->text(); }

std::intptr_t CMainFrame::OnMessage(const WindowMessage& message) {
  switch (message.msg) {
    case WM_CLOSE_REQUEST:
      close();
      return 0;
    case WM_PORT_LOST:
      if (m_linkStopped) return 0;
      m_connection->OnPortLost();
      m_portWatcher->Watch();
      return 0;
    default:
      return MessageWindow::OnMessage(message);
  }
}

void CMainFrame::OnManualSend() {
  QComboBox* combo = m_panel->CommandCombo();
  std::optional<QString> sent = m_quick->ManualSend(combo->currentText());
  if (!sent) return;
  combo->clear();
  combo->addItems(m_quick->History().Entries());
  combo->setEditText(*sent);
  if (combo->lineEdit()) combo->lineEdit()->selectAll();
  combo->setFocus();
}

void CMainFrame::OnOpenTextFile() {
  std::optional<QString> path =
      CurrentPrompter().OpenFileName(QStringLiteral("打开文件"), m_options.programFolder,
                                     QStringLiteral("文本文件 (*.txt *.csv);;所有文件 (*)"));
  if (path) m_openUrl(QUrl::fromLocalFile(*path));
}

void CMainFrame::OnSerialSettings() { m_portSetup->ChangeSettings(); }

void CMainFrame::OnAbout() {
  AboutDialog dialog(QStringLiteral(ZEMBRA_VERSION_TEXT), this);
  dialog.exec();
}

void CMainFrame::OnHelp() {
  // A missing manual is not reported, as before: the desktop says nothing.
  m_openUrl(QUrl::fromLocalFile(QDir(m_options.programFolder).filePath(QString::fromUtf8(kManualFile))));
}

void CMainFrame::StopLink() {
  if (m_linkStopped) return;
  m_linkStopped = true;
  // The pages are children and outlive the engine they talk over; a read
  // or write still running must not go on over a closing link.
  m_sheet->ParameterPage().DetachLink();
  m_portWatcher->StopWatching();
  // The window is going: standard error is the only place left to say it.
  if (const SendResult stopped = m_engine.StopStreamsWhileMonitoring(); !WasSent(stopped))
    std::fprintf(stderr, "zembra: 退出时未能停止驱动器的采样数据流（%s）\n",
                 RefusalReason(stopped).toLocal8Bit().constData());
  m_sheet->MonitorPage().DetachLink();
  // Joining the receive thread is the wait: it wakes at once and ends.
  m_engine.StopReceiveThread();
  // The port is free for another program as soon as the window has gone,
  // not only when the process has.
  m_engine.ClosePort();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  StopLink();
  event->accept();
}

}  // namespace zembra
