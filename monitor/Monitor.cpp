#include "monitor/Monitor.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTextDocument>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "link/TransactionEngine.h"
#include "monitor/AtomicFile.h"
#include "monitor/AxisLabels.h"
#include "monitor/ChartAxesPanel.h"
#include "monitor/ChartSelection.h"
#include "monitor/LineChartCtrl.h"
#include "monitor/SampleCsv.h"
#include "monitor/StepRunCsv.h"
#include "monitor/ViewButtonIcons.h"
#include "platform/Gbk.h"
#include "platform/Prompter.h"
#include "platform/Tick.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

// Series colours, in the order the series are added.
const QColor kSeriesColours[SampleStore::kSeriesCount] = {
    QColor(255, 255, 0),  // reference: fed by nothing
    QColor(255, 0, 0),    // speed
    QColor(0, 0, 255),    // position
    QColor(255, 0, 255),  // current
    QColor(0, 255, 64),   // any other reply
};
const QColor kGridColour(0xF0, 0xF0, 0xF0);

int SeriesIndex(MonitorSeries s) { return static_cast<int>(s); }

// The readout's "%d" of a value that may lie far outside int.
int Truncated(double v) {
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(std::trunc(v), lo, hi));
}

}  // namespace

CMonitor::CMonitor()
    : CPropertyViewPage(IDD, kTemplateSize, QStringLiteral("PID调试")),
      m_motion([this](const std::string& command) { return m_session.SendMotion(command, TickCount()); },
               [this](const QString& text) { Status(text); },
               [this](const QString& refusal) { m_controls.ShowMotionRefusal(refusal); }),
      m_spikeFactors([] { return SpikeFactors{}; }),
      m_stepTest([this](const std::string& command) { return m_session.SendMotion(command, TickCount()); }),
      m_exportFolder(QDir::homePath()) {
  setObjectName(QStringLiteral("CMonitor"));
  setAccessibleName(QStringLiteral("PID调试"));
}

CMonitor::~CMonitor() = default;

void CMonitor::AttachLink(TransactionEngine& engine) {
  m_session.Attach(engine);
  m_session.SetAnswerSink([this](const PollAnswer& answer) { OnAnswer(answer); });
}

void CMonitor::QueueSample(const PolledValue& value) {
  m_pendingSamples.push_back(value);
  // One message charts everything queued until it is handled.
  if (m_pendingSamples.size() == 1) PostMessage(Handle(), WM_MON_SAMPLE);
}

void CMonitor::DetachLink() {
  KillTimer(Handle(), TIMER_MONITOR_POLL);
  KillTimer(Handle(), TIMER_STEP_TEST);
  m_session.Detach();
}

CLineChartCtrl& CMonitor::Chart() { return m_controls.axes->Chart(); }

bool CMonitor::OnInitDialog() {
  m_controls.Build(this);
  m_controls.Show(m_settings);

  CLineChartCtrl& chart = Chart();
  chart.SetNotifyWindow(Handle());
  chart.AttachToFrame();
  for (const QColor& colour : kSeriesColours) chart.AddSeries(colour);
  for (int i = 0; i < StepRunHistory::kPaletteSize; ++i) chart.AddSeries(StepRunHistory::Colour(i));
  m_controls.step.Show(m_stepSetup);
  chart.SetYRange(2000, 0);
  chart.SetXRange(0, 20000);
  SetTimer(Handle(), TIMER_CURSOR_READOUT, kReadoutPeriodMs);
  DrawGrid();
  SetZoomMode(false);
  ShowMotionCaptions();
  m_controls.axes->SetUnit(AxisLabels::YUnit(m_settings.content));
  ViewNavigator(chart.Scale()).ApplyBaseLine(m_settings.yBaseLine, m_settings.yReference);
  RedrawView();
  Wire();
  return true;
}

