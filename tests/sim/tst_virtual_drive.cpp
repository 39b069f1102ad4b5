// Covers the virtual drive over a real pseudo-terminal, from the program's
// side of the line: commands in and replies out, the record of received
// commands, every injected fault (silence, ERR, garbage, split and merged
// replies, bad parameter block, vanished port), sampling streams and their
// stop commands, and the log of the traffic.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "sim/VirtualDrive.h"
#include "tests/support/PollUntil.h"

using namespace std::chrono_literals;
using zembra::sim::Measurement;
using zembra::sim::SampleLead;
using zembra::sim::SampleStreamConfig;
using zembra::sim::VirtualDrive;
using zembra::sim::WireFormat;

namespace {

constexpr auto kDeadline = 3s;

// The program's end of the line: the slave opened raw and non-blocking.
class ProgramSide {
 public:
  explicit ProgramSide(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
  }
  ~ProgramSide() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool IsOpen() const { return fd_ >= 0; }

  void Send(const std::string& bytes) {
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Bytes of the next read that returns any; "" if none before the deadline.
  std::string ReadOnce(std::chrono::milliseconds timeout = kDeadline) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      pollfd pfd{fd_, POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (::poll(&pfd, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) continue;
      char buffer[1024];
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
      if (n < 0 && errno != EAGAIN) return {};
    }
    return {};
  }

  // Reads until `done` holds for everything read so far or the deadline passes.
  std::string ReadUntil(const std::function<bool(const std::string&)>& done,
                        std::chrono::milliseconds timeout = kDeadline) {
    std::string all;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done(all) && std::chrono::steady_clock::now() < end) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      all += ReadOnce(left);
    }
    return all;
  }

  std::string ReadUntilEndsWith(const std::string& tail) {
    return ReadUntil([&](const std::string& s) {
      return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    });
  }

  std::string ReadCount(std::size_t count) {
    return ReadUntil([&](const std::string& s) { return s.size() >= count; });
  }

  // Everything readable right now, without waiting.
  std::string ReadAvailable() {
    std::string all;
    char buffer[1024];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) return all;
      all.append(buffer, static_cast<std::size_t>(n));
    }
  }

  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};

class VirtualDriveTest : public ::testing::Test {
 protected:
  void SetUp() override { StartDrive(VirtualDrive::Options{}); }

  void StartDrive(VirtualDrive::Options options) {
    program_.reset();
    drive_ = std::make_unique<VirtualDrive>(std::move(options));
    std::string error;
    ASSERT_TRUE(drive_->Start(&error)) << error;
    program_ = std::make_unique<ProgramSide>(drive_->SlavePath());
    ASSERT_TRUE(program_->IsOpen());
  }

  std::unique_ptr<VirtualDrive> drive_;
  std::unique_ptr<ProgramSide> program_;
};

}  // namespace

TEST_F(VirtualDriveTest, AnswersACommandAndRecordsWhatArrived) {
  program_->Send("GVER\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#2.15\r\n");
  EXPECT_TRUE(drive_->WaitForCommand("GVER", kDeadline));

  program_->Send("GSP\rGD");
  program_->Send("TY\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#ZD-7720\r\n"), "#3000\r\n#ZD-7720\r\n");
  EXPECT_TRUE(drive_->WaitForCommand("GDTY", kDeadline, 1));
  EXPECT_FALSE(drive_->WaitForCommand("GVER", 0ms, 1));
  EXPECT_EQ(drive_->ReceivedCommands(), (std::vector<std::string>{"GVER", "GSP", "GDTY"}));
  EXPECT_EQ(drive_->CommandCount(), 3u);
  EXPECT_EQ(drive_->ReceivedBytes(), "GVER\rGSP\rGDTY\r");
}

TEST_F(VirtualDriveTest, ModelChangesMadeThroughTheApiShowOnTheLine) {
  drive_->WithModel([](zembra::sim::DriveModel& m) { m.SetModelText("QNDX7720"); });
  program_->Send("SSP1234\rGSP\rGDTY\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#QNDX7720\r\n"), "#OK\r\n#1234\r\n#QNDX7720\r\n");
  EXPECT_EQ(drive_->WithModel([](zembra::sim::DriveModel& m) {
              return m.Parameter(zembra::sim::DriveParameter::MaxSpeed);
            }),
            1234);
}

TEST_F(VirtualDriveTest, ProgramClosingAndReopeningTheSlaveKeepsTheDriveAnswering) {
  program_->Close();
  program_ = std::make_unique<ProgramSide>(drive_->SlavePath());
  ASSERT_TRUE(program_->IsOpen());
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#36\r\n");
}

