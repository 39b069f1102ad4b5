// Covers ConsoleLineFormer: the text formed for echoed commands, aligned
// replies, the three sampling frame types, notices, and payloads too short
// for their frame type.
#include <gtest/gtest.h>

#include <string>

#include "console/ConsoleLineFormer.h"

namespace zembra {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

class ConsoleLineFormerTest : public ::testing::Test {
 protected:
  QString Command(const std::string& text) {
    auto line = former.Form(kDriveTextString, FrameType::Text, text);
    EXPECT_TRUE(line.has_value());
    EXPECT_EQ(line->kind, ConsoleLineKind::Command);
    return line ? line->text : QString();
  }
  QString Reply(const std::string& text) {
    auto line = former.Form(kDriveTextFrame, FrameType::Text, text);
    EXPECT_TRUE(line.has_value());
    EXPECT_EQ(line->kind, ConsoleLineKind::Reply);
    return line ? line->text : QString();
  }
  ConsoleLineFormer former;
};

TEST_F(ConsoleLineFormerTest, EchoedCommandStartsNewLineAndIsCutAtCarriageReturn) {
  EXPECT_EQ(Command("GSP\r"), QString("\r\n GSP"));
  EXPECT_EQ(former.LastCommand(), QString("GSP"));
  EXPECT_EQ(Command("SSP100\rjunk"), QString("\r\n SSP100"));
  EXPECT_EQ(former.LastCommand(), QString("SSP100"));
}

TEST_F(ConsoleLineFormerTest, ReplyIsAlignedAfterDotsUpToSixCharacters) {
  Command("GSP\r");
  EXPECT_EQ(Reply("3000"), QString(" ... 3000"));
  Command("G\r");
  EXPECT_EQ(Reply("1"), QString(" ..... 1"));
  Command("GVER\r");
  EXPECT_EQ(Reply("V2.1"), QString(" .. V2.1"));
}

TEST_F(ConsoleLineFormerTest, ReplyToLongCommandGetsTwoSpacesAndNoDots) {
  Command("SSP100\r");
  EXPECT_EQ(Reply("OK"), QString("  OK"));
  Command("SSP12345\r");
  EXPECT_EQ(Reply("OK"), QString("  OK"));
}

TEST_F(ConsoleLineFormerTest, ReplyBeforeAnyCommandGetsSixDots) {
  EXPECT_EQ(Reply("7"), QString(" ...... 7"));
}

TEST_F(ConsoleLineFormerTest, GbkReplyAndNoticeAreDecoded) {
  Command("GDTY\r");
  // "伺服" in GBK.
  EXPECT_EQ(Reply(Bytes({0xCB, 0xC5, 0xB7, 0xFE})), QString(" .. 伺服"));
}

TEST_F(ConsoleLineFormerTest, ReplyEndsAtNul) {
  Command("GSP\r");
  EXPECT_EQ(Reply(std::string("12\0stale", 8)), QString(" ... 12"));
}

TEST_F(ConsoleLineFormerTest, NoticeWithTextTypeBecomesTheLastCommand) {
  EXPECT_EQ(Command("GESA Succeed"), QString("\r\n GESA Succeed"));
  EXPECT_EQ(Reply("x"), QString("  x"));
}

TEST_F(ConsoleLineFormerTest, SixteenBitSamplesAreSignedWithPaddedChannel) {
  for (FrameType type : {FrameType::Sample16, FrameType::Sample16At}) {
    auto line = former.Form(kDriveTextFrame, type, Bytes({7, 0x34, 0x12}));
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->kind, ConsoleLineKind::Sample);
    EXPECT_EQ(line->text, QString("          007/4660\r\n"));
    line = former.Form(kDriveTextFrame, type, Bytes({200, 0xFE, 0xFF}));
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->text, QString("          200/-2\r\n"));
  }
}

TEST_F(ConsoleLineFormerTest, ThirtyTwoBitSampleIsSigned) {
  auto line = former.Form(kDriveTextFrame, FrameType::Sample32, Bytes({1, 0x78, 0x56, 0x34, 0x12}));
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->text, QString("          001/305419896\r\n"));
  line = former.Form(kDriveTextFrame, FrameType::Sample32, Bytes({12, 0x00, 0x00, 0x00, 0x80}));
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->text, QString("          012/-2147483648\r\n"));
}

TEST_F(ConsoleLineFormerTest, SampleDoesNotChangeTheAlignment) {
  Command("GV\r");
  former.Form(kDriveTextFrame, FrameType::Sample16, Bytes({1, 2, 3}));
  EXPECT_EQ(Reply("5"), QString(" .... 5"));
}

TEST_F(ConsoleLineFormerTest, TextWithSampleTypeIsANoticeOnItsOwnLine) {
  Command("GSP\r");
  for (FrameType type : {FrameType::Sample16, FrameType::Sample32, FrameType::Sample16At}) {
    auto line = former.Form(kDriveTextString, type, "stream stopped");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->kind, ConsoleLineKind::Notice);
    EXPECT_EQ(line->text, QString("\r\n stream stopped"));
  }
  EXPECT_EQ(former.LastCommand(), QString("GSP"));
}

TEST_F(ConsoleLineFormerTest, ShortSamplePayloadsAreSkipped) {
  EXPECT_FALSE(former.Form(kDriveTextFrame, FrameType::Sample16, Bytes({1, 2})).has_value());
  EXPECT_FALSE(former.Form(kDriveTextFrame, FrameType::Sample16At, "").has_value());
  EXPECT_FALSE(former.Form(kDriveTextFrame, FrameType::Sample32, Bytes({1, 2, 3, 4})).has_value());
  EXPECT_TRUE(former.Form(kDriveTextFrame, FrameType::Sample32, Bytes({1, 2, 3, 4, 5})).has_value());
}

TEST_F(ConsoleLineFormerTest, UnknownFrameTypeOrKindFormsNothing) {
  EXPECT_FALSE(former.Form(kDriveTextFrame, static_cast<FrameType>(9), "abc").has_value());
  WindowMessage message{WM_DRIVE_TEXT, 0, MakeLParam(2, 0), MakePayload("GSP\r")};
  EXPECT_FALSE(former.Form(message).has_value());
}

TEST_F(ConsoleLineFormerTest, MessageCarriesKindAndTypeInLParam) {
  WindowMessage command{WM_DRIVE_TEXT, 0, MakeLParam(kDriveTextString, 0), MakePayload("GT\r")};
  ASSERT_TRUE(former.Form(command).has_value());
  WindowMessage sample{WM_DRIVE_TEXT, 42, MakeLParam(kDriveTextFrame, static_cast<std::uint16_t>(FrameType::Sample16)),
                       MakePayload(Bytes({3, 10, 0}))};
  auto line = former.Form(sample);
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->text, QString("          003/10\r\n"));
  WindowMessage empty{WM_DRIVE_TEXT, 42, MakeLParam(kDriveTextFrame, static_cast<std::uint16_t>(FrameType::Sample16)), nullptr};
  EXPECT_FALSE(former.Form(empty).has_value());
}

}  // namespace
}  // namespace zembra