void CMonitor::Wire() {
  const MonitorControls& c = m_controls;
  connect(c.start, &QPushButton::clicked, this, [this] { OnStart(); });
  connect(c.stop, &QPushButton::clicked, this, [this] { StopMonitoring(StopCause::Button); });
  connect(c.run, &QPushButton::clicked, this, [this] { OnRun(); });
  connect(c.emergencyStop, &QPushButton::clicked, this, [this] { OnEmergencyStop(); });
  auto view = [this](QAbstractButton* button, auto change, bool readFirst) {
    connect(button, &QAbstractButton::clicked, this, [this, change, readFirst] { ChangeView(change, readFirst); });
  };
  view(c.panLeft, [](ViewNavigator& n) { n.PanLeft(); }, false);
  view(c.panRight, [](ViewNavigator& n) { n.PanRight(); }, false);
  view(c.zoomXIn, [](ViewNavigator& n) { n.ZoomXIn(); }, false);
  view(c.zoomXOut, [](ViewNavigator& n) { n.ZoomXOut(); }, false);
  view(c.panUp, [](ViewNavigator& n) { n.PanUp(); }, false);
  view(c.panDown, [](ViewNavigator& n) { n.PanDown(); }, false);
  view(c.zoomYIn, [this](ViewNavigator& n) { n.ZoomYIn(m_settings.yReference); }, true);
  view(c.zoomYOut, [this](ViewNavigator& n) { n.ZoomYOut(m_settings.yReference); }, true);
  view(c.origin, [this](ViewNavigator& n) { n.Origin(m_settings.yReference); }, true);
  view(c.setYBase, [this](ViewNavigator& n) { n.ApplyBaseLine(m_settings.yBaseLine, m_settings.yReference); }, true);
  connect(c.setYSpan, &QPushButton::clicked, this, [this] { OnSetYSpan(); });
  connect(c.setXSpan, &QPushButton::clicked, this, [this] { OnSetXSpan(); });
  connect(c.capture, &QPushButton::clicked, this, [this] { OnCapture(); });
  connect(c.zoomMode, &QToolButton::clicked, this, [this] { OnZoomMode(); });
  for (QRadioButton* option : c.content)
    connect(option, &QRadioButton::clicked, this, [this] { OnContentChanged(); });
  connect(c.exportData, &QPushButton::clicked, this, [this] { OnExportData(); });
  connect(c.exportImage, &QPushButton::clicked, this, [this] { OnExportImage(); });
  connect(c.step.start, &QPushButton::clicked, this, [this] { OnStepButton(); });
  connect(c.step.clear, &QPushButton::clicked, this, [this] { OnClearRuns(); });
  // A new size or pixel density leaves a blank image: draw the view again.
  connect(&Chart(), &CLineChartCtrl::plotResized, this, [this] {
    DrawGrid();
    Replay();
  });
}

bool CMonitor::UpdateData(bool save) {
  if (!m_controls.axes) return true;  // no controls yet
  if (save) return m_controls.Read(m_settings);
  m_controls.Show(m_settings);
  m_controls.step.Show(m_stepSetup);
  return true;
}

void CMonitor::Status(const QString& text) {
  if (m_status) m_status(text);
}

void CMonitor::ShowError(const QString& text) {
  CurrentPrompter().ShowMessage(text, QString::fromUtf8(kErrorCaption), PromptIcon::Error);
}

bool CMonitor::CheckConnected() {
  if (m_session.Connected()) return true;
  ShowError(QStringLiteral("请先连接驱动器"));
  return false;
}

std::intptr_t CMonitor::OnMessage(const WindowMessage& message) {
  switch (message.msg) {
    case WM_MON_SAMPLE:
      ChartPendingSamples();
      return 0;
    case WM_MON_TIMEOUT:
      if (m_session.Monitoring()) StopMonitoring(StopCause::Timeout);
      return 0;
    case WM_PAGE_ACTIVATED:
      if (m_session.Connected()) m_samples.SetSpikeFactors(m_spikeFactors());
      return 0;
    case WM_PAGE_LEAVING:
      if (m_session.Monitoring()) StopMonitoring(StopCause::Leaving);
      SetZoomMode(false);
      return 0;
    case WM_CHART_SELECT:
      if (message.wParam) OnZoomSelection(*reinterpret_cast<const ChartSelection*>(message.wParam));
      return 0;
    default:
      return MessageWindow::OnMessage(message);
  }
}

