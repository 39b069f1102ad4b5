#pragma once

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim/DriveModel.h"
#include "sim/PtyPair.h"
#include "sim/WireFormat.h"

namespace zembra::sim {

// A sampling stream the drive sends on its own until told to stop.
struct SampleStreamConfig {
  SampleLead lead = SampleLead::Short;
  std::uint8_t channel = 0;
  Measurement source = Measurement::Speed;
  std::chrono::milliseconds period{20};
};

// The drive on the far side of a pseudo-terminal. One thread reads command
// lines from the master, lets DriveModel answer them and writes the replies,
// shaped by whatever faults are injected. Every public member is thread-safe.
class VirtualDrive {
 public:
  struct Options {
    // Pace output at 10 bits per byte at `baud`, like a real line.
    bool wireTiming = false;
    int baud = 9600;
    // Called on the drive thread with "<- COMMAND" and "-> bytes" (escaped).
    std::function<void(const std::string&)> log;
    // How the drive thread waits; tests put a failing one in its place.
    int (*poll)(pollfd* fds, nfds_t count, int timeoutMs) = nullptr;
  };

  VirtualDrive();
  explicit VirtualDrive(Options options);
  ~VirtualDrive();
  VirtualDrive(const VirtualDrive&) = delete;
  VirtualDrive& operator=(const VirtualDrive&) = delete;

  bool Start(std::string* error);
  void Stop();
  bool Running() const;
  std::string SlavePath() const;

  // Command lines received so far, without their "\r".
  std::vector<std::string> ReceivedCommands() const;
  std::size_t CommandCount() const;
  // Every byte received, terminators included.
  std::string ReceivedBytes() const;
  // True once `line` is among the commands with index >= fromIndex.
  bool WaitForCommand(const std::string& line, std::chrono::milliseconds timeout,
                      std::size_t fromIndex = 0) const;
  bool WaitForCommandCount(std::size_t count, std::chrono::milliseconds timeout) const;

  // Runs f(DriveModel&) under the drive's lock and returns its result.
  template <class F>
  auto WithModel(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(model_);
  }

  // --- fault injection; all take effect for the next command ---
  void SetSilent(bool silent);
  void SetSilentFor(const std::string& mnemonic, bool silent);
  void SetErrorFor(const std::string& mnemonic, bool error);
  void SetReplyDelay(std::chrono::milliseconds delay);
  // Written in the same write just before every reply; "" turns it off.
  void SetGarbagePrefix(std::string bytes);
  // Every reply goes out twice, back to back, in the same write.
  void SetRepeatReplies(bool repeat);
  // Writes bytes now, ahead of anything queued later.
  void InjectBytes(std::string bytes);
  // Each reply goes out as two writes `pause` apart; zero turns it off.
  void SetSplitReplies(std::chrono::milliseconds pause);
  // Holds replies until `count` are pending and writes them in one write;
  // 0 or 1 turns it off and flushes anything held.
  void SetMergeReplies(std::size_t count);
  void SetBadParameterBlock(bool bad);
  // Replaces any stream with the same lead.
  void StartSampleStream(const SampleStreamConfig& config);
  void StopSampleStream(SampleLead lead);
  void StopAllSampleStreams();
  bool SampleStreamActive(SampleLead lead) const;
  // Closes the master and the kept slave: the program's side sees a hang-up.
  void ClosePort();
  bool PortOpen() const;

 private:
  using Clock = std::chrono::steady_clock;

  struct Output {
    Clock::time_point due;
    std::string bytes;
  };
  struct ActiveStream {
    SampleStreamConfig config;
    Clock::time_point nextDue;
  };

  void Run();
  void Wake();
  void DrainWake();
  void HandleInput(const char* data, std::size_t size, Clock::time_point now, std::vector<std::string>& logLines);
  // `arrival`: when the line's last byte reached the drive.
  void HandleLine(const std::string& line, Clock::time_point arrival, std::vector<std::string>& logLines);
  std::chrono::microseconds ByteTime() const;
  std::size_t BytesPerSlice() const;
  void ScheduleReply(std::string reply, Clock::time_point now);
  void Enqueue(Clock::time_point due, std::string bytes);
  void ReleaseDueOutput(Clock::time_point now, std::vector<std::string>& logLines);
  void ProduceSampleFrames(Clock::time_point now);
  void WritePending(Clock::time_point now);
  std::chrono::microseconds PollTimeout(Clock::time_point now) const;
  void CloseMasterLocked();
  static std::uint32_t TickMs(Clock::time_point t);

  const Options options_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;

  // Guarded by mutex_.
  DriveModel model_;
  PtyPair pty_;
  std::string slavePath_;
  bool running_ = false;
  bool stopRequested_ = false;
  bool closeRequested_ = false;
  std::vector<std::string> commands_;
  std::string receivedBytes_;
  std::string partialLine_;
  bool silent_ = false;
  std::set<std::string> silentMnemonics_;
  std::set<std::string> errorMnemonics_;
  std::chrono::milliseconds replyDelay_{0};
  std::string garbagePrefix_;
  bool repeatReplies_ = false;
  std::chrono::milliseconds splitPause_{0};
  std::size_t mergeCount_ = 0;
  std::size_t heldReplies_ = 0;
  std::string heldBytes_;
  bool badParameterBlock_ = false;
  std::deque<Output> scheduled_;
  std::string writeBuffer_;
  // With wire timing: when the output line is free again, when the chunk
  // on its way has fully arrived (bytes reach the program only then), and
  // when the input line has delivered the last byte received so far.
  Clock::time_point lineFreeAt_{};
  std::optional<Clock::time_point> chunkDoneAt_;
  std::size_t chunkBytes_ = 0;
  Clock::time_point inputFreeAt_{};
  std::vector<ActiveStream> streams_;

  int wakeFd_ = -1;
  std::thread thread_;
};

}  // namespace zembra::sim
