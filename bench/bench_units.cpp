// Units measured alone with Google Benchmark: the frame scanner on a
// recorded mix of replies, sampling frames and parameter blocks.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchRow.h"
#include "link/FrameScanner.h"

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

// Turns Google Benchmark's results into table rows.
class RowReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_name.function_name == "FrameScannerMix") {
        const double mbPerS = run.counters.at("bytes_per_second") / 1e6;
        Print({"Frame scanner throughput, recorded mix", Fixed(mbPerS, 0, " MB/s"), "—", "—", "≥ 200 MB/s",
               mbPerS >= 200});
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