TEST_F(VirtualDriveTest, SilenceDropsRepliesForAllOrChosenCommands) {
  drive_->SetSilent(true);
  program_->Send("GVER\r");
  ASSERT_TRUE(drive_->WaitForCommand("GVER", kDeadline));
  drive_->SetSilent(false);
  // Replies keep their order, so anything for GVER would come before this.
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#36\r\n"), "#36\r\n");

  drive_->SetSilentFor("GSP", true);
  program_->Send("SSP100\rGSP\rGT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#36\r\n"), "#OK\r\n#36\r\n");
  drive_->SetSilentFor("GSP", false);
  program_->Send("GSP\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#100\r\n");
}

TEST_F(VirtualDriveTest, InjectedErrAnswersWithoutTouchingTheModel) {
  drive_->SetErrorFor("SSP", true);
  drive_->SetErrorFor("GVER", true);
  program_->Send("GVER\rSSP100\rGSP\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#3000\r\n"), "#ERR\r\n#ERR\r\n#3000\r\n");
  drive_->SetErrorFor("GVER", false);
  program_->Send("GVER\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#2.15\r\n");
}

TEST_F(VirtualDriveTest, DelayedRepliesStillArriveInOrder) {
  drive_->SetReplyDelay(150ms);
  program_->Send("GVER\r");
  ASSERT_TRUE(drive_->WaitForCommand("GVER", kDeadline));
  drive_->SetReplyDelay(0ms);
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#36\r\n"), "#2.15\r\n#36\r\n");
}

TEST_F(VirtualDriveTest, GarbageComesBeforeEachReplyAndInjectedBytesComeAtOnce) {
  const std::string garbage("\x01\xFFzz", 4);
  drive_->SetGarbagePrefix(garbage);
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), garbage + "#36\r\n");
  drive_->SetGarbagePrefix("");

  drive_->InjectBytes(std::string("\x00#\r\n", 4));
  EXPECT_EQ(program_->ReadCount(4), std::string("\x00#\r\n", 4));
}

TEST_F(VirtualDriveTest, ARepeatingDriveAnswersTwiceInOneWrite) {
  drive_->SetRepeatReplies(true);
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("#36\r\n#36\r\n"), "#36\r\n#36\r\n");
  drive_->SetRepeatReplies(false);
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#36\r\n");
}

TEST_F(VirtualDriveTest, SplitReplyArrivesInTwoPieces) {
  // The pause is far longer than a read takes, so the halves cannot merge.
  drive_->SetSplitReplies(400ms);
  program_->Send("GDTY\r");
  const std::string first = program_->ReadOnce();
  EXPECT_EQ(first, "#ZD-7");
  EXPECT_EQ(first + program_->ReadUntilEndsWith("\r\n"), "#ZD-7720\r\n");
}

TEST_F(VirtualDriveTest, MergedRepliesArriveInOneWrite) {
  drive_->SetMergeReplies(2);
  program_->Send("GVER\r");
  ASSERT_TRUE(drive_->WaitForCommand("GVER", kDeadline));
  program_->Send("GT\r");
  EXPECT_EQ(program_->ReadOnce(), "#2.15\r\n#36\r\n");

  // Switching merging off releases a reply that is being held.
  program_->Send("GSP\r");
  ASSERT_TRUE(drive_->WaitForCommand("GSP", kDeadline));
  drive_->SetMergeReplies(0);
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#3000\r\n");
}

TEST_F(VirtualDriveTest, ParameterBlockArrivesWholeAndCanBeCorrupted) {
  program_->Send("GESA\r");
  const std::string good = program_->ReadCount(WireFormat::kParameterBlockSize);
  ASSERT_EQ(good.size(), WireFormat::kParameterBlockSize);
  EXPECT_EQ(good.substr(0, 2), "QN");
  EXPECT_EQ(static_cast<unsigned char>(good[127]), WireFormat::AdditiveCheck(good.substr(0, 127)));

  drive_->SetBadParameterBlock(true);
  program_->Send("GESA\r");
  const std::string bad = program_->ReadCount(WireFormat::kParameterBlockSize);
  ASSERT_EQ(bad.size(), WireFormat::kParameterBlockSize);
  EXPECT_EQ(bad.substr(0, 127), good.substr(0, 127));
  EXPECT_NE(static_cast<unsigned char>(bad[127]), WireFormat::AdditiveCheck(bad.substr(0, 127)));
}

