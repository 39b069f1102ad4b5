// GBK conversion at the edge of the program: Chinese texts of the files and
// dialogs map to the right bytes and back, and a bad byte or an unmappable
// character costs only itself, never the rest of the text.
#include <gtest/gtest.h>

#include "platform/Gbk.h"

namespace zembra {
namespace {

TEST(GbkTest, ChineseTextMapsToItsGbkBytesAndBack) {
  bool ok = false;
  const std::string bytes = ToGbk(QStringLiteral("伺服运控管理系统 －－ "), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(bytes, "\xcb\xc5\xb7\xfe\xd4\xcb\xbf\xd8\xb9\xdc\xc0\xed\xcf\xb5\xcd\xb3\x20\xa3\xad\xa3\xad\x20");

  const QString text = FromGbk("\xb2\xce\xca\xfd=12\r\n", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, QStringLiteral("参数=12\r\n"));

  EXPECT_EQ(FromGbk(ToGbk(QStringLiteral("串口设置 COM1 确 定"))), QStringLiteral("串口设置 COM1 确 定"));
  EXPECT_EQ(ToGbk(QString()), "");
  EXPECT_EQ(FromGbk(""), QString());
}

TEST(GbkTest, InvalidBytesBecomeReplacementCharactersAndTheRestSurvives) {
  bool ok = true;
  // 0xFF is no GBK byte, 0x81 needs a trail byte above 0x3F, and a lead
  // byte at the very end has no trail at all.
  const QString text = FromGbk("a\xff\xd6\xd0\x81 b\xd6", &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, QStringLiteral("a\uFFFD中\uFFFD b\uFFFD"));
}

TEST(GbkTest, CharactersGbkCannotHoldBecomeQuestionMarks) {
  bool ok = true;
  const std::string bytes = ToGbk(QStringLiteral("x\U0001F600中y"), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(bytes, "x?\xd6\xd0y");
}

TEST(GbkTest, LongTextConvertsCompletely) {
  // Longer than one conversion buffer, so the conversion has to continue.
  QString text;
  for (int i = 0; i < 5000; ++i) text += QStringLiteral("中a");
  bool ok = false;
  const std::string bytes = ToGbk(text, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(bytes.size(), 15000u);
  EXPECT_EQ(FromGbk(bytes), text);
}

}  // namespace
}  // namespace zembra
