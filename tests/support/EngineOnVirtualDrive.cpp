#include "tests/support/EngineOnVirtualDrive.h"

#include <algorithm>
#include <chrono>

#include "link/FrameType.h"
#include "platform/WindowMessages.h"

namespace zembra::test {

std::intptr_t RecordingConsole::OnMessage(const WindowMessage& m) {
  if (m.msg == WM_DRIVE_TEXT) texts.push_back(m);
  all.push_back(m);
  return 0;
}

bool RecordingConsole::Saw(const std::string& text) const {
  return std::any_of(texts.begin(), texts.end(), [&](const WindowMessage& m) { return m.Text() == text; });
}

std::size_t RecordingConsole::Frames() const {
  return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [](const WindowMessage& m) {
    return LowWord(m.lParam) == kDriveTextFrame;
  }));
}

void EngineOnVirtualDrive::SetUp() {
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  engine.SetConsoleWindow(console.Handle());
  engine.SetOwnerWindow(owner.Handle());
  ASSERT_TRUE(engine.OpenPort(QString::fromStdString(drive.SlavePath()), "9600,n,8,1"));
  ASSERT_TRUE(engine.StartReceiveThread());
}

void EngineOnVirtualDrive::TearDown() {
  holder.Cancel();
  engine.StopReceiveThread();
  drive.Stop();
}

bool EngineOnVirtualDrive::TryHoldLink() {
  drive.SetSilentFor("GT", true);
  RequestOptions options;
  options.echo = false;
  options.replyTimeout = std::chrono::hours(1);
  const std::size_t before = drive.CommandCount();
  if (holder.Request("GT\r", options, nullptr) && link.wait.Window() == holder.Handle()) {
    // On the drive's side too, so a test counting commands counts it.
    return drive.WaitForCommandCount(before + 1, std::chrono::seconds(1));
  }
  holder.Cancel();
  drive.SetSilentFor("GT", false);
  return false;
}

void EngineOnVirtualDrive::FreeLink() {
  holder.Cancel();
  drive.SetSilentFor("GT", false);
}

std::vector<std::string> EngineOnVirtualDrive::CommandsFrom(std::size_t from) const {
  const std::vector<std::string> all = drive.ReceivedCommands();
  return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
}

std::size_t EngineOnVirtualDrive::Count(const std::string& command) const {
  const std::vector<std::string> all = drive.ReceivedCommands();
  return static_cast<std::size_t>(std::count(all.begin(), all.end(), command));
}

}  // namespace zembra::test
