// Covers CZembraEditView as a widget: drive traffic shown as one line per
// command with its reply, messages posted from other threads, batching,
// the 2000-line clear, a reader who scrolled up keeping the place, standard
// output redirection and its undoing, the console font and accessibility.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <iostream>
#include <thread>

#include "tests/support/EventLoopWait.h"
#include "console/ZembraEditView.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

using test::WaitUntil;

std::intptr_t FrameLParam(FrameType type) {
  return MakeLParam(kDriveTextFrame, static_cast<std::uint16_t>(type));
}

class ZembraEditViewTest : public ::testing::Test {
 protected:
  ZembraEditViewTest() {
    view.resize(400, 300);
    view.show();
  }

  void ShowSent(const std::string& text) {
    SendMessage(view.Handle(), WM_DRIVE_TEXT, 0, MakeLParam(kDriveTextString, 0), MakePayload(text));
  }
  void SendReply(const std::string& text) {
    SendMessage(view.Handle(), WM_DRIVE_TEXT, 5, FrameLParam(FrameType::Text), MakePayload(text));
  }
  void SendSample(int channel, std::int16_t value) {
    std::string bytes{static_cast<char>(channel), static_cast<char>(value & 0xFF),
                      static_cast<char>((value >> 8) & 0xFF)};
    SendMessage(view.Handle(), WM_DRIVE_TEXT, 6, FrameLParam(FrameType::Sample16), MakePayload(bytes));
  }
  QString Line(int n) const { return view.document()->findBlockByNumber(n).text(); }
  int Lines() const { return view.document()->blockCount(); }

  std::atomic<bool> batching{false};
  CZembraEditView view{batching};
};

TEST_F(ZembraEditViewTest, EachCommandIsOneLineWithItsReplyAfterTheDots) {
  ShowSent("GSP\r");
  SendReply("3000");
  ShowSent("SSP1000\r");
  SendReply("OK");
  EXPECT_EQ(view.toPlainText(), QString("\n GSP ... 3000\n SSP1000  OK"));
  EXPECT_EQ(Line(1), QString(" GSP ... 3000"));
  EXPECT_EQ(Line(2), QString(" SSP1000  OK"));
}

TEST_F(ZembraEditViewTest, MessagesPostedFromAnotherThreadArriveInOrder) {
  ShowSent("GT\r");
  std::thread receiver([this] {
    PostMessage(view.Handle(), WM_DRIVE_TEXT, 1, FrameLParam(FrameType::Text), MakePayload("45"));
    SendMessage(view.Handle(), WM_DRIVE_TEXT, 0, MakeLParam(kDriveTextString, 0), MakePayload("GESA Succeed"));
  });
  receiver.join();
  ASSERT_TRUE(WaitUntil([&] { return Lines() == 3; }));
  EXPECT_EQ(Line(1), QString(" GT .... 45"));
  EXPECT_EQ(Line(2), QString(" GESA Succeed"));
}

TEST_F(ZembraEditViewTest, SamplesAreBatchedWhileTheFlagIsSet) {
  batching = true;
  for (int i = 0; i < 29; ++i) SendSample(2, static_cast<std::int16_t>(-i));
  EXPECT_TRUE(view.toPlainText().isEmpty());
  SendSample(2, -29);
  EXPECT_EQ(Lines(), 31);
  EXPECT_EQ(Line(0), QString("          002/0"));
  EXPECT_EQ(Line(29), QString("          002/-29"));
  batching = false;
  SendSample(2, 7);
  EXPECT_EQ(Line(30), QString("          002/7"));
}

TEST_F(ZembraEditViewTest, ConsoleIsClearedAtTheWriteAfterItPassesTwoThousandLines) {
  for (int i = 0; i < 2000; ++i) SendSample(1, static_cast<std::int16_t>(i));
  EXPECT_EQ(Lines(), 2001);
  ShowSent("GSP\r");
  EXPECT_EQ(view.toPlainText(), QString("\n GSP"));
}

TEST_F(ZembraEditViewTest, ClearDropsSinkTextThatWasWaitingForTheReader) {
  for (int i = 0; i < 2000; ++i) SendSample(1, static_cast<std::int16_t>(i));
  view.verticalScrollBar()->setValue(0);  // reader away: sink text stays queued
  view.Sink().Append("old news\n", true);
  QCoreApplication::processEvents();
  ASSERT_TRUE(view.Sink().HasPending());
  ShowSent("GSP\r");
  EXPECT_FALSE(view.Sink().HasPending());
  EXPECT_FALSE(view.toPlainText().contains("old news"));
}