namespace {

// Splits a byte run into sampling frames of one lead; fails on anything else.
std::vector<std::string> Frames(const std::string& bytes, SampleLead lead) {
  std::vector<std::string> frames;
  const std::size_t length = WireFormat::SampleFrameLength(lead);
  std::size_t i = 0;
  while (i + length <= bytes.size()) {
    EXPECT_EQ(bytes[i], static_cast<char>(lead)) << "at " << i;
    frames.push_back(bytes.substr(i, length));
    i += length;
  }
  return frames;
}

std::atomic<int> g_failedWaits{0};
int FailingPoll(pollfd*, nfds_t, int) {
  ++g_failedWaits;
  errno = EINVAL;
  return -1;
}

// A wait that fails for good is an unplugged line, not a busy loop.
TEST(VirtualDriveWaitFailure, AFailingPollClosesTheLineAndDoesNotSpin) {
  VirtualDrive::Options options;
  options.poll = FailingPoll;
  VirtualDrive drive(options);
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(drive.Start(&error)) << error;
  ASSERT_TRUE(zembra::test::PollUntil([&] { return !drive.PortOpen(); }, std::chrono::seconds(3)));
  // Time for a spinning loop to give itself away (thousands of waits); the
  // bound follows the time that really passed.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto waits = g_failedWaits.load();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waits, 1);
  EXPECT_LE(waits, 2 + ms / 25) << "after " << ms << " ms";
  drive.Stop();
}

}  // namespace

TEST_F(VirtualDriveTest, SamplingStreamSendsCheckedFramesUntilItsStopCommand) {
  drive_->WithModel([](zembra::sim::DriveModel& m) { m.Motor().SetEnabled(true); });
  program_->Send("V600\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#OK\r\n");

  drive_->StartSampleStream(SampleStreamConfig{SampleLead::Short, 2, Measurement::Speed, 5ms});
  const std::string stream = program_->ReadCount(5 * 6);
  const auto frames = Frames(stream.substr(0, 30), SampleLead::Short);
  ASSERT_EQ(frames.size(), 6u);
  for (const auto& f : frames) {
    EXPECT_EQ(f[1], 2);
    EXPECT_EQ(static_cast<unsigned char>(f[4]), WireFormat::AdditiveCheck(f.substr(0, 4)));
  }
  const auto speedOf = [](const std::string& f) {
    return static_cast<int>(static_cast<unsigned char>(f[2]) |
                            (static_cast<unsigned char>(f[3]) << 8));
  };
  EXPECT_GT(speedOf(frames.back()), 0);
  EXPECT_LE(speedOf(frames.back()), 600);

  program_->Send("*S\r");
  ASSERT_TRUE(drive_->WaitForCommand("*S", kDeadline));
  EXPECT_FALSE(drive_->SampleStreamActive(SampleLead::Short));
  // Frames already on the way end before this reply; none may follow it.
  program_->Send("GT\r");
  program_->ReadUntilEndsWith("#36\r\n");
  program_->Send("GVER\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#2.15\r\n");
}

TEST_F(VirtualDriveTest, SilentDriveDoesNotHearAStreamStop) {
  drive_->StartSampleStream(SampleStreamConfig{SampleLead::Short, 0, Measurement::Speed, 50ms});
  drive_->SetSilent(true);
  program_->Send("*S\r");
  ASSERT_TRUE(drive_->WaitForCommand("*S", kDeadline));
  EXPECT_TRUE(drive_->SampleStreamActive(SampleLead::Short));
  drive_->SetSilent(false);
  program_->Send("*S\r");
  ASSERT_TRUE(drive_->WaitForCommand("*S", kDeadline, 1));
  EXPECT_FALSE(drive_->SampleStreamActive(SampleLead::Short));
}

