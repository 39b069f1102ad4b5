// The one reader of reply texts: the leading integer of a reply, held to
// the 32-bit range however many digits a garbled line brings, and the
// "ERR" mark. Known cases first, then random replies against the C
// library's own reading.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "link/ReplyText.h"

namespace zembra {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(ReplyText, LeadingIntegersOfKnownReplies) {
  const struct {
    std::string text;
    std::int32_t value;
  } cases[] = {
      {" -1234 rpm", -1234},
      {"  -42x", -42},
      {"+7", 7},
      {"x42", 0},
      {"", 0},
      {"ERR", 0},
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"-2147483648", kMin},
      {"99999999999999999999", kMax},
      {"-99999999999999999999", kMin},
      {std::string(40, '9'), kMax},
      {"-" + std::string(40, '9'), kMin},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(ReplyText, ErrAnywhereMarksAnError) {
  EXPECT_TRUE(ContainsErr("ERR"));
  EXPECT_TRUE(ContainsErr("12ERR"));
  EXPECT_FALSE(ContainsErr("err"));
  EXPECT_FALSE(ContainsErr("ER"));
}

// strtoll reads the same grammar (white space, one sign, decimal digits)
// and saturates at 64 bits; held to 32 bits it must agree with the reader
// on every reply, NUL bytes and overlong digit runs included.
TEST(ReplyText, RandomRepliesReadAsTheCLibraryReadsThem) {
  std::mt19937 random(20240518);
  const std::string alphabet = "0123456789999999999 \t\r\n+-ERx.\v\f";
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    errno = 0;
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    const std::int32_t expected = wide > kMax ? kMax : wide < kMin ? kMin : static_cast<std::int32_t>(wide);
    ASSERT_EQ(LeadingInt(text), expected) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace zembra
