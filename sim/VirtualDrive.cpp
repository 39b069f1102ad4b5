#include "sim/VirtualDrive.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace zembra::sim {

namespace {

// A line this long without "\r" is answered as it stands rather than
// buffered forever.
constexpr std::size_t kMaxLineLength = 1024;
constexpr int kBitsPerByte = 10;
// With wire timing, output goes out in slices of about this length.
constexpr std::chrono::milliseconds kWireSlice{10};

}  // namespace

VirtualDrive::VirtualDrive() : VirtualDrive(Options{}) {}

VirtualDrive::VirtualDrive(Options options) : options_(std::move(options)) {}

VirtualDrive::~VirtualDrive() { Stop(); }

std::uint32_t VirtualDrive::TickMs(Clock::time_point t) {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

bool VirtualDrive::Start(std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (running_) {
    if (error) *error = "the virtual drive is already running";
    return false;
  }
  if (!pty_.Open(options_.baud, error)) return false;
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) {
    if (error) *error = "eventfd failed";
    pty_.Close();
    return false;
  }
  slavePath_ = pty_.SlavePath();
  partialLine_.clear();
  scheduled_.clear();
  writeBuffer_.clear();
  heldBytes_.clear();
  heldReplies_ = 0;
  stopRequested_ = false;
  closeRequested_ = false;
  running_ = true;
  thread_ = std::thread(&VirtualDrive::Run, this);
  return true;
}

void VirtualDrive::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return;
    stopRequested_ = true;
    Wake();
  }
  thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  pty_.Close();
  ::close(wakeFd_);
  wakeFd_ = -1;
  streams_.clear();
  running_ = false;
  changed_.notify_all();
}

bool VirtualDrive::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

std::string VirtualDrive::SlavePath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slavePath_;
}

std::vector<std::string> VirtualDrive::ReceivedCommands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::size_t VirtualDrive::CommandCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_.size();
}

std::string VirtualDrive::ReceivedBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return receivedBytes_;
}

bool VirtualDrive::WaitForCommand(const std::string& line, std::chrono::milliseconds timeout,
                                  std::size_t fromIndex) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    if (fromIndex >= commands_.size()) return false;
    return std::find(commands_.begin() + static_cast<std::ptrdiff_t>(fromIndex),
                     commands_.end(), line) != commands_.end();
  });
}

bool VirtualDrive::WaitForCommandCount(std::size_t count,
                                       std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return commands_.size() >= count; });
}

void VirtualDrive::SetSilent(bool silent) {
  std::lock_guard<std::mutex> lock(mutex_);
  silent_ = silent;
}

void VirtualDrive::SetSilentFor(const std::string& mnemonic, bool silent) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (silent) {
    silentMnemonics_.insert(mnemonic);
  } else {
    silentMnemonics_.erase(mnemonic);
  }
}

void VirtualDrive::SetErrorFor(const std::string& mnemonic, bool error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (error) {
    errorMnemonics_.insert(mnemonic);
  } else {
    errorMnemonics_.erase(mnemonic);
  }
}

void VirtualDrive::SetReplyDelay(std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> lock(mutex_);
  replyDelay_ = std::max(delay, std::chrono::milliseconds{0});
}

void VirtualDrive::SetGarbagePrefix(std::string bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  garbagePrefix_ = std::move(bytes);
}

void VirtualDrive::InjectBytes(std::string bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!pty_.IsOpen()) return;
  writeBuffer_ += bytes;
  Wake();
}

void VirtualDrive::SetRepeatReplies(bool repeat) {
  std::lock_guard<std::mutex> lock(mutex_);
  repeatReplies_ = repeat;
}

void VirtualDrive::SetSplitReplies(std::chrono::milliseconds pause) {
  std::lock_guard<std::mutex> lock(mutex_);
  splitPause_ = std::max(pause, std::chrono::milliseconds{0});
}