void CMonitor::OnTimer(std::uint32_t timerId) {
  switch (timerId) {
    case TIMER_MONITOR_POLL:
      OnPollTimer();
      break;
    case TIMER_CURSOR_READOUT:
      UpdateCursorReadout();
      break;
    case TIMER_STEP_TEST:
      OnStepTick();
      break;
    default:
      break;
  }
}

// --- monitoring -------------------------------------------------------------

void CMonitor::OnStart() {
  if (!CheckConnected()) {
    UpdateData(false);
    return;
  }
  if (!UpdateData(true)) return;
  const std::uint32_t now = TickCount();
  // Held already, or another window awaits a reply: nothing happens, as
  // the page always did.
  if (!WasSent(m_session.Begin(m_settings.content, ToGbk(m_settings.userCommand) + "\r", now))) return;
  LeaveStepView();
  CLineChartCtrl& chart = Chart();
  if (chart.Scale().x.min > 0.000001) chart.SetXRange(0, chart.Scale().x.span);
  DrawGrid();
  Status(QStringLiteral("开始监测"));
  m_samples.Clear();
  m_pendingSamples.clear();
  m_controls.axes->update();
  m_pacer.Start(m_settings.fastSampling);
  SetTimer(Handle(), TIMER_MONITOR_POLL, kPollPeriodMs);
  m_controls.SetContentEnabled(false);
  m_controls.ShowMonitoring(true);
  m_lastPoll = SendResult::Sent;
  ShowLinkRate(now);
}

void CMonitor::ShowLinkRate(std::uint32_t now) {
  QString text = m_session.RateText(now);
  if (!WasSent(m_lastPoll)) text += QStringLiteral("，轮询命令未能发出（%1）").arg(RefusalReason(m_lastPoll));
  QLabel* label = m_controls.linkRate;
  label->setText(text);
  // A screen reader reads the name, so the name carries the rates too.
  label->setAccessibleName(QStringLiteral("通讯速率：") + text);
  const bool trouble = m_session.DriveSilent(now) || !WasSent(m_lastPoll);
  label->setStyleSheet(trouble ? QStringLiteral("color: #c01010;") : QString());
}

void CMonitor::StopMonitoring(StopCause cause) {
  // Stopping is never refused: it sends nothing, and a field left invalid
  // or a lost connection must not keep the page owning the link.
  if (!m_session.Monitoring()) return;
  if (m_stepTest.Active()) {
    // A run cut short by anything but its own end stops the motor it moved.
    switch (cause) {
      case StopCause::Button: (void)m_stepTest.Abort(QStringLiteral("已由用户停止"), true); break;
      case StopCause::Leaving: (void)m_stepTest.Abort(QStringLiteral("离开了本页"), true); break;
      case StopCause::Timeout: (void)m_stepTest.Abort(QStringLiteral("驱动器应答超时"), true); break;
      case StopCause::ConnectionLost: (void)m_stepTest.Abort(QStringLiteral("连接已断开"), true); break;
      case StopCause::StepEnded: break;
    }
  }
  m_session.End();
  KillTimer(Handle(), TIMER_MONITOR_POLL);
  KillTimer(Handle(), TIMER_STEP_TEST);
  Status(QStringLiteral("停止监测"));
  m_controls.SetContentEnabled(true);
  m_controls.ShowMonitoring(false);
  m_controls.linkRate->setStyleSheet(QString());
  switch (cause) {
    case StopCause::Button:
      break;
    case StopCause::Leaving:
      UpdateData(false);
      break;
    case StopCause::Timeout:
      CurrentPrompter().ShowMessage(QStringLiteral("超时，已关闭监测"), QStringLiteral("伺服运控管理系统"),
                                    PromptIcon::None);
      break;
    case StopCause::ConnectionLost:
      m_controls.linkRate->setText(QStringLiteral("连接已断开，监测已停止"));
      m_controls.linkRate->setAccessibleName(QStringLiteral("通讯速率：连接已断开，监测已停止"));
      break;
    case StopCause::StepEnded:
      break;
  }
  if (m_stepOwnsLink) {
    m_stepOwnsLink = false;
    // Answers taken before the link went back belong to the run, not to
    // the monitoring samples kept for the view.
    m_pendingSamples.clear();
    ShowStepOutcome();
  }
}