TEST_F(VirtualDriveTest, StopCommandEndsOnlyTheStreamWithItsLead) {
  drive_->StartSampleStream(SampleStreamConfig{SampleLead::Long, 7, Measurement::Position, 5ms});
  drive_->StartSampleStream(SampleStreamConfig{SampleLead::Alternate, 1, Measurement::Current, 50ms});
  program_->Send("@S\r");
  ASSERT_TRUE(drive_->WaitForCommand("@S", kDeadline));
  EXPECT_FALSE(drive_->SampleStreamActive(SampleLead::Alternate));
  EXPECT_TRUE(drive_->SampleStreamActive(SampleLead::Long));

  drive_->StopAllSampleStreams();
  EXPECT_FALSE(drive_->SampleStreamActive(SampleLead::Long));
  program_->Send("GT\r");
  const std::string all = program_->ReadUntilEndsWith("#36\r\n");
  ASSERT_GE(all.size(), 5u);
  // Everything before the reply is well-formed frames of the two streams.
  const std::string frames = all.substr(0, all.size() - 5);
  std::size_t i = 0;
  while (i < frames.size()) {
    const auto lead = WireFormat::SampleLeadOf(frames[i]);
    ASSERT_TRUE(lead.has_value()) << "unexpected byte at " << i;
    const std::size_t length = WireFormat::SampleFrameLength(*lead);
    ASSERT_LE(i + length, frames.size());
    const std::string f = frames.substr(i, length);
    EXPECT_EQ(static_cast<unsigned char>(f.back()),
              WireFormat::AdditiveCheck(f.substr(0, length - 1)));
    i += length;
  }
}

TEST_F(VirtualDriveTest, ClosingThePortGivesTheProgramAHangUp) {
  EXPECT_TRUE(drive_->PortOpen());
  drive_->ClosePort();
  EXPECT_FALSE(drive_->PortOpen());

  pollfd pfd{program_->Fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&pfd, 1, static_cast<int>(std::chrono::milliseconds(kDeadline).count())), 1);
  EXPECT_NE(pfd.revents & (POLLHUP | POLLERR), 0);
  char byte = 0;
  const ssize_t n = ::read(program_->Fd(), &byte, 1);
  EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << "read returned " << n;
}

TEST_F(VirtualDriveTest, StartsOnlyOnceAndStopsCleanly) {
  std::string error;
  EXPECT_FALSE(drive_->Start(&error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(drive_->Running());
  drive_->Stop();
  EXPECT_FALSE(drive_->Running());
  drive_->Stop();  // a second stop is harmless
}

TEST_F(VirtualDriveTest, LogsCommandsAndRepliesInPrintableForm) {
  std::mutex mutex;
  std::condition_variable logged;
  std::vector<std::string> lines;
  VirtualDrive::Options options;
  options.log = [&](const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(line);
    logged.notify_all();
  };
  StartDrive(options);
  program_->Send("GVER\r");
  program_->ReadUntilEndsWith("\r\n");
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(logged.wait_for(lock, kDeadline, [&] { return lines.size() >= 2; }));
  EXPECT_EQ(lines[0], "<- GVER");
  EXPECT_EQ(lines[1], "-> #2.15\\r\\n");
}

// On a wire the command takes its bytes' time to arrive and the reply its
// own to come back: at 9600 baud "GVER\r" and "#2.15\r\n" are 12 bytes,
// 12.5 ms.
TEST_F(VirtualDriveTest, WireTimingTakesTheTimeOfTheBytesBothWays) {
  VirtualDrive::Options options;
  options.wireTiming = true;
  options.baud = 9600;
  StartDrive(options);
  const auto start = std::chrono::steady_clock::now();
  program_->Send("GVER\r");
  EXPECT_EQ(program_->ReadUntilEndsWith("\r\n"), "#2.15\r\n");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(12 * 1040));
}

// A stream faster than the line carries no more than the line allows and
// does not pile up behind it.
TEST_F(VirtualDriveTest, WireTimingCapsAStreamAtTheLineRate) {
  VirtualDrive::Options options;
  options.wireTiming = true;
  options.baud = 9600;
  StartDrive(options);
  drive_->StartSampleStream({SampleLead::Short, 1, Measurement::Speed, std::chrono::milliseconds(1)});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  program_->ReadAvailable();
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::string bytes = program_->ReadAvailable();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // 960 bytes a second, plus one slice of slack at either end.
  EXPECT_LE(static_cast<double>(bytes.size()), 960.0 * seconds + 20);
  // Nothing piled up behind the line: once the stream stops, at most what
  // was already on its way follows.
  drive_->StopAllSampleStreams();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(program_->ReadAvailable().size(), 30u);
}

TEST_F(VirtualDriveTest, WireTimingDeliversTheSameBytes) {
  VirtualDrive::Options options;
  options.wireTiming = true;
  options.baud = 19200;
  StartDrive(options);
  program_->Send("GESA\rGVER\r");
  const std::string all = program_->ReadCount(WireFormat::kParameterBlockSize + 7);
  ASSERT_EQ(all.size(), WireFormat::kParameterBlockSize + 7);
  EXPECT_EQ(all.substr(0, 2), "QN");
  EXPECT_EQ(all.substr(WireFormat::kParameterBlockSize), "#2.15\r\n");
}