void VirtualDrive::SetMergeReplies(std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  mergeCount_ = count;
  if (count <= 1 && heldReplies_ > 0) {
    Enqueue(Clock::now(), std::move(heldBytes_));
    heldBytes_.clear();
    heldReplies_ = 0;
    Wake();
  }
}

void VirtualDrive::SetBadParameterBlock(bool bad) {
  std::lock_guard<std::mutex> lock(mutex_);
  badParameterBlock_ = bad;
}

void VirtualDrive::StartSampleStream(const SampleStreamConfig& config) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(streams_, [&](const ActiveStream& s) { return s.config.lead == config.lead; });
  ActiveStream stream{config, Clock::now()};
  stream.config.period = std::max(config.period, std::chrono::milliseconds{1});
  streams_.push_back(stream);
  Wake();
}

void VirtualDrive::StopSampleStream(SampleLead lead) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(streams_, [&](const ActiveStream& s) { return s.config.lead == lead; });
  Wake();
}

void VirtualDrive::StopAllSampleStreams() {
  std::lock_guard<std::mutex> lock(mutex_);
  streams_.clear();
  Wake();
}

bool VirtualDrive::SampleStreamActive(SampleLead lead) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(streams_.begin(), streams_.end(),
                     [&](const ActiveStream& s) { return s.config.lead == lead; });
}

void VirtualDrive::ClosePort() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!running_) {
    CloseMasterLocked();
    return;
  }
  // The drive thread may be polling the master; only it may close it.
  closeRequested_ = true;
  Wake();
  changed_.wait(lock, [&] { return !closeRequested_ || !running_; });
}

bool VirtualDrive::PortOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pty_.IsOpen();
}

void VirtualDrive::CloseMasterLocked() {
  pty_.Close();
  scheduled_.clear();
  writeBuffer_.clear();
  chunkDoneAt_.reset();
  heldBytes_.clear();
  heldReplies_ = 0;
  streams_.clear();
}

void VirtualDrive::Wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  // A full counter already means "wake up"; nothing to handle.
  [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
}

void VirtualDrive::DrainWake() {
  std::uint64_t count = 0;
  [[maybe_unused]] const auto n = ::read(wakeFd_, &count, sizeof count);
}

void VirtualDrive::Enqueue(Clock::time_point due, std::string bytes) {
  // Output keeps its order even when a delay shrinks between two replies.
  if (!scheduled_.empty()) due = std::max(due, scheduled_.back().due);
  scheduled_.push_back(Output{due, std::move(bytes)});
}

void VirtualDrive::ScheduleReply(std::string reply, Clock::time_point now) {
  std::string bytes = garbagePrefix_ + reply;
  if (repeatReplies_) bytes += reply;
  if (mergeCount_ > 1) {
    heldBytes_ += bytes;
    if (++heldReplies_ < mergeCount_) return;
    bytes = std::move(heldBytes_);
    heldBytes_.clear();
    heldReplies_ = 0;
  }
  const Clock::time_point due = now + replyDelay_;
  if (splitPause_.count() > 0 && bytes.size() > 1) {
    const std::size_t half = bytes.size() / 2;
    Enqueue(due, bytes.substr(0, half));
    Enqueue(due + splitPause_, bytes.substr(half));
  } else {
    Enqueue(due, std::move(bytes));
  }
}

void VirtualDrive::HandleLine(const std::string& line, Clock::time_point arrival,
                              std::vector<std::string>& logLines) {
  commands_.push_back(line);
  changed_.notify_all();
  logLines.push_back("<- " + WireFormat::Printable(line));

  // Tolerate "\r\n" terminators: the "\n" is recorded but not interpreted.
  std::string command = line;
  std::erase(command, '\n');

  const std::string mnemonic(DriveModel::MnemonicOf(command));
  // A command the drive does not hear has no effect either.
  if (silent_ || silentMnemonics_.count(mnemonic) != 0) return;

  SampleLead lead{};
  if (DriveModel::IsStreamStop(command, &lead)) {
    std::erase_if(streams_, [&](const ActiveStream& s) { return s.config.lead == lead; });
  }

  const auto now = Clock::now();
  std::string reply = errorMnemonics_.count(mnemonic) != 0
                          ? WireFormat::TextReply("ERR")
                          : model_.Handle(command, TickMs(now));
  if (reply.empty()) return;
  if (badParameterBlock_ && mnemonic == "GESA" &&
      reply.size() == WireFormat::kParameterBlockSize) {
    auto& check = reply[WireFormat::kParameterBlockCheckIndex];
    check = static_cast<char>(static_cast<unsigned char>(check) + 1);
  }
  // The drive answers once it has the whole line.
  ScheduleReply(std::move(reply), std::max(now, arrival));
}