TEST_F(ZembraEditViewTest, ReaderWhoScrolledUpKeepsPlaceAndSelection) {
  for (int i = 0; i < 200; ++i) SendSample(1, static_cast<std::int16_t>(i));
  QTextCursor selection(view.document()->findBlockByNumber(20));
  selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  view.setTextCursor(selection);
  view.verticalScrollBar()->setValue(15);
  const int anchor = view.textCursor().anchor();
  const int position = view.textCursor().position();

  view.Sink().Append("note from elsewhere\n", true);
  ASSERT_TRUE(WaitUntil([&] { return view.toPlainText().endsWith("note from elsewhere\n"); }));
  EXPECT_EQ(view.verticalScrollBar()->value(), 15);
  EXPECT_EQ(view.textCursor().anchor(), anchor);
  EXPECT_EQ(view.textCursor().position(), position);
  EXPECT_EQ(view.textCursor().selectedText(), QString("          001/20"));

  // Drive traffic scrolls to the end but leaves the selection alone.
  SendSample(1, 999);
  EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
  EXPECT_EQ(view.textCursor().selectedText(), QString("          001/20"));
}

TEST_F(ZembraEditViewTest, ReaderAtTheEndFollowsNewText) {
  for (int i = 0; i < 200; ++i) SendSample(1, static_cast<std::int16_t>(i));
  QTextCursor end = view.textCursor();
  end.movePosition(QTextCursor::End);
  view.setTextCursor(end);
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  const int before = view.verticalScrollBar()->value();

  view.Sink().Append("a\nb\nc\n", true);
  ASSERT_TRUE(WaitUntil([&] { return view.toPlainText().endsWith("a\nb\nc\n"); }));
  EXPECT_GT(view.verticalScrollBar()->value(), before);
  EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
  EXPECT_EQ(view.textCursor().position(), view.document()->characterCount() - 1);
}

TEST(ZembraEditViewStdout, CoutAndWcoutReachTheViewAndAreRestoredAfterwards) {
  std::streambuf* narrowBefore = std::cout.rdbuf();
  std::wstreambuf* wideBefore = std::wcout.rdbuf();
  {
    std::atomic<bool> batching{false};
    CZembraEditView view(batching);
    EXPECT_NE(std::cout.rdbuf(), narrowBefore);
    std::cout << "状态 " << 42 << "\n";
    std::wcout << L"宽字符" << std::endl;
    std::thread worker([] { std::cout << "from worker\n"; });
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return view.toPlainText().contains("from worker\n"); }));
    EXPECT_TRUE(view.toPlainText().contains("状态 42\n"));
    EXPECT_TRUE(view.toPlainText().contains("宽字符\n"));
    EXPECT_FALSE(view.toPlainText().contains('\r'));
  }
  EXPECT_EQ(std::cout.rdbuf(), narrowBefore);
  EXPECT_EQ(std::wcout.rdbuf(), wideBefore);
}

TEST(ZembraEditViewStdout, LongOutputIsPassedInFullBuffersWithoutLosingCharacters) {
  std::atomic<bool> batching{false};
  CZembraEditView view(batching);
  // 600 two-byte characters: the 512-byte buffer fills in the middle of one.
  QString expected;
  std::string utf8;
  for (int i = 0; i < 600; ++i) {
    expected += QChar(0x4E00 + i);
    utf8 += QString(QChar(0x4E00 + i)).toStdString();
  }
  std::cout << utf8;
  ASSERT_TRUE(WaitUntil([&] { return view.toPlainText().size() >= 200; }));
  std::cout << std::flush;
  ASSERT_TRUE(WaitUntil([&] { return view.toPlainText() == expected; }));
}

TEST(ZembraEditViewLook, ReadOnlyNamedAndInACjkCapableFont) {
  std::atomic<bool> batching{false};
  CZembraEditView view(batching);
  EXPECT_TRUE(view.isReadOnly());
  EXPECT_EQ(view.accessibleName(), QString("控制台"));
  EXPECT_FALSE(view.objectName().isEmpty());
  EXPECT_EQ(view.maximumBlockCount(), 0);
  EXPECT_EQ(view.font().family(), QString(CZembraEditView::kFontFamily));
  QFontMetrics metrics(view.font());
  EXPECT_TRUE(metrics.inFont(QChar(0x4F3A)));  // 伺
  EXPECT_TRUE(QFontInfo(view.font()).family().contains("CJK")) << QFontInfo(view.font()).family().toStdString();
}

}  // namespace
}  // namespace zembra
