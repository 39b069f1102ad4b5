// Whole-link timings against a pseudo-terminal: a command's round trip
// through the engine beside the raw round trip of the same bytes, the bulk
// read at 9600 and 19200 baud and the 36-command write, each beside the
// floor the wire and the drive's pauses allow.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchRow.h"
#include "bench/Stats.h"
#include "drive/CommandSequence.h"
#include "drive/ParameterReadSequence.h"
#include "drive/WriteEncoder.h"
#include "link/LinkRequester.h"
#include "link/TransactionEngine.h"
#include "sim/PtyPair.h"
#include "sim/VirtualDrive.h"

namespace zembra::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 2000;
const char kCommand[] = "GSP\r";
const char kReply[] = "#3000\r\n";

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The minimal peer: answers every carriage return at once.
class EchoPeer {
 public:
  explicit EchoPeer(int masterFd) : m_fd(masterFd), m_thread([this] { Run(); }) {}
  ~EchoPeer() {
    m_stop = true;
    m_thread.join();
  }

 private:
  void Run() {
    char buffer[256];
    while (!m_stop) {
      pollfd fd{m_fd, POLLIN, 0};
      if (::poll(&fd, 1, 20) <= 0) continue;
      const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
      for (ssize_t i = 0; i < n; ++i)
        if (buffer[i] == '\r') [[maybe_unused]] ssize_t w = ::write(m_fd, kReply, sizeof kReply - 1);
    }
  }
  int m_fd;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

std::vector<double> RawRoundTrips(const std::string& slavePath) {
  const int fd = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  std::vector<double> times;
  char buffer[64];
  for (int i = 0; i < kRoundTrips; ++i) {
    const auto start = Clock::now();
    [[maybe_unused]] ssize_t w = ::write(fd, kCommand, sizeof kCommand - 1);
    std::string got;
    while (got.find("\r\n") == std::string::npos) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    times.push_back(MsSince(start));
  }
  ::close(fd);
  return times;
}

std::vector<double> EngineRoundTrips(const std::string& slavePath) {
  LinkState state;
  TransactionEngine engine(state);
  engine.OpenPort(QString::fromStdString(slavePath), "9600,n,8,1");
  engine.StartReceiveThread();
  // Through the typed request, as every window talks to the drive: the
  // round trip ends when its completion runs.
  LinkRequester requester(engine);
  std::vector<double> times;
  for (int i = 0; i < kRoundTrips; ++i) {
    QEventLoop loop;
    const auto start = Clock::now();
    const SendResult sent = requester.RequestNow(kCommand, [&](const LinkReply&) { loop.quit(); }, false);
    if (!WasSent(sent)) {
      // A refused round trip never counts as a fast one.
      times.push_back(std::numeric_limits<double>::infinity());
      continue;
    }
    loop.exec();
    times.push_back(MsSince(start));
  }
  engine.StopReceiveThread();
  return times;
}

void RoundTrip() {
  sim::PtyPair pair;
  std::string error;
  if (!pair.Open(9600, &error)) {
    Print({"Link round trip", "pty: " + error, "—", "—", "", false});
    return;
  }
  EchoPeer peer(pair.MasterFd());
  const std::vector<double> raw = RawRoundTrips(pair.SlavePath());
  const std::vector<double> link = EngineRoundTrips(pair.SlavePath());
  const double rawMedian = Median(raw), rawP99 = Percentile(raw, 99);
  const double median = Median(link), p99 = Percentile(link, 99);
  const bool absolute = median <= 0.3 && p99 <= 2.0;
  const bool relative = median <= 4 * rawMedian && p99 <= 4 * rawP99;
  Print({"Link round trip GSP, median", Fixed(median, 3, " ms"), Fixed(rawMedian, 3, " ms raw"),
         Fixed(median / rawMedian, 2), "≤ 0.3 ms, or ≤ 4 × raw", absolute || relative});
  Print({"Link round trip GSP, p99", Fixed(p99, 3, " ms"), Fixed(rawP99, 3, " ms raw"), Fixed(p99 / rawP99, 2),
         "≤ 2 ms, or ≤ 4 × raw", absolute || relative});
}

struct DriveOnWire {
  explicit DriveOnWire(int baud) : drive(Options(baud)), engine(state) {
    std::string error;
    drive.Start(&error);
    engine.OpenPort(QString::fromStdString(drive.SlavePath()), std::to_string(baud) + ",n,8,1");
    engine.StartReceiveThread();
    state.connected = true;
  }
  ~DriveOnWire() {
    engine.StopReceiveThread();
    drive.Stop();
  }
  static sim::VirtualDrive::Options Options(int baud) {
    sim::VirtualDrive::Options options;
    options.wireTiming = true;
    options.baud = baud;
    return options;
  }
  sim::VirtualDrive drive;
  LinkState state;
  TransactionEngine engine;
};

double WireMs(std::size_t bytes, int baud) { return static_cast<double>(bytes) * 10.0 * 1000.0 / baud; }

void BulkRead(int baud) {
  DriveOnWire wire(baud);
  drive::ParameterReadSequence read(wire.engine);
  double floorMs = 0;
  int answered = 0;
  QEventLoop loop;
  const auto start = Clock::now();
  read.Start(
      [&](const drive::ReadStepResult& r) {
        const std::size_t reply = r.outcome == drive::ReadStepResult::Outcome::Answered ? r.reply.size() + 3 : 0;
        answered += r.outcome == drive::ReadStepResult::Outcome::Answered;
        floorMs += WireMs(r.step->command.size() + reply, baud) + drive::ParameterReadSequence::kPause.count();
      },
      [&](const drive::ReadSummary&) { loop.quit(); });
  loop.exec();
  const double ms = MsSince(start);
  Print({"Bulk read of 39 at " + std::to_string(baud) + " baud (" + std::to_string(answered) + " answered)",
         Fixed(ms, 0, " ms"), Fixed(floorMs, 0, " ms"), Fixed(ms / floorMs, 3), "≤ 1.03 × floor",
         answered == 39 && ms <= 1.03 * floorMs});
}

void Write(int baud) {
  DriveOnWire wire(baud);
  drive::ParameterSet set;
  set.Set(drive::Field::EncoderResolution, 4000);
  const std::vector<drive::DriveCommand> commands = drive::EncodeWrite(set, false);
  double floorMs = 0;
  for (const auto& c : commands) floorMs += WireMs(c.text.size(), baud) + c.pauseAfter.count();
  drive::CommandSequence write(wire.engine);
  bool complete = false;
  QEventLoop loop;
  const auto start = Clock::now();
  write.Start(commands, {}, [&](const drive::CommandSummary& s) {
    complete = s.Complete();
    loop.quit();
  });
  loop.exec();
  const double ms = MsSince(start);
  Print({"Write of 36 commands at " + std::to_string(baud) + " baud", Fixed(ms, 0, " ms"), Fixed(floorMs, 0, " ms"),
         Fixed(ms / floorMs, 3), "≤ 1.02 × floor", complete && ms <= 1.02 * floorMs});
}

}  // namespace
}  // namespace zembra::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  zembra::bench::RoundTrip();
  zembra::bench::BulkRead(9600);
  zembra::bench::BulkRead(19200);
  zembra::bench::Write(9600);
  return 0;
}
