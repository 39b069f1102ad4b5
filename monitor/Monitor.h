#pragma once
// The monitoring page, second tab of the sheet view: polls one quantity
// ten times a second, or as fast as the line carries with fast sampling,
// and charts the answers live, moves the motor and
// latches its emergency stop, and lets the user pan, zoom and export the
// curves. The link work, the sample handling, the view arithmetic and the
// motion states are plain classes; the page wires them to its controls.
#include <QSize>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "monitor/MonitorControls.h"
#include "monitor/MonitorSession.h"
#include "monitor/MonitorSettings.h"
#include "monitor/MotionController.h"
#include "monitor/ChartScale.h"
#include "monitor/PollPacer.h"
#include "monitor/SampleStore.h"
#include "monitor/StepRunHistory.h"
#include "monitor/StepTest.h"
#include "monitor/ViewNavigator.h"
#include "pagehost/PropertyViewPage.h"

namespace zembra {

class CLineChartCtrl;
class TransactionEngine;

class CMonitor : public CPropertyViewPage {
  Q_OBJECT

 public:
  enum : int { IDD = 142 };
  // The size the page is laid out for; the host fits its view to it.
  static constexpr QSize kTemplateSize{800, 560};
  static constexpr std::uint32_t kPollPeriodMs = 100;
  static constexpr std::uint32_t kReadoutPeriodMs = 100;
  static constexpr std::uint32_t kStepTickMs = 10;
  // The kept step tests are drawn on series of their own after the five
  // monitoring series, one per colour of the runs' palette.
  static constexpr int kRunSeriesBase = SampleStore::kSeriesCount;

  using StatusSink = std::function<void(const QString&)>;
  using SpikeFactorSource = std::function<SpikeFactors()>;
  // The loop gains and acceleration the parameter page shows for a kind of step.
  using StepGainSource = std::function<StepGains(StepKind)>;
  // Whether the parameter page runs a read, write or other operation.
  using BusySource = std::function<bool()>;

  CMonitor();
  ~CMonitor() override;

  void AttachLink(TransactionEngine& engine);
  // Before the engine goes: gives the link back if the page holds it.
  void DetachLink();
  // Where the page's progress texts go (the main frame's status pane).
  void SetStatusSink(StatusSink sink) { m_status = std::move(sink); }
  // Maximum speed and encoder resolution, taken each time the page is shown.
  void SetSpikeFactorSource(SpikeFactorSource source) { m_spikeFactors = std::move(source); }
  // Taken when a step test starts, so each run is labelled with what it ran with.
  void SetStepGainSource(StepGainSource source) { m_stepGains = std::move(source); }
  void SetParameterBusySource(BusySource source) { m_parameterBusy = std::move(source); }

  // A polled value with its arrival time, charted in a message of its own
  // so a burst of replies never draws inside the link's delivery.
  void QueueSample(const PolledValue& value);

  std::intptr_t OnMessage(const WindowMessage& message) override;
  void OnTimer(std::uint32_t timerId) override;
  bool UpdateData(bool save) override;

  CLineChartCtrl& Chart();
  const SampleStore& Samples() const { return m_samples; }
  const MonitorSettings& Settings() const { return m_settings; }
  const MonitorControls& Controls() const { return m_controls; }
  bool Monitoring() const { return m_session.Monitoring(); }
  bool ZoomMode() const { return m_zoomMode; }
  bool Running() const { return m_motion.Running(); }
  bool EmergencyLatched() const { return m_motion.Latched(); }
  const StepTest& Step() const { return m_stepTest; }
  const StepRunHistory& Runs() const { return m_runs; }
  // The chart shows the kept step tests rather than the monitoring samples.
  bool StepView() const { return m_stepView; }

 protected:
  bool OnInitDialog() override;

 private:
  enum class StopCause { Button, Leaving, Timeout, ConnectionLost, StepEnded };

  void Wire();
  void Status(const QString& text);
  bool CheckConnected();
  void ShowError(const QString& text);

  void OnStart();
  void StopMonitoring(StopCause cause);
  void OnPollTimer();
  void Poll(std::uint32_t now);
  void OnAnswer(const PollAnswer& answer);
  void ShowLinkRate(std::uint32_t now);
  void ChartPendingSamples();
  void OnSample(const PolledValue& value);
  // The step test: "开始" (or "中止" while a run goes on), its samples,
  // its schedule, and what the page shows once it ended.
  void OnStepButton();
  void OnStepSample(MonitorSeries series, std::int32_t value, std::uint32_t tick);
  void OnStepTick();
  void HandleStepEvent(StepEvent event);
  void ShowStepOutcome();
  void EnterStepView();
  void LeaveStepView();
  void ReplayRuns();
  void OnClearRuns();
  void OnRun();
  void OnEmergencyStop();
  void ShowMotionCaptions();

  // View changes: each redraws the grid and replays the samples.
  void ChangeView(const std::function<void(ViewNavigator&)>& change, bool readSettingsFirst);
  void OnZoomMode();
  void SetZoomMode(bool on);
  void OnZoomSelection(const ChartSelection& selection);
  void OnCapture();
  void OnSetYSpan();
  void OnSetXSpan();
  void OnContentChanged();
  void DrawGrid();
  void Replay();
  void RedrawView();
  void UpdateCursorReadout();

  void OnExportData();
  void OnExportImage();
  std::optional<QString> AskExportPath(const QString& caption, const QString& filter, const QString& suffix);

  MonitorControls m_controls;
  MonitorSettings m_settings;
  MonitorSession m_session;
  PollPacer m_pacer;
  std::deque<PolledValue> m_pendingSamples;
  MotionController m_motion;
  SampleStore m_samples;
  StatusSink m_status;
  SpikeFactorSource m_spikeFactors;
  StepGainSource m_stepGains;
  BusySource m_parameterBusy;
  StepTest m_stepTest;
  StepTestSetup m_stepSetup;
  StepGains m_runGains;  // of the run going on
  StepRunHistory m_runs;
  bool m_stepOwnsLink = false;  // the link is held for a step test, not for monitoring
  bool m_stepView = false;
  ChartScale m_monitorScale;  // the monitoring view, given back when the step view is left
  bool m_zoomMode = false;
  SendResult m_lastPoll = SendResult::Sent;
  QString m_exportFolder;
};

}  // namespace zembra
