// The frame scanner fed byte by byte and in chunks: every frame type,
// garbage, repeated leads, check bytes, split and merged input, overflow,
// and a randomized cut of a valid stream.
#include <gtest/gtest.h>

#include <random>

#include "link/FrameScanner.h"

namespace zembra {
namespace {

std::string Checked(std::string frame) {
  unsigned sum = 0;
  for (unsigned char c : frame) sum += c;
  frame.push_back(static_cast<char>(sum & 0xFF));
  return frame;
}

std::string Sample16(char lead, std::uint8_t channel, std::int16_t value) {
  std::string f{lead, static_cast<char>(channel), static_cast<char>(value & 0xFF),
                static_cast<char>((value >> 8) & 0xFF)};
  return Checked(f);
}

std::string Sample32(std::uint8_t channel, std::int32_t value) {
  std::string f{'$', static_cast<char>(channel)};
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return Checked(f);
}

std::string Block(char fill = 'x') {
  std::string b = "QN" + std::string(125, fill);
  return Checked(b);
}

std::vector<std::string> Texts(const std::vector<ScannedFrame>& frames) {
  std::vector<std::string> out;
  for (const auto& f : frames) out.push_back(f.payload);
  return out;
}

std::vector<ScannedFrame> FeedBytewise(FrameScanner& s, const std::string& bytes, bool connected = true) {
  std::vector<ScannedFrame> all;
  for (char c : bytes) {
    auto got = s.Feed(std::string_view(&c, 1), connected);
    all.insert(all.end(), got.begin(), got.end());
  }
  return all;
}

TEST(FrameScanner, TextRepliesNeedAtLeastOneCharacter) {
  FrameScanner s;
  EXPECT_TRUE(s.Feed("#\r\n", true).empty());
  auto one = s.Feed("#7\r\n", true);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].kind, ScannedFrame::Kind::TextReply);
  EXPECT_EQ(one[0].type, FrameType::Text);
  EXPECT_EQ(one[0].payload, "7");
}

TEST(FrameScanner, TextReplyArrivingByteByByte) {
  FrameScanner s;
  auto frames = FeedBytewise(s, "#-12345\r\n");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "-12345");
  EXPECT_EQ(s.Pending(), 0u);
}

TEST(FrameScanner, ACarriageReturnAloneDoesNotEndAReply) {
  FrameScanner s;
  EXPECT_TRUE(s.Feed("#12\r", true).empty());
  auto frames = s.Feed("\n", true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "12");
}

TEST(FrameScanner, GarbageBeforeAReplyIsPassedOver) {
  FrameScanner s;
  auto frames = s.Feed(std::string("\x01\xFFzz\r\n") + "#OK\r\n", true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "OK");
}

TEST(FrameScanner, StrayHashDoesNotLeakIntoTheNextReply) {
  FrameScanner s;
  EXPECT_TRUE(s.Feed("#noise", true).empty());
  auto frames = s.Feed("#3000\r\n", true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "3000");
}

TEST(FrameScanner, MergedRepliesAreAllDelivered) {
  FrameScanner s;
  auto frames = s.Feed("#1\r\n#22\r\n" + Sample16('*', 3, -7) + "#333\r\n", true);
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0].payload, "1");
  EXPECT_EQ(frames[1].payload, "22");
  EXPECT_EQ(frames[2].kind, ScannedFrame::Kind::Sample);
  EXPECT_EQ(frames[3].payload, "333");
}

TEST(FrameScanner, SamplingFramesOfEachLead) {
  FrameScanner s;
  auto a = s.Feed(Sample16('*', 5, -300), true);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].type, FrameType::Sample16);
  ASSERT_EQ(a[0].payload.size(), 3u);
  EXPECT_EQ(static_cast<std::uint8_t>(a[0].payload[0]), 5);
  EXPECT_EQ(static_cast<std::int16_t>(static_cast<std::uint8_t>(a[0].payload[1]) |
                                      (static_cast<std::uint8_t>(a[0].payload[2]) << 8)),
            -300);

  auto b = s.Feed(Sample32(7, -1000000), true);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].type, FrameType::Sample32);
  EXPECT_EQ(b[0].payload.size(), 5u);

  auto c = s.Feed(Sample16('@', 1, 42), true);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].type, FrameType::Sample16At);
}

TEST(FrameScanner, IncompleteSampleWaitsForTheRest) {
  FrameScanner s;
  std::string f = Sample32(2, 123456);
  EXPECT_TRUE(s.Feed(f.substr(0, 4), true).empty());
  EXPECT_EQ(s.Pending(), 4u);
  auto frames = s.Feed(f.substr(4), true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].type, FrameType::Sample32);
}