std::chrono::microseconds VirtualDrive::ByteTime() const {
  const int baud = std::max(options_.baud, kBitsPerByte);
  return std::chrono::microseconds(kBitsPerByte * 1000000LL / baud);
}

std::size_t VirtualDrive::BytesPerSlice() const {
  const int baud = std::max(options_.baud, kBitsPerByte);
  return static_cast<std::size_t>(
      std::max<long long>(1, static_cast<long long>(baud) * kWireSlice.count() / (kBitsPerByte * 1000)));
}

void VirtualDrive::HandleInput(const char* data, std::size_t size, Clock::time_point now,
                               std::vector<std::string>& logLines) {
  receivedBytes_.append(data, size);
  for (std::size_t i = 0; i < size; ++i) {
    // On a real line each byte arrives a byte time after the one before;
    // the pty hands them over at once.
    Clock::time_point arrival = now;
    if (options_.wireTiming) {
      inputFreeAt_ = std::max(inputFreeAt_, now) + ByteTime();
      arrival = inputFreeAt_;
    }
    if (data[i] == '\r') {
      HandleLine(partialLine_, arrival, logLines);
      partialLine_.clear();
      continue;
    }
    partialLine_ += data[i];
    if (partialLine_.size() >= kMaxLineLength) {
      HandleLine(partialLine_, arrival, logLines);
      partialLine_.clear();
    }
  }
}

void VirtualDrive::ProduceSampleFrames(Clock::time_point now) {
  if (!pty_.IsOpen()) return;
  // A line that cannot carry more holds frames back, as the drive's own
  // transmitter would, instead of queueing them without end.
  const bool lineFull = options_.wireTiming && writeBuffer_.size() >= 2 * BytesPerSlice();
  for (auto& stream : streams_) {
    if (stream.nextDue > now) continue;
    if (lineFull) {
      stream.nextDue = now + stream.config.period;
      continue;
    }
    const std::int32_t value = model_.Measure(stream.config.source, TickMs(now));
    writeBuffer_ += WireFormat::SampleFrame(stream.config.lead, stream.config.channel, value);
    stream.nextDue += stream.config.period;
    // After a stall, resume the rhythm instead of bursting the backlog.
    if (stream.nextDue <= now) stream.nextDue = now + stream.config.period;
  }
}

void VirtualDrive::ReleaseDueOutput(Clock::time_point now, std::vector<std::string>& logLines) {
  while (!scheduled_.empty() && scheduled_.front().due <= now) {
    logLines.push_back("-> " + WireFormat::Printable(scheduled_.front().bytes));
    writeBuffer_ += scheduled_.front().bytes;
    scheduled_.pop_front();
  }
}

void VirtualDrive::WritePending(Clock::time_point now) {
  if (writeBuffer_.empty()) return;
  const int fd = pty_.MasterFd();
  if (fd < 0) {
    writeBuffer_.clear();
    return;
  }
  std::size_t chunk = writeBuffer_.size();
  if (options_.wireTiming) {
    // A chunk reaches the program when its last byte has crossed the line.
    if (!chunkDoneAt_) {
      chunkBytes_ = std::min(chunk, BytesPerSlice());
      chunkDoneAt_ = std::max(now, lineFreeAt_) + ByteTime() * static_cast<long long>(chunkBytes_);
    }
    if (now < *chunkDoneAt_) return;
    chunk = std::min(chunk, chunkBytes_);
  }
  const ssize_t written = ::write(fd, writeBuffer_.data(), chunk);
  if (written > 0) {
    writeBuffer_.erase(0, static_cast<std::size_t>(written));
    if (options_.wireTiming) {
      lineFreeAt_ = *chunkDoneAt_;
      chunkDoneAt_.reset();
    }
  } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
    writeBuffer_.clear();  // nobody can receive it any more
    chunkDoneAt_.reset();
  }
}