void CMonitor::OnPollTimer() {
  // The connection is gone (the port was lost): polling a dead line would
  // keep the link from every other window, the reconnection included.
  if (!m_session.Connected()) {
    StopMonitoring(StopCause::ConnectionLost);
    return;
  }
  const std::uint32_t now = TickCount();
  if (m_pacer.DueOnTick(now)) Poll(now);
  // With fast sampling the texts follow the timer, not each poll: a label
  // restyled two hundred times a second would cost the window its pace.
  Status(m_session.PollStatus());
  ShowLinkRate(now);
}

void CMonitor::Poll(std::uint32_t now) {
  m_lastPoll = m_session.Poll(now).sent;
  m_pacer.Polled(now, WasSent(m_lastPoll));
}

void CMonitor::OnAnswer(const PollAnswer& answer) {
  if (answer.value) QueueSample(*answer.value);
  // The next fast poll goes out from the answer's delivery itself: a
  // posted one could meet a timer tick's poll and ask twice.
  if (m_pacer.DueOnAnswer() && m_session.Monitoring() && m_session.Connected()) Poll(TickCount());
}

void CMonitor::ChartPendingSamples() {
  std::deque<PolledValue> samples;
  samples.swap(m_pendingSamples);
  // A run that ends inside the batch (overspeed) leaves the rest to no one:
  // they were asked for the run and must not become monitoring samples.
  const bool stepping = m_stepOwnsLink;
  for (const PolledValue& value : samples) {
    if (m_stepOwnsLink != stepping) break;
    OnSample(value);
  }
}

void CMonitor::OnSample(const PolledValue& value) {
  const MonitorSeries series = value.series;
  if (SeriesIndex(series) < 0 || SeriesIndex(series) >= SampleStore::kSeriesCount) return;
  if (m_stepOwnsLink) {
    OnStepSample(series, value.value, value.time);
    return;
  }
  CLineChartCtrl& chart = Chart();
  // Stamped with its own arrival, so samples charted in one batch keep
  // their spacing.
  const SampleResult result = m_samples.Add(series, value.value, value.time, chart.Scale().x);
  const MonitorSample& s = result.sample;
  switch (result.outcome) {
    case SampleOutcome::First:
      chart.MoveTo(SeriesIndex(series), 0, s.value);
      break;
    case SampleOutcome::TimedOut:
      PostMessage(Handle(), WM_MON_TIMEOUT);
      break;
    case SampleOutcome::SameTick:
    case SampleOutcome::HeldBack:
      break;
    case SampleOutcome::NextPage:
      // A new page starts empty, with every pen at its newest sample.
      chart.SetXRange(result.page.min, result.page.max);
      DrawGrid();
      m_controls.axes->update();
      for (int i = 0; i < SampleStore::kSeriesCount; ++i) {
        const SampleStore::List& list = m_samples.Samples(static_cast<MonitorSeries>(i));
        if (!list.empty()) chart.MoveTo(i, list.back().time, list.back().value);
      }
      break;
    case SampleOutcome::Draw:
      chart.LineTo(SeriesIndex(series), s.time, s.value);
      chart.Refresh();
      break;
  }
}

// --- motion -----------------------------------------------------------------

