// The monitoring page's drawing and polling: a full replay of five series
// of 60000 samples into a 1600 x 800 chart, one sample from its message to
// the updated window, and the poll rate the page keeps for a minute
// against a drive on a 9600 baud wire, and fast sampling's rate beside the
// line's ceiling at 9600 and 19200 baud.
#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/ZembraSheetView.h"
#include "bench/BenchRow.h"
#include "bench/LatencyProbe.h"
#include "bench/Stats.h"
#include "monitor/LineChartCtrl.h"
#include "monitor/Monitor.h"
#include "monitor/SampleStore.h"
#include "platform/Profile.h"
#include "platform/Tick.h"
#include "platform/WindowMessages.h"
#include "sim/VirtualDrive.h"

namespace zembra::bench {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void ChartReplay() {
  CLineChartCtrl chart;
  chart.resize(1600, 800);
  chart.show();
  chart.AttachToFrame();
  for (QColor c : {QColor(255, 255, 0), QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 0, 255), QColor(0, 255, 64)})
    chart.AddSeries(c);
  SampleStore store;
  const AxisRange everything{0, 600000, 600000};
  for (int s = 0; s < SampleStore::kSeriesCount; ++s) {
    for (std::uint32_t i = 0; i < 60000; ++i) {
      const double value = 800.0 * std::sin(i / 500.0 + s) + 100.0 * s;
      store.Add(static_cast<MonitorSeries>(s), value, 1000 + i * 10, everything);
    }
  }
  chart.SetXRange(0, 600000);
  chart.SetYRange(1000, -1000);
  std::vector<double> times;
  for (int run = 0; run < 20; ++run) {
    const auto start = Clock::now();
    chart.ClearPlot();
    for (int s = 0; s < SampleStore::kSeriesCount; ++s) {
      store.Replay(static_cast<MonitorSeries>(s), 0, 600000, [&](ReplayStep step, const MonitorSample& sample) {
        if (step == ReplayStep::Move)
          chart.MoveTo(s, sample.time, sample.value);
        else
          chart.LineTo(s, sample.time, sample.value);
      });
    }
    chart.Refresh();
    chart.repaint();
    times.push_back(MsSince(start));
  }
  const double median = Median(times);
  Print({"Chart replay, 5 series × 60000 samples into 1600 × 800 (median of 20)", Fixed(median, 1, " ms"), "—", "—",
         "< 30 ms", median < 30});
}

// Notes when the chart is painted after a sample was posted.
class PaintWatch : public QObject {
 public:
  Clock::time_point lastPaint{};
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      lastPaint = Clock::now();
      ++paints;
    }
    return false;
  }
};

struct RunningProgram {
  explicit RunningProgram(int baud = 9600) : drive(Options(baud, wireBytesOut)) {
    Profile::UseFolderForTests(folder.path());
    std::string error;
    drive.Start(&error);
    CMainFrame::Options options;
    options.deviceOverride = QString::fromStdString(drive.SlavePath());
    options.programFolder = folder.path();
    frame = std::make_unique<CMainFrame>(link, profile, options);
    frame->resize(1600, 1000);
    frame->show();
    frame->Create();
    const auto by = Clock::now() + std::chrono::seconds(5);
    while (!link.connected && Clock::now() < by) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // Let the start-up read of the parameters finish before the page owns the link.
    const auto settle = Clock::now() + std::chrono::seconds(4);
    while (Clock::now() < settle) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    frame->SheetView().SetActivePage(CZembraSheetView::kMonitorPage);
  }
  ~RunningProgram() {
    frame.reset();
    drive.Stop();
  }
  static sim::VirtualDrive::Options Options(int baud, std::atomic<std::size_t>& bytesOut) {
    sim::VirtualDrive::Options options;
    options.wireTiming = true;
    options.baud = baud;
    // The drive's log shows each reply escaped: one byte per character or
    // escape ("\\r", "\\xHH").
    options.log = [&bytesOut](const std::string& line) {
      if (line.rfind("-> ", 0) != 0) return;
      std::size_t bytes = 0;
      for (std::size_t i = 3; i < line.size(); ++i, ++bytes)
        if (line[i] == '\\') i += line.compare(i + 1, 1, "x") == 0 ? 3 : 1;
      bytesOut += bytes;
    };
    return options;
  }
  bool StartMonitoring(bool fast = false) {
    if (auto* box = frame->SheetView().MonitorPage().findChild<QAbstractButton*>(QStringLiteral("idc_1290")))
      box->setChecked(fast);
    auto* start = frame->SheetView().MonitorPage().findChild<QAbstractButton*>(QStringLiteral("idc_1140"));
    if (!start) return false;
    start->click();
    return link.monitoring;
  }
  // The "GV" polls the drive has received.
  std::size_t Polls() const {
    std::size_t n = 0;
    for (const auto& c : drive.ReceivedCommands()) n += c == "GV";
    return n;
  }
  void Pump(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }

