// Covers TextSink over a scripted surface: line-end conversion, the gentle
// flush that waits for the reader, the forced flush on the timer that keeps
// the reader's view, discarding, and appends from other threads.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/EventLoopWait.h"
#include "console/TextSink.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

using test::WaitUntil;

class ScriptedSurface : public SinkSurface {
 public:
  bool IsReaderAtEnd() const override { return atEnd; }
  ReaderView SaveReaderView() const override {
    ++saves;
    return view;
  }
  void RestoreReaderView(const ReaderView& v) override {
    restored.push_back(v);
    view = v;
  }
  void AppendAtEnd(const QString& piece) override {
    EXPECT_FALSE(repaintEnabled) << "appending while the control repaints";
    text += piece;
  }
  void MoveReaderToEnd() override { ++movesToEnd; }
  void SetRepaintEnabled(bool enabled) override { repaintEnabled = enabled; }

  bool atEnd = true;
  ReaderView view;
  mutable int saves = 0;
  std::vector<ReaderView> restored;
  QString text;
  int movesToEnd = 0;
  bool repaintEnabled = true;
};

class TextSinkTest : public ::testing::Test {
 protected:
  ScriptedSurface surface;
  TextSink sink{surface, 50};
};

TEST_F(TextSinkTest, LineEndConversionPutsCarriageReturnBeforeEveryNewline) {
  sink.Append("a\nb\r\n", true);
  sink.Append("c\nd", false);
  ASSERT_TRUE(sink.Flush(TextSink::FlushMode::Gentle));
  EXPECT_EQ(surface.text, QString("a\r\nb\r\r\nc\nd"));
}

TEST_F(TextSinkTest, NarrowTextIsGbkAndWideTextIsTakenAsIs) {
  sink.AppendNarrow("\xCB\xC5\xB7\xFE", false);  // "伺服" in GBK
  sink.AppendWide(L"电机\n", true);
  ASSERT_TRUE(sink.Flush(TextSink::FlushMode::Gentle));
  EXPECT_EQ(surface.text, QString("伺服电机\r\n"));
}

TEST_F(TextSinkTest, PostedFlushAppendsAtOnceWhenReaderIsAtEnd) {
  sink.Append("hello", false);
  ASSERT_TRUE(WaitUntil([&] { return surface.text == "hello"; }));
  EXPECT_FALSE(sink.HasPending());
  EXPECT_EQ(surface.movesToEnd, 1);
  EXPECT_TRUE(surface.repaintEnabled);
  EXPECT_FALSE(IsTimerRunning(sink.Handle(), TIMER_SINK_FLUSH));
}

TEST_F(TextSinkTest, GentleFlushLeavesTextQueuedWhileReaderIsAway) {
  surface.atEnd = false;
  sink.Append("later", false);
  EXPECT_FALSE(sink.Flush(TextSink::FlushMode::Gentle));
  EXPECT_TRUE(surface.text.isEmpty());
  EXPECT_TRUE(sink.HasPending());
}

TEST_F(TextSinkTest, TimerForcesFlushKeepingReaderViewThenStops) {
  surface.atEnd = false;
  surface.view = {3, 9, 17, 0};
  sink.Append("one ", false);
  sink.Append("two", false);
  ASSERT_TRUE(WaitUntil([&] { return IsTimerRunning(sink.Handle(), TIMER_SINK_FLUSH); }));
  EXPECT_TRUE(surface.text.isEmpty());
  ASSERT_TRUE(WaitUntil([&] { return surface.text == "one two"; }));
  EXPECT_EQ(surface.saves, 1);
  ASSERT_EQ(surface.restored.size(), 1u);
  EXPECT_EQ(surface.restored[0], (ReaderView{3, 9, 17, 0}));
  EXPECT_EQ(surface.movesToEnd, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsTimerRunning(sink.Handle(), TIMER_SINK_FLUSH); }));
  EXPECT_FALSE(sink.HasPending());
}

TEST_F(TextSinkTest, DiscardDropsQueuedText) {
  surface.atEnd = false;
  sink.Append("stale", false);
  sink.Discard();
  EXPECT_FALSE(sink.HasPending());
  sink.Append("fresh", false);
  ASSERT_TRUE(sink.Flush(TextSink::FlushMode::Forced));
  EXPECT_EQ(surface.text, QString("fresh"));
}

// The console is emptied and new text queued while a flush is appending
// (outside the sink's lock): the flush must not take the new text for the
// part it just appended and drop it.
class InterruptedSurface : public ScriptedSurface {
 public:
  void AppendAtEnd(const QString& piece) override {
    ScriptedSurface::AppendAtEnd(piece);
    if (during) std::exchange(during, nullptr)();
  }
  std::function<void()> during;
};

TEST(TextSinkDiscard, TextQueuedAfterADiscardDuringAFlushIsKept) {
  InterruptedSurface surface;
  TextSink sink(surface, 50);
  surface.during = [&] {
    sink.Discard();
    sink.Append("new line", false);
  };
  sink.Append("old", false);
  ASSERT_TRUE(sink.Flush(TextSink::FlushMode::Gentle));
  EXPECT_EQ(surface.text, QString("old"));
  ASSERT_TRUE(sink.HasPending());
  ASSERT_TRUE(sink.Flush(TextSink::FlushMode::Gentle));
  EXPECT_EQ(surface.text, QString("oldnew line"));
}

TEST_F(TextSinkTest, TextFromOtherThreadsArrivesWhole) {
  constexpr int kThreads = 4;
  constexpr int kPieces = 200;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([this, t] {
      for (int i = 0; i < kPieces; ++i) sink.Append(QString::asprintf("<%d:%d>", t, i), false);
    });
  }
  for (auto& w : writers) w.join();
  ASSERT_TRUE(WaitUntil([&] { return !sink.HasPending(); }));
  for (int t = 0; t < kThreads; ++t) {
    qsizetype last = -1;
    for (int i = 0; i < kPieces; ++i) {
      qsizetype at = surface.text.indexOf(QString::asprintf("<%d:%d>", t, i));
      ASSERT_GT(at, last) << "piece " << t << ":" << i << " missing or out of order";
      last = at;
    }
  }
}

}  // namespace
}  // namespace zembra