void CMonitor::OnRun() {
  if (!CheckConnected()) return;
  // Stopping a run needs no settings: a field left invalid must not keep
  // the motor turning.
  if (!m_motion.Running() && !UpdateData(true)) return;
  m_motion.Run(m_settings);
  ShowMotionCaptions();
}

void CMonitor::OnEmergencyStop() {
  if (!CheckConnected()) return;
  const bool wasLatched = m_motion.Latched();
  m_motion.EmergencyStop();
  ShowMotionCaptions();
  if (m_stepTest.Active()) {
    // The emergency stop halts the motor; when it did not go out, V0 still tries.
    const bool latched = !wasLatched && m_motion.Latched();
    HandleStepEvent(m_stepTest.Abort(QStringLiteral("按下了急停"), !latched));
  }
}

// --- step test --------------------------------------------------------------

void CMonitor::OnStepButton() {
  if (m_stepTest.Active()) {
    HandleStepEvent(m_stepTest.Abort(QStringLiteral("已由用户中止"), true));
    return;
  }
  if (!m_controls.step.Read(m_stepSetup)) return;
  const SpikeFactors factors = m_spikeFactors();
  StepTestConditions conditions;
  conditions.connected = m_session.Connected();
  conditions.parameterOperation = m_parameterBusy && m_parameterBusy();
  conditions.monitoring = m_session.Monitoring();
  conditions.motorRunning = m_motion.Running();
  conditions.maxSpeed = factors.maxSpeed;
  conditions.encoderResolution = factors.encoderResolution;
  const std::uint32_t now = TickCount();
  if (std::optional<QString> refusal = m_stepTest.Start(m_stepSetup, conditions, now)) {
    m_controls.step.ShowTrouble(*refusal);
    return;
  }
  const bool speedStep = m_stepSetup.kind == StepKind::SpeedStep;
  const SendResult taken =
      m_session.Begin(speedStep ? MonitorContent::Speed : MonitorContent::Position, std::string(), now);
  if (!WasSent(taken)) {
    (void)m_stepTest.Abort(QStringLiteral("无法开始采样（%1）").arg(RefusalReason(taken)), false);
    m_controls.step.ShowTrouble(m_stepTest.Trouble());
    return;
  }
  m_stepOwnsLink = true;
  m_runGains = m_stepGains ? m_stepGains(m_stepSetup.kind) : StepGains{};
  m_controls.step.ShowTrouble(QString());
  m_controls.step.ShowRunning(true);
  m_controls.SetContentEnabled(false);
  m_controls.ShowMonitoring(true);
  EnterStepView();
  const double pre = StepTest::PreStepMs(m_stepSetup);
  Chart().SetXRange(-pre, m_stepSetup.recordMs - pre);
  if (speedStep) ViewNavigator(Chart().Scale()).FitRoundY(std::min(0, m_stepSetup.size), std::max(0, m_stepSetup.size));
  m_controls.axes->SetUnit(speedStep ? QStringLiteral("RPM") : QString());
  RedrawView();
  Status(QStringLiteral("阶跃测试：采样中"));
  // A step test samples at the wire's speed, whatever the page's own choice.
  m_pendingSamples.clear();
  m_pacer.Start(true);
  SetTimer(Handle(), TIMER_MONITOR_POLL, kPollPeriodMs);
  SetTimer(Handle(), TIMER_STEP_TEST, kStepTickMs);
  Poll(now);
}

void CMonitor::OnStepSample(MonitorSeries series, std::int32_t value, std::uint32_t tick) {
  const MonitorSeries watched =
      m_stepSetup.kind == StepKind::SpeedStep ? MonitorSeries::Speed : MonitorSeries::Position;
  if (series != watched || !m_stepTest.Active()) return;
  const bool first = !m_stepTest.Newest();
  const StepEvent event = m_stepTest.OnSample(value, tick);
  if (event != StepEvent::None) {
    HandleStepEvent(event);
    return;
  }
  const std::optional<TimedValue> newest = m_stepTest.Newest();
  if (!newest) return;
  CLineChartCtrl& chart = Chart();
  const int live = kRunSeriesBase + m_runs.NextColour();
  if (first)
    chart.MoveTo(live, newest->timeMs, newest->value);
  else
    chart.LineTo(live, newest->timeMs, newest->value);
  chart.Refresh();
}

