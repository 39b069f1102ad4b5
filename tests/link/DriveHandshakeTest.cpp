// The one identification handshake, with the link played by a script: the
// version asked on two ticks and given up on the third; a query still
// awaited when it gives up settles the run only when it ends, and its late
// answer still identifies the drive; a refused query counts as a try and is
// told.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/DriveHandshake.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::WaitUntil;

LinkReply Reply(CommandCode code, LinkReply::Outcome outcome, std::string text = {}) {
  LinkReply r;
  r.code = code;
  r.outcome = outcome;
  r.text = std::move(text);
  return r;
}

class Handshake : public ::testing::Test {
 protected:
  std::vector<std::string> asked;
  std::deque<SendResult> answers;  // what the link does with each query; Sent when empty
  std::vector<std::string> events;
  std::optional<DriveIdentity> settled;
  DriveHandshake handshake{[this](const char* command) {
                             asked.emplace_back(command);
                             const SendResult r = answers.empty() ? SendResult::Sent : answers.front();
                             if (!answers.empty()) answers.pop_front();
                             return r;
                           },
                           {.asking = [this] { events.push_back("asking"); },
                            .versionAnswered =
                                [this](const std::string& v) {
                                  events.push_back("version " + v);
                                  return true;
                                },
                            .gaveUp = [this] { events.push_back("gave up"); },
                            .refused = [this](SendResult r) { events.push_back("refused " + RefusalReason(r).toStdString()); },
                            .modelAnswered = [this](const std::string& m) { events.push_back("model " + m); },
                            .settled = [this](const DriveIdentity& i) { settled = i; }}};
};

TEST_F(Handshake, AQueryAwaitedWhenItGivesUpSettlesTheRunOnlyWhenItEnds) {
  answers = {SendResult::Sent, SendResult::Busy};  // the second tick finds the first query awaited
  handshake.Start();
  ASSERT_TRUE(WaitUntil([&] { return !handshake.Querying(); }, 2s));
  EXPECT_EQ(asked, (std::vector<std::string>{"GVER\r", "GVER\r"}));
  EXPECT_EQ(events, (std::vector<std::string>{"asking", "asking", "refused 正在进行其他操作", "gave up"}));
  EXPECT_FALSE(settled);
  handshake.TakeReply(Reply(kCodeGVER, LinkReply::Outcome::TimedOut));
  ASSERT_TRUE(settled);
  EXPECT_FALSE(settled->identified);
}

TEST_F(Handshake, ALateAnswerStillIdentifiesAndTheModelFollows) {
  handshake.Start();
  ASSERT_TRUE(WaitUntil([&] { return !handshake.Querying(); }, 2s));
  handshake.TakeReply(Reply(kCodeGVER, LinkReply::Outcome::Answered, "2.15"));
  EXPECT_EQ(asked.back(), "GDTY\r");
  EXPECT_FALSE(settled);
  handshake.TakeReply(Reply(kCodeGDTY, LinkReply::Outcome::Answered, "ZD-7720"));
  ASSERT_TRUE(settled);
  EXPECT_TRUE(settled->identified);
  EXPECT_EQ(settled->version, "2.15");
  EXPECT_EQ(settled->model, "ZD-7720");
  EXPECT_EQ(events.back(), "model ZD-7720");
  // A type answer later, asked by hand, is still told but settles nothing.
  settled.reset();
  handshake.TakeReply(Reply(kCodeGDTY, LinkReply::Outcome::Answered, "ZD-7721"));
  EXPECT_EQ(events.back(), "model ZD-7721");
  EXPECT_FALSE(settled);
}

}  // namespace
}  // namespace zembra
