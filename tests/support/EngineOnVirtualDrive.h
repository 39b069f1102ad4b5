#pragma once
// An engine on a virtual drive over a pty: the ground the link, drive,
// monitoring and parameter-page tests stand on. The drive answers on the
// far side of a pseudo-terminal; the engine has its port open at 9600 baud
// and its receive thread running; a console and an owner window record what
// the link tells them; and a holder takes the link the way a status poll
// does, through the typed request, for as long as a test needs it taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/LinkRequester.h"
#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"
#include "sim/VirtualDrive.h"

namespace zembra::test {

// Records every message a window of the link is sent.
class RecordingConsole : public MessageWindow {
 public:
  std::intptr_t OnMessage(const WindowMessage& m) override;
  // A WM_DRIVE_TEXT carrying exactly `text` arrived.
  bool Saw(const std::string& text) const;
  // Received frames (not echoes) of WM_DRIVE_TEXT so far.
  std::size_t Frames() const;

  std::vector<WindowMessage> texts;
  std::vector<WindowMessage> all;
};

class EngineOnVirtualDrive : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The holder sends "GT" and awaits an answer that the drive, told to be
  // silent for it, never gives; it keeps the link until FreeLink(). The
  // drive has the command when it returns.
  void HoldLink() { ASSERT_TRUE(TryHoldLink()); }
  // False (and nothing held) when the link is not free.
  bool TryHoldLink();
  void FreeLink();

  std::vector<std::string> CommandsFrom(std::size_t from) const;
  std::size_t Count(const std::string& command) const;

  LinkState link;
  TransactionEngine engine{link};
  sim::VirtualDrive drive;
  RecordingConsole console;
  RecordingConsole owner;
  LinkRequester holder{engine};
};

}  // namespace zembra::test