void CMonitor::OnStepTick() {
  // Answers already taken count before the clock: a busy window must not
  // end a recording short of samples it holds.
  ChartPendingSamples();
  if (m_stepTest.Active()) HandleStepEvent(m_stepTest.Tick(TickCount()));
}

void CMonitor::HandleStepEvent(StepEvent event) {
  switch (event) {
    case StepEvent::None:
      return;
    case StepEvent::StepSent:
      // The pre-step samples were drawn from when the step was due; it
      // went out later when the drive was slow to answer.
      if (m_stepSetup.kind == StepKind::RelativeMove && m_stepTest.Target()) {
        const std::vector<TimedValue> before = m_stepTest.SamplesFromStep();
        const double from = before.empty() ? *m_stepTest.Target() : before.back().value;
        ViewNavigator(Chart().Scale()).FitRoundY(from, *m_stepTest.Target());
      }
      Status(QStringLiteral("阶跃测试：已发出阶跃，记录中"));
      RedrawView();
      return;
    case StepEvent::Finished:
    case StepEvent::Aborted:
      StopMonitoring(StopCause::StepEnded);
      return;
  }
}

void CMonitor::ShowStepOutcome() {
  const bool done = m_stepTest.Phase() == StepPhase::Done;
  if (done) {
    StepRun run;
    run.kind = m_stepSetup.kind;
    run.size = m_stepSetup.size;
    run.target = m_stepTest.Target().value_or(0.0);
    run.samples = m_stepTest.SamplesFromStep();
    run.figures = m_stepTest.Figures();
    run.gains = m_runGains;
    m_runs.Add(std::move(run));
  }
  m_controls.step.ShowRunning(false);
  m_controls.step.ShowTrouble(m_stepTest.Trouble());
  m_controls.step.ShowRuns(m_runs);
  Status(done ? QStringLiteral("阶跃测试完成") : QStringLiteral("阶跃测试中止"));
  if (done) {
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const StepRun& kept : m_runs.Runs()) {
      for (const TimedValue& v : kept.samples) {
        low = std::min(low, v.value);
        high = std::max(high, v.value);
      }
    }
    if (low <= high) ViewNavigator(Chart().Scale()).FitRoundY(low, high);
  }
  RedrawView();
}

void CMonitor::EnterStepView() {
  if (m_stepView) return;
  m_monitorScale = Chart().Scale();
  m_stepView = true;
}

void CMonitor::LeaveStepView() {
  if (!m_stepView) return;
  m_stepView = false;
  Chart().SetXRange(m_monitorScale.x.min, m_monitorScale.x.max);
  Chart().SetYRange(m_monitorScale.y.max, m_monitorScale.y.min);
  m_controls.axes->SetUnit(AxisLabels::YUnit(m_settings.content));
}

void CMonitor::ReplayRuns() {
  CLineChartCtrl& chart = Chart();
  const AxisRange x = chart.Scale().x;
  auto draw = [&](int series, const std::vector<TimedValue>& samples) {
    bool started = false;
    for (const TimedValue& s : samples) {
      if (!started) {
        if (s.timeMs < x.min) continue;
        if (s.timeMs > x.max) break;
        chart.MoveTo(series, s.timeMs, s.value);
        started = true;
      } else if (s.timeMs <= x.max) {
        chart.LineTo(series, s.timeMs, s.value);
      }
    }
  };
  for (const StepRun& run : m_runs.Runs()) draw(kRunSeriesBase + run.colourIndex, run.samples);
  if (m_stepTest.Active()) draw(kRunSeriesBase + m_runs.NextColour(), m_stepTest.SamplesFromStep());
  chart.Refresh();
}