  QTemporaryDir folder;
  std::atomic<std::size_t> wireBytesOut{0};
  sim::VirtualDrive drive;
  LinkState link;
  Profile profile;
  std::unique_ptr<CMainFrame> frame;
};

void OneSampleAndPollRate(int seconds) {
  RunningProgram program;
  if (!program.StartMonitoring()) {
    Print({"Monitoring", "could not start", "—", "—", "", false});
    return;
  }
  // The poll rate over the minute, counted at the drive.
  program.Pump(std::chrono::seconds(1));
  const std::size_t before = program.Polls();
  const auto start = Clock::now();
  program.Pump(std::chrono::seconds(seconds));
  const double elapsed = MsSince(start) / 1000.0;
  const double rate = static_cast<double>(program.Polls() - before) / elapsed;
  Print({"Monitoring for " + std::to_string(seconds) + " s: polls per second", Fixed(rate, 2), "10 (the timer)",
         Fixed(rate / 10.0, 3), "≥ 9.9", rate >= 9.9});

  // One sample: from its message to the chart painted. The live poll is
  // stopped first so only the probe's samples draw.
  CMonitor& page = program.frame->SheetView().MonitorPage();
  auto* stop = page.findChild<QAbstractButton*>(QStringLiteral("idc_1169"));
  if (stop) stop->click();
  program.Pump(std::chrono::milliseconds(300));
  program.StartMonitoring();
  program.drive.SetSilent(true);
  program.Pump(std::chrono::milliseconds(300));
  PaintWatch watch;
  page.Chart().installEventFilter(&watch);
  std::vector<double> times;
  for (int i = 0; i < 300; ++i) {
    const int paintsBefore = watch.paints;
    const auto posted = Clock::now();
    page.QueueSample({MonitorSeries::Speed, i % 50, TickCount()});
    const auto by = Clock::now() + std::chrono::milliseconds(200);
    while (watch.paints == paintsBefore && Clock::now() < by)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    if (watch.paints != paintsBefore)
      times.push_back(std::chrono::duration<double, std::milli>(watch.lastPaint - posted).count());
    program.Pump(std::chrono::milliseconds(3));  // a new tick for the next sample
  }
  const double median = Median(times);
  Print({"One sample: queued → segment drawn → window updated (median of " + std::to_string(times.size()) + ")",
         Fixed(median, 3, " ms"), "—", "—", "median < 0.2 ms", times.size() > 250 && median < 0.2});
}

// Fast sampling against a drive on a line of `baud` with wire timing: the
// polls per second beside the line's ceiling (each exchange carries the
// command's and the reply's bytes at ten bits each; the virtual drive
// answers without a turnaround of its own), and the GUI's event latency
// while it runs.
void FastSampling(int baud, int seconds) {
  RunningProgram program(baud);
  if (!program.StartMonitoring(true)) {
    Print({"Fast sampling at " + std::to_string(baud) + " baud", "could not start", "—", "—", "", false});
    return;
  }
  program.Pump(std::chrono::seconds(1));
  LatencyProbe probe;
  probe.Start();
  const std::size_t before = program.Polls();
  const std::size_t bytesBefore = program.wireBytesOut;
  const auto start = Clock::now();
  program.Pump(std::chrono::seconds(seconds));
  const double elapsed = MsSince(start) / 1000.0;
  probe.Stop();
  const std::size_t polls = program.Polls() - before;
  const double rate = static_cast<double>(polls) / elapsed;
  // Only polls cross the line while the page samples.
  const double replyBytes = polls ? static_cast<double>(program.wireBytesOut - bytesBefore) / polls : 0.0;
  const double commandBytes = 3.0;  // "GV\r"
  const double exchangeBytes = commandBytes + replyBytes;
  const double ceiling = exchangeBytes > 0 ? baud / (10.0 * exchangeBytes) : 0.0;
  const std::string what = "Fast sampling at " + std::to_string(baud) + " baud for " + std::to_string(seconds) + " s";
  Print({what + ": polls per second", Fixed(rate, 1),
         Fixed(ceiling, 1) + " (the line, " + Fixed(exchangeBytes, 1) + " bytes an exchange)",
         Fixed(rate / ceiling, 3), "≥ 0.9", rate >= 0.9 * ceiling});
  const double p99 = Percentile(probe.latencies, 99);
  Print({what + ": GUI event latency p99", Fixed(p99, 1, " ms"), "—", "—", "< 50 ms", p99 < 50});
}

}  // namespace
}  // namespace zembra::bench

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  zembra::bench::ChartReplay();
  zembra::bench::OneSampleAndPollRate(seconds);
  zembra::bench::FastSampling(9600, seconds);
  zembra::bench::FastSampling(19200, seconds);
  return 0;
}
