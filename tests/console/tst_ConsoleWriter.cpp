// Covers ConsoleWriter over a recording surface: direct writes, batching in
// groups of 30, the reply-dropping rule while batching, the batch written
// out once batching stops, and the 2000-line clear at the next write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/ConsoleWriter.h"

namespace zembra {
namespace {

// Counts lines the way an edit control does: one more than its line ends.
class RecordingSurface : public ConsoleSurface {
 public:
  int LineCount() const override { return static_cast<int>(text.count(QStringLiteral("\r\n"))) + 1; }
  void Clear() override {
    text.clear();
    ++clears;
    calls.push_back("clear");
  }
  void Append(const QString& piece) override {
    text += piece;
    appends.push_back(piece);
    calls.push_back("append");
  }
  void ScrollToEnd() override { calls.push_back("scroll"); }

  QString text;
  int clears = 0;
  std::vector<QString> appends;
  std::vector<std::string> calls;
};

ConsoleLine Command(const QString& c) { return {ConsoleLineKind::Command, "\r\n " + c}; }
ConsoleLine Reply(const QString& r) { return {ConsoleLineKind::Reply, r}; }
ConsoleLine Sample(int n) { return {ConsoleLineKind::Sample, QString::asprintf("          001/%d\r\n", n)}; }

class ConsoleWriterTest : public ::testing::Test {
 protected:
  RecordingSurface surface;
  std::atomic<bool> batching{false};
  ConsoleWriter writer{surface, batching};
};

TEST_F(ConsoleWriterTest, DirectWriteAppendsThenScrolls) {
  writer.Write(Command("GSP"));
  writer.Write(Reply(" ... 3000"));
  EXPECT_EQ(surface.text, QString("\r\n GSP ... 3000"));
  EXPECT_EQ(surface.calls, (std::vector<std::string>{"append", "scroll", "append", "scroll"}));
}

TEST_F(ConsoleWriterTest, BatchIsWrittenInGroupsOfThirty) {
  batching = true;
  for (int i = 0; i < 29; ++i) writer.Write(Sample(i));
  EXPECT_TRUE(surface.appends.empty());
  EXPECT_EQ(writer.BatchedLines(), 29u);
  writer.Write(Sample(29));
  ASSERT_EQ(surface.appends.size(), 1u);
  EXPECT_EQ(writer.BatchedLines(), 0u);
  EXPECT_EQ(surface.LineCount(), 31);
  EXPECT_TRUE(surface.text.startsWith(QString("          001/0\r\n          001/1\r\n")));
  EXPECT_TRUE(surface.text.endsWith(QString("          001/29\r\n")));
  EXPECT_EQ(surface.calls.back(), "scroll");
}

TEST_F(ConsoleWriterTest, ReplyIsDroppedWhileLastBatchedLineHasADot) {
  batching = true;
  writer.Write(Command("GV"));
  writer.Write(Reply(" .... 12"));
  writer.Write(Reply(" .... 13"));  // last batched line has dots: dropped
  writer.Write(Command("SSP100"));
  writer.Write(Reply("  5"));       // last line is a command without a dot: kept
  writer.Write(Reply("  6"));       // "  5" holds no dot either: kept
  writer.Write(Reply("  7.5"));     // kept, but now the last line has a decimal point
  writer.Write(Reply("  8"));       // dropped
  writer.Write(Sample(1));          // samples are never dropped
  EXPECT_EQ(writer.BatchedLines(), 7u);
  batching = false;
  writer.Write(Command("GT"));
  EXPECT_EQ(surface.text, QString("\r\n GV .... 12\r\n SSP100  5  6  7.5          001/1\r\n\r\n GT"));
}

TEST_F(ConsoleWriterTest, FirstReplyIntoEmptyBatchIsKept) {
  batching = true;
  writer.Write(Reply(" ... 1"));
  EXPECT_EQ(writer.BatchedLines(), 1u);
}

TEST_F(ConsoleWriterTest, BatchIsWrittenBeforeTheFirstLineAfterBatchingStops) {
  batching = true;
  writer.Write(Sample(1));
  writer.Write(Sample(2));
  EXPECT_TRUE(surface.appends.empty());
  batching = false;
  writer.Write(Command("GSP"));
  EXPECT_EQ(surface.text, QString("          001/1\r\n          001/2\r\n\r\n GSP"));
  EXPECT_EQ(writer.BatchedLines(), 0u);
}

TEST_F(ConsoleWriterTest, ConsoleOverTwoThousandLinesIsClearedAtNextWriteNotTrimmed) {
  for (int i = 0; i < 2000; ++i) writer.Write(Sample(i));
  EXPECT_EQ(surface.LineCount(), 2001);  // grows past the cap; nothing is trimmed
  EXPECT_EQ(surface.clears, 0);
  writer.Write(Command("GSP"));
  EXPECT_EQ(surface.clears, 1);
  EXPECT_EQ(surface.text, QString("\r\n GSP"));
}

TEST_F(ConsoleWriterTest, ExactlyTwoThousandLinesIsNotCleared) {
  for (int i = 0; i < 1999; ++i) writer.Write(Sample(i));
  EXPECT_EQ(surface.LineCount(), 2000);
  writer.Write(Sample(0));
  EXPECT_EQ(surface.clears, 0);
}

TEST_F(ConsoleWriterTest, FullConsoleIsClearedBeforeAWholeBatchIsWritten) {
  for (int i = 0; i < 2000; ++i) writer.Write(Sample(i));
  ASSERT_EQ(surface.LineCount(), 2001);
  batching = true;
  for (int i = 0; i < 29; ++i) writer.Write(Sample(i));
  EXPECT_EQ(surface.clears, 0);  // batching defers the clear until the batch goes out
  writer.Write(Sample(29));
  EXPECT_EQ(surface.clears, 1);
  EXPECT_EQ(surface.LineCount(), 31);
  EXPECT_EQ(surface.calls[surface.calls.size() - 3], "clear");
}

}  // namespace
}  // namespace zembra