void CMonitor::OnClearRuns() {
  if (m_stepTest.Active()) return;
  m_runs.Clear();
  m_controls.step.ShowRuns(m_runs);
  m_controls.step.ShowTrouble(QString());
  LeaveStepView();
  RedrawView();
}

void CMonitor::ShowMotionCaptions() {
  m_controls.run->setText(m_motion.RunCaption());
  m_controls.run->setAccessibleName(m_motion.RunCaption());
  m_controls.emergencyStop->setText(m_motion.EmergencyCaption());
  m_controls.emergencyStop->setAccessibleName(m_motion.EmergencyCaption());
}

// --- the view ---------------------------------------------------------------

void CMonitor::DrawGrid() {
  CLineChartCtrl& chart = Chart();
  chart.ClearPlot();
  for (int i = 1; i <= 9; ++i) chart.DrawVerticalLine(i, 10, kGridColour, Qt::SolidLine);
  for (int i = 5; i <= 95; i += 5) chart.DrawHorizontalLine(i, 100, kGridColour, Qt::SolidLine);
  chart.DrawHorizontalLine(50, 100, Qt::black, Qt::SolidLine);
  m_controls.axes->update();
}

void CMonitor::Replay() {
  if (m_stepView) {
    ReplayRuns();
    return;
  }
  CLineChartCtrl& chart = Chart();
  const AxisRange x = chart.Scale().x;
  for (int i = 0; i < SampleStore::kSeriesCount; ++i) {
    m_samples.Replay(static_cast<MonitorSeries>(i), x.min, x.max, [&](ReplayStep step, const MonitorSample& s) {
      if (step == ReplayStep::Move)
        chart.MoveTo(i, s.time, s.value);
      else
        chart.LineTo(i, s.time, s.value);
    });
  }
  chart.Refresh();
}

void CMonitor::RedrawView() {
  DrawGrid();
  Replay();
}

void CMonitor::ChangeView(const std::function<void(ViewNavigator&)>& change, bool readSettingsFirst) {
  if (readSettingsFirst && !UpdateData(true)) return;
  ViewNavigator navigator(Chart().Scale());
  change(navigator);
  RedrawView();
}

void CMonitor::OnSetYSpan() {
  if (!UpdateData(true)) return;
  if (m_settings.ySpan < ChartScale::kMinYSpan) {
    ShowError(QStringLiteral("Y轴跨度不能小于20"));
    return;
  }
  ChangeView([this](ViewNavigator& n) { n.ApplyYSpan(m_settings.ySpan, m_settings.yReference); }, false);
}

void CMonitor::OnSetXSpan() {
  if (!UpdateData(true)) return;
  if (m_settings.xSpan < ChartScale::kMinXSpan) {
    ShowError(QStringLiteral("X轴跨度不能小于100"));
    return;
  }
  ChangeView([this](ViewNavigator& n) { n.ApplyXSpan(m_settings.xSpan); }, false);
}

void CMonitor::OnCapture() {
  if (!UpdateData(true)) return;
  const MonitorSeries series =
      m_settings.content == MonitorContent::Speed ? MonitorSeries::Speed : MonitorSeries::Position;
  const SampleStore::List& list = m_samples.Samples(series);
  if (list.size() < 2) return;
  const MonitorSample newest = list.back();
  ChangeView([newest](ViewNavigator& n) { n.Capture(newest); }, false);
}

void CMonitor::OnZoomMode() { SetZoomMode(!m_zoomMode); }

void CMonitor::SetZoomMode(bool on) {
  m_zoomMode = on;
  QToolButton* button = m_controls.zoomMode;
  if (!button) return;
  button->setChecked(on);
  button->setIcon(ViewButtonIcons::Make(on ? ViewIcon::ZoomModeOn : ViewIcon::ZoomModeOff));
}

void CMonitor::OnZoomSelection(const ChartSelection& selection) {
  if (!m_zoomMode) return;
  ViewNavigator navigator(Chart().Scale());
  if (navigator.ZoomTo(selection)) RedrawView();
}