std::chrono::microseconds VirtualDrive::PollTimeout(Clock::time_point now) const {
  std::optional<Clock::time_point> next;
  auto consider = [&](Clock::time_point t) {
    if (!next || t < *next) next = t;
  };
  if (!scheduled_.empty()) consider(scheduled_.front().due);
  if (pty_.IsOpen()) {
    for (const auto& stream : streams_) consider(stream.nextDue);
  }
  if (options_.wireTiming && !writeBuffer_.empty()) consider(chunkDoneAt_ ? *chunkDoneAt_ : now);
  if (!next) return std::chrono::microseconds(-1);
  if (*next <= now) return std::chrono::microseconds(0);
  // Microseconds, not milliseconds: a wire at 19200 baud moves a byte in
  // half a millisecond, and rounding every wait up would slow the drive.
  const auto wait = std::chrono::ceil<std::chrono::microseconds>(*next - now);
  return std::min(wait, std::chrono::microseconds(std::chrono::seconds(60)));
}

void VirtualDrive::Run() {
  // The line's byte times are half a millisecond at 19200 baud; the
  // kernel's default slack of 50 us on each timed wait would stretch every
  // reply the drive schedules.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::vector<std::string> logLines;
  char buffer[512];
  for (;;) {
    int masterFd = -1;
    short events = 0;
    std::chrono::microseconds timeout(-1);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopRequested_) break;
      if (closeRequested_) {
        CloseMasterLocked();
        closeRequested_ = false;
        changed_.notify_all();
      }
      const auto now = Clock::now();
      ProduceSampleFrames(now);
      ReleaseDueOutput(now, logLines);
      WritePending(now);
      masterFd = pty_.MasterFd();
      events = POLLIN;
      if (!writeBuffer_.empty() && (!options_.wireTiming || (chunkDoneAt_ && now >= *chunkDoneAt_))) {
        events |= POLLOUT;
      }
      timeout = PollTimeout(now);
    }
    if (options_.log) {
      for (const auto& line : logLines) options_.log(line);
    }
    logLines.clear();

    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {masterFd, events, 0}};
    const nfds_t count = masterFd >= 0 ? 2 : 1;
    int ready;
    if (options_.poll) {
      ready = options_.poll(fds, count, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(timeout).count()));
    } else if (timeout.count() < 0) {
      ready = ::ppoll(fds, count, nullptr, nullptr);
    } else {
      const timespec ts{static_cast<time_t>(timeout.count() / 1000000), static_cast<long>(timeout.count() % 1000000) * 1000};
      ready = ::ppoll(fds, count, &ts, nullptr);
    }
    if (ready < 0) {
      if (errno == EINTR) continue;  // the next pass recomputes everything
      // A wait that fails for good would make this loop spin. The line is
      // as good as unplugged: the program's side sees the hang-up.
      {
        std::lock_guard<std::mutex> lock(mutex_);
        CloseMasterLocked();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    if (fds[0].revents & POLLIN) DrainWake();
    if (count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      // Only this thread closes the master, so reading without the lock is safe.
      const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
      std::lock_guard<std::mutex> lock(mutex_);
      if (n > 0) {
        HandleInput(buffer, static_cast<std::size_t>(n), Clock::now(), logLines);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        CloseMasterLocked();  // the pair is unusable; stop polling it
      }
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  closeRequested_ = false;
  changed_.notify_all();
}

}  // namespace zembra::sim
