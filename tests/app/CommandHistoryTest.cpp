// The manual command history: newest first, fifteen at most, and the
// case-insensitive prefix replacement.
#include <gtest/gtest.h>

#include "link/CommandHistory.h"

namespace zembra {
namespace {

TEST(CommandHistory, KeepsFifteenNewestFirst) {
  CommandHistory h;
  for (int i = 0; i < 20; ++i) h.Add(QStringLiteral("C%1").arg(i));
  ASSERT_EQ(h.Entries().size(), CommandHistory::kMaxEntries);
  EXPECT_EQ(h.Entries().front(), QStringLiteral("C19"));
  EXPECT_EQ(h.Entries().back(), QStringLiteral("C5"));
}

TEST(CommandHistory, RepeatedTextMovesToTheTopIgnoringCase) {
  CommandHistory h;
  h.Add(QStringLiteral("GSP"));
  h.Add(QStringLiteral("GT"));
  h.Add(QStringLiteral("gsp"));
  EXPECT_EQ(h.Entries(), (QStringList{QStringLiteral("gsp"), QStringLiteral("GT")}));
}

TEST(CommandHistory, OnlyTheFirstEntryBeginningWithTheTextIsReplaced) {
  CommandHistory h;
  h.Add(QStringLiteral("G"));
  h.Add(QStringLiteral("GSP"));
  h.Add(QStringLiteral("GSI"));
  h.Add(QStringLiteral("gs"));  // replaces GSI (the first match), keeps GSP
  EXPECT_EQ(h.Entries(), (QStringList{QStringLiteral("gs"), QStringLiteral("GSP"), QStringLiteral("G")}));
}

}  // namespace
}  // namespace zembra
