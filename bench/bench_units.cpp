// Units measured alone with Google Benchmark: the frame scanner on a
// recorded mix of replies, sampling frames and parameter blocks; the
// monitoring samples taken into a full list and replayed for a view; the
// step-response figures of a long recording; the virtual drive's motor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/BenchRow.h"
#include "link/FrameScanner.h"
#include "monitor/SampleStore.h"
#include "monitor/StepResponse.h"
#include "sim/MotorModel.h"

namespace zembra::bench {
namespace {

char Checksum(const std::string& bytes) {
  unsigned sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<char>(sum & 0xFF);
}

// What a line carries while monitoring with a stream running and the odd
// parameter block: replies, short and long sampling frames, and noise.
std::string RecordedMix() {
  std::string mix;
  for (int i = 0; i < 200; ++i) {
    mix += '#';
    mix += std::to_string(1000 + i * 37);
    mix += "\r\n";
    std::string s16 = "*";
    s16 += static_cast<char>(1 + i % 3);
    s16 += static_cast<char>(i & 0x7F);
    s16 += static_cast<char>(0x10);
    s16 += Checksum(s16);
    if (s16[1] != '*' && s16.back() != '*') mix += s16;
    std::string s32 = "$";
    s32 += static_cast<char>(2);
    s32 += std::string{static_cast<char>(i), 0x01, 0x02, 0x03};
    s32 += Checksum(s32);
    if (s32[1] != '$' && s32.back() != '$') mix += s32;
    if (i % 50 == 0) {
      std::string block = "QN" + std::string(125, static_cast<char>('a' + i % 20));
      block += Checksum(block);
      mix += block;
    }
    if (i % 17 == 0) mix += "\x01\x7F zz";
  }
  return mix;
}

void FrameScannerMix(benchmark::State& state) {
  const std::string mix = RecordedMix();
  std::size_t frames = 0;
  for (auto _ : state) {
    FrameScanner scanner;
    // The receive thread gets the bytes in reads of up to a few hundred.
    for (std::size_t pos = 0; pos < mix.size(); pos += 64) frames += scanner.Feed(std::string_view(mix).substr(pos, 64), true).size();
  }
  benchmark::DoNotOptimize(frames);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(mix.size()));
}
BENCHMARK(FrameScannerMix)->MinTime(1.0);

// A list at its cap: each new sample must still cost a constant few
// operations, the oldest leaving as the newest comes.
void SampleIntoFullList(benchmark::State& state) {
  SampleStore store;
  const AxisRange wide{0.0, 1e12, 1e12};
  std::uint32_t tick = 0;
  for (std::size_t i = 0; i < SampleStore::kCapacity; ++i) store.Add(MonitorSeries::Speed, i % 1000, tick += 100, wide);
  for (auto _ : state) {
    tick += 100;
    benchmark::DoNotOptimize(store.Add(MonitorSeries::Speed, tick % 1000, tick, wide));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SampleIntoFullList)->MinTime(1.0);

// A view change replays every stored sample of the view: the walk over a
// full list of 60000 that all lie in view.
void ReplayFullList(benchmark::State& state) {
  SampleStore store;
  const AxisRange wide{0.0, 1e12, 1e12};
  std::uint32_t tick = 0;
  for (std::size_t i = 0; i < SampleStore::kCapacity; ++i) store.Add(MonitorSeries::Speed, i % 1000, tick += 100, wide);
  double sum = 0;
  for (auto _ : state)
    store.Replay(MonitorSeries::Speed, 0, 1e12, [&](ReplayStep, const MonitorSample& s) { sum += s.value; });
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(ReplayFullList)->MinTime(1.0);

// The figures of a step test recorded for a long time: 10000 samples, a
// ringing step sampled every 5 ms with a little jitter.
void StepAnalysis10000(benchmark::State& state) {
  std::vector<TimedValue> samples;
  for (int i = 0; i < 10000; ++i) {
    const double t = i * 5.0 + (i % 3) - 1000.0;
    const double y = t <= 0 ? 0.0 : 1.0 - std::exp(-t / 80.0) * std::cos(t / 40.0);
    samples.push_back({t, 1000.0 * y + (i % 7)});
  }
  for (auto _ : state) benchmark::DoNotOptimize(StepResponse::Analyse(samples, {0.0, 1000.0, std::nullopt}));
}
BENCHMARK(StepAnalysis10000)->MinTime(1.0);

// One second of the virtual drive's motor under its loops, during a move:
// what the drive spends before answering a question after a second's quiet.
void MotorSecond(benchmark::State& state) {
  sim::MotorModel motor;
  std::uint32_t now = 0;
  motor.AdvanceTo(now);
  for (auto _ : state) {
    if (motor.Control() != sim::MotionControl::Position || motor.TrackingErrorCounts() == 0.0)
      motor.CommandRelativeMove(now % 2000 == 0 ? 500000.0 : -500000.0);
    now += 1000;
    motor.AdvanceTo(now);
  }
  benchmark::DoNotOptimize(motor.PositionCounts());
}
BENCHMARK(MotorSecond)->MinTime(1.0);

// Turns Google Benchmark's results into table rows.
class RowReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_name.function_name == "FrameScannerMix") {
        const double mbPerS = run.counters.at("bytes_per_second") / 1e6;
        Print({"Frame scanner throughput, recorded mix", Fixed(mbPerS, 0, " MB/s"), "—", "—", "≥ 200 MB/s",
               mbPerS >= 200});
      } else if (run.run_name.function_name == "SampleIntoFullList") {
        const double ns = run.GetAdjustedRealTime();
        Print({"Monitoring sample into a full list (60000)", Fixed(ns, 0, " ns"), "—", "—", "≤ 1000 ns", ns <= 1000});
      } else if (run.run_name.function_name == "ReplayFullList") {
        const double ms = run.GetAdjustedRealTime() / 1e6;
        Print({"Replay of 60000 samples for a view change", Fixed(ms, 2, " ms"), "—", "—", "≤ 5 ms", ms <= 5});
      } else if (run.run_name.function_name == "StepAnalysis10000") {
        const double ms = run.GetAdjustedRealTime() / 1e6;
        Print({"Step-response figures of 10000 samples", Fixed(ms, 2, " ms"), "—", "—", "≤ 5 ms", ms <= 5});
      } else if (run.run_name.function_name == "MotorSecond") {
        const double ms = run.GetAdjustedRealTime() / 1e6;
        Print({"Virtual drive motor: 1 s of simulated motion (1000 steps)", Fixed(ms, 3, " ms"), "—", "—",
               "≤ 0.5 ms", ms <= 0.5});
      }
    }
  }
};

}  // namespace
}  // namespace zembra::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  zembra::bench::RowReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