void CMonitor::OnContentChanged() {
  if (!UpdateData(true)) return;
  m_controls.axes->SetUnit(AxisLabels::YUnit(m_settings.content));
  update();
}

void CMonitor::UpdateCursorReadout() {
  if (!m_controls.axes) return;
  CLineChartCtrl& chart = Chart();
  const auto [fx, fy] = chart.GetCursorFractions();
  const ChartScale& scale = chart.Scale();
  const QString x = QString::number(Truncated(fx * scale.x.span + scale.x.min));
  const QString y = QString::number(Truncated(fy * scale.y.span + scale.y.min));
  if (m_controls.cursorX->text() != x) m_controls.cursorX->setText(x);
  if (m_controls.cursorY->text() != y) m_controls.cursorY->setText(y);
}

// --- export -----------------------------------------------------------------

std::optional<QString> CMonitor::AskExportPath(const QString& caption, const QString& filter, const QString& suffix) {
  std::optional<QString> path = CurrentPrompter().SaveFileName(caption, m_exportFolder, filter);
  if (!path || path->isEmpty()) return std::nullopt;
  if (QFileInfo(*path).suffix().isEmpty()) *path += QLatin1Char('.') + suffix;
  m_exportFolder = QFileInfo(*path).absolutePath();
  return path;
}

void CMonitor::OnExportData() {
  // What the chart shows is what is exported: the kept runs in the step
  // view, the monitoring samples otherwise.
  const bool runs = m_stepView && !m_runs.Empty();
  if (!runs && m_samples.Empty()) {
    CurrentPrompter().ShowMessage(QStringLiteral("没有可导出的数据：请先监测。"), QString::fromUtf8(kErrorCaption),
                                  PromptIcon::Information);
    return;
  }
  // Taken now, so a running session goes on while the dialog is open.
  const QByteArray csv = runs ? StepRunCsv::Format(m_runs) : SampleCsv::Format(m_samples);
  const std::optional<QString> path =
      AskExportPath(QStringLiteral("导出数据"), QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("csv"));
  if (!path) return;
  if (std::optional<QString> error = AtomicFile::Write(*path, csv)) {
    ShowError(*error);
    return;
  }
  Status(QStringLiteral("数据已导出"));
}

void CMonitor::OnExportImage() {
  QImage image = m_controls.axes->Snapshot();
  if (m_stepView && !m_runs.Empty()) {
    // The overlay means nothing without its legend: the figures and a
    // line per run go under the chart, laid out for the image's width
    // whatever room the page gives the labels.
    QTextDocument text;
    text.setDefaultFont(m_controls.step.legend->font());
    text.setHtml(QStringLiteral("<b>%1</b><br>%2").arg(m_controls.step.figures->text().toHtmlEscaped(),
                                                        m_controls.step.legend->text()));
    text.setTextWidth(image.deviceIndependentSize().width() - 16);
    const qreal ratio = image.devicePixelRatio();
    const QSizeF chartSize = image.deviceIndependentSize();
    QImage whole((QSizeF(chartSize.width(), chartSize.height() + text.size().height() + 8) * ratio).toSize(),
                 QImage::Format_RGB32);
    whole.setDevicePixelRatio(ratio);
    whole.fill(Qt::white);
    QPainter painter(&whole);
    painter.drawImage(QPointF(0, 0), image);
    painter.translate(8, chartSize.height() + 4);
    text.drawContents(&painter);
    painter.end();
    image = whole;
  }
  const std::optional<QString> path =
      AskExportPath(QStringLiteral("导出图像"), QStringLiteral("PNG 图像 (*.png)"), QStringLiteral("png"));
  if (!path) return;
  if (std::optional<QString> error = AtomicFile::WritePng(*path, image)) {
    ShowError(*error);
    return;
  }
  Status(QStringLiteral("图像已导出"));
}

}  // namespace zembra
