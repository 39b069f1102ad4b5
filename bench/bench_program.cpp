// The running program: start-up of `zembra --simulate` until the drive is
// identified, and the main window under a line full of sampling frames
// with the console open (how late the GUI thread handles events, and how
// much memory grows).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <algorithm>
#include <vector>

#include "app/MainFrame.h"
#include "bench/BenchRow.h"
#include "bench/LatencyProbe.h"
#include "bench/Stats.h"
#include "platform/Profile.h"
#include "sim/VirtualDrive.h"

namespace zembra::bench {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the program and waits for its connection log line; -1 on failure.
double StartUpOnce(const char* program) {
  int out[2];
  if (::pipe(out) != 0) return -1;
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 2);
    ::close(out[0]);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QT_LOGGING_RULES", "zembra.connection.info=true", 1);
    ::execl(program, program, "--simulate", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string seen;
  double ms = -1;
  while (MsSince(start) < 10000) {
    pollfd fd{out[0], POLLIN, 0};
    if (::poll(&fd, 1, 100) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
    if (seen.find("connected") != std::string::npos) {
      ms = MsSince(start);
      break;
    }
  }
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  ::close(out[0]);
  return ms;
}

void StartUp(const char* program) {
  std::vector<double> times;
  for (int i = 0; i < 7; ++i) {
    const double ms = StartUpOnce(program);
    if (ms < 0) {
      Print({"Start-up of zembra --simulate until connected", "no connection seen", "—", "—", "< 0.5 s", false});
      return;
    }
    times.push_back(ms);
  }
  const double median = Median(times);
  Print({"Start-up of zembra --simulate until connected (median of 7)", Fixed(median, 0, " ms"), "—", "—",
         "< 500 ms", median < 500});
}

// One run of zembra-cli; its wall time in ms, or -1 when it failed.
double CliRun(const std::string& cli, int drives, const std::string& folder) {
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string count = std::to_string(drives);
    const std::string file = folder + "/drive{n}.qnd";
    ::execl(cli.c_str(), cli.c_str(), "--simulate", count.c_str(), "--quiet", "backup", file.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return MsSince(start);
}

void CliParallel(const std::string& cli) {
  QTemporaryDir folder;
  std::vector<double> one, eight;
  for (int i = 0; i < 3; ++i) {
    one.push_back(CliRun(cli, 1, folder.path().toStdString()));
    eight.push_back(CliRun(cli, 8, folder.path().toStdString()));
  }
  if (*std::min_element(one.begin(), one.end()) < 0 || *std::min_element(eight.begin(), eight.end()) < 0) {
    Print({"zembra-cli backup of 8 virtual drives in parallel", "a run failed", "—", "—", "≤ 1.2 × one drive", false});
    return;
  }
  const double a = Median(one), b = Median(eight);
  Print({"zembra-cli backup of 8 virtual drives in parallel (median of 3)", Fixed(b, 0, " ms"),
         Fixed(a, 0, " ms one drive"), Fixed(b / a, 3), "≤ 1.2 × one drive", b <= 1.2 * a});
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void Flood(int seconds) {
  QTemporaryDir folder;
  Profile::UseFolderForTests(folder.path());
  sim::VirtualDrive::Options options;
  options.wireTiming = true;
  options.baud = 19200;
  sim::VirtualDrive drive(options);
  std::string error;
  drive.Start(&error);
  LinkState link;
  Profile profile;
  CMainFrame::Options frameOptions;
  frameOptions.deviceOverride = QString::fromStdString(drive.SlavePath());
  frameOptions.programFolder = folder.path();
  CMainFrame frame(link, profile, frameOptions);
  frame.resize(1366, 768);
  frame.show();
  frame.Create();
  const auto connectBy = Clock::now() + std::chrono::seconds(5);
  while (!link.connected && Clock::now() < connectBy) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

  // Five-byte frames as fast as the line takes them: about 384 a second.
  drive.StartSampleStream({sim::SampleLead::Short, 1, sim::Measurement::Speed, std::chrono::milliseconds(1)});
  LatencyProbe probe;
  const auto warmUp = Clock::now() + std::chrono::seconds(2);
  while (Clock::now() < warmUp) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  const long rssBefore = ResidentKb();
  probe.Start();
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  probe.Stop();
  QCoreApplication::processEvents();
  const long rssAfter = ResidentKb();
  drive.StopAllSampleStreams();
  const double p99 = Percentile(probe.latencies, 99);
  const double growthMb = static_cast<double>(rssAfter - rssBefore) / 1024.0;
  Print({"Sampling flood " + std::to_string(seconds) + " s, console open: GUI event latency p99", Fixed(p99, 1, " ms"),
         "—", "—", "< 50 ms", p99 < 50});
  Print({"Sampling flood " + std::to_string(seconds) + " s, console open: memory growth", Fixed(growthMb, 1, " MB"),
         "—", "—", "< 20 MB", growthMb < 20});
  frame.close();
  drive.Stop();
}

}  // namespace
}  // namespace zembra::bench

int main(int argc, char** argv) {
  // argv[1]: the zembra program; argv[2]: seconds of flood (default 60).
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_program ZEMBRA [SECONDS]\n");
    return 2;
  }
  const std::string program = argv[1];
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
  zembra::bench::StartUp(program.c_str());
  const std::string folder = program.substr(0, program.rfind('/') + 1);
  zembra::bench::CliParallel(folder + "zembra-cli");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  zembra::bench::Flood(seconds);
  return 0;
}