TEST(FrameScanner, RepeatedLeadAndBadCheckAreSkipped) {
  FrameScanner s;
  // "*" at offset 1: the value byte equals the lead, so this position is
  // not taken even though the check byte would match.
  std::string repeated = Checked(std::string{'*', '*', 1, 0});
  EXPECT_TRUE(s.Feed(repeated, true).empty());
  FrameScanner s2;
  std::string bad = Sample16('*', 1, 99);
  bad.back() = static_cast<char>(bad.back() + 1);
  EXPECT_TRUE(s2.Feed(bad, true).empty());
  // A good frame after the bad one is still found.
  auto frames = s2.Feed(Sample16('*', 1, 99), true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].type, FrameType::Sample16);
}

TEST(FrameScanner, DoubledAtSignIsNotAFrameStart) {
  FrameScanner s;
  auto frames = s.Feed("@" + Sample16('@', 4, 10), true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(static_cast<std::uint8_t>(frames[0].payload[0]), 4);
}

TEST(FrameScanner, SamplesWhileNotConnectedAskForTheStreamStopAndEmptyTheBuffer) {
  FrameScanner s;
  auto frames = s.Feed(Sample16('*', 1, 1) + "#5\r\n", false);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].kind, ScannedFrame::Kind::UnsolicitedStream);
  EXPECT_EQ(s.Pending(), 0u);
}

TEST(FrameScanner, ParameterBlock) {
  FrameScanner s;
  std::string block = Block();
  auto frames = FeedBytewise(s, block);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].kind, ScannedFrame::Kind::ParameterBlock);
  EXPECT_EQ(frames[0].payload, block);
}

TEST(FrameScanner, ParameterBlockWithBadCheckIsIgnoredButLaterRepliesAreNot) {
  FrameScanner s;
  std::string block = Block();
  block.back() = static_cast<char>(block.back() ^ 0x55);
  auto frames = s.Feed(block + "#9\r\n", true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].kind, ScannedFrame::Kind::TextReply);
  EXPECT_EQ(frames[0].payload, "9");
}

TEST(FrameScanner, MoreThan256PendingBytesEmptyTheBuffer) {
  FrameScanner s;
  s.Feed(std::string(200, 'z'), true);
  EXPECT_EQ(s.Pending(), 200u);
  s.Feed(std::string(100, 'z'), true);
  EXPECT_LE(s.Pending(), FrameScanner::kCapacity);
  EXPECT_LT(s.Pending(), 100u + 1);
  // The scanner still works afterwards.
  auto frames = s.Feed("#1\r\n", true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "1");
}

TEST(FrameScanner, ABurstLargerThanTheBufferLosesNoFrame) {
  FrameScanner s;
  std::string burst;
  for (int i = 0; i < 60; ++i) burst += "#" + std::to_string(i) + "\r\n";
  ASSERT_GT(burst.size(), FrameScanner::kCapacity);
  auto frames = s.Feed(burst, true);
  ASSERT_EQ(frames.size(), 60u);
  EXPECT_EQ(frames[59].payload, "59");
}

TEST(FrameScanner, RandomCutsOfAValidStreamDeliverTheSameFrames) {
  std::string stream;
  std::vector<std::string> expected;
  std::mt19937 rng(20261209);
  for (int i = 0; i < 200; ++i) {
    switch (rng() % 4) {
      case 0: {
        std::string t = std::to_string(static_cast<int>(rng() % 200000) - 100000);
        stream += "#" + t + "\r\n";
        expected.push_back(t);
        break;
      }
      case 1: {
        std::string f = Sample16('*', 1 + rng() % 9, static_cast<std::int16_t>(rng() % 2000));
        if (f[1] == '*' || f[4] == '*') break;
        stream += f;
        expected.push_back(f.substr(1, 3));
        break;
      }
      case 2: {
        std::string f = Sample32(2, static_cast<std::int32_t>(rng() % 100000));
        if (f[1] == '$' || f[6] == '$') break;
        stream += f;
        expected.push_back(f.substr(1, 5));
        break;
      }
      case 3: {
        std::string b = Block(static_cast<char>('a' + rng() % 26));
        stream += b;
        expected.push_back(b);
        break;
      }
    }
  }
  for (int round = 0; round < 50; ++round) {
    FrameScanner s;
    std::vector<ScannedFrame> got;
    std::size_t pos = 0;
    while (pos < stream.size()) {
      std::size_t len = 1 + rng() % 40;
      auto part = s.Feed(std::string_view(stream).substr(pos, len), true);
      got.insert(got.end(), part.begin(), part.end());
      pos += len;
    }
    ASSERT_EQ(Texts(got), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace zembra
