// The command vocabulary: codes of the mnemonics the reply handlers rely on,
// the replacement rule for duplicate mnemonics and the look-up key rules.
#include <gtest/gtest.h>

#include "link/CommandVocabulary.h"

namespace zembra {
namespace {

int Code(const CommandCodeMap& map, std::string text) {
  CommandCode code = kCodeNone;
  LookupCommandCode(map, text, code);
  return code;
}

TEST(Vocabulary, LaterInsertionsReplaceEarlierOnes) {
  CommandCodeMap map;
  EXPECT_EQ(map.CodeOf("GADR"), 203);
  EXPECT_EQ(map.CodeOf("SLQ"), 211);
  EXPECT_EQ(map.CodeOf("GLQ"), 211);
  // Shared codes: both mnemonics of a pair keep the shared value.
  EXPECT_EQ(map.CodeOf("SPOF"), 117);
  EXPECT_EQ(map.CodeOf("GMOD"), 117);
  EXPECT_EQ(map.CodeOf("GPOF"), 118);
  EXPECT_EQ(map.CodeOf("SER"), 118);
  EXPECT_EQ(map.CodeOf("GORG"), 124);
  EXPECT_EQ(map.CodeOf("LPN"), 124);
}

TEST(Vocabulary, CodesThatHandlersSwitchOn) {
  CommandCodeMap map;
  EXPECT_EQ(map.CodeOf("QNCON"), kCodeQNCON);
  EXPECT_EQ(map.CodeOf("GDTY"), kCodeGDTY);
  EXPECT_EQ(map.CodeOf("GENC"), kCodeGENC);
  EXPECT_EQ(map.CodeOf("GESA"), kCodeGESA);
  EXPECT_EQ(map.CodeOf("GSP"), kCodeGSP);
  EXPECT_EQ(map.CodeOf("GM"), kCodeGM);
  EXPECT_EQ(map.CodeOf("GV"), kCodeGV);
  EXPECT_EQ(map.CodeOf("GC"), kCodeGC);
  EXPECT_EQ(map.CodeOf("GT"), kCodeGT);
  EXPECT_EQ(map.CodeOf("GVER"), kCodeGVER);
  EXPECT_EQ(map.CodeOf("GSI"), kCodeGSI);
  EXPECT_EQ(map.CodeOf("GEI"), kCodeGEI);
  EXPECT_EQ(map.CodeOf("GSE"), kCodeGSE);
  EXPECT_EQ(map.CodeOf("GIIT"), 216);
  EXPECT_EQ(map.CodeOf("M"), 41);
  EXPECT_EQ(map.CodeOf("MR"), 43);
}

TEST(Vocabulary, LookupUpperCasesAndCutsAtFirstNonLetter) {
  CommandCodeMap map;
  std::string text = "gsp\r";
  CommandCode code = kCodeNone;
  EXPECT_TRUE(LookupCommandCode(map, text, code));
  EXPECT_EQ(code, 81);
  EXPECT_EQ(text, "GSP\r");  // the text itself is what will be sent
  EXPECT_EQ(Code(map, "SPOF1\r"), 117);
  EXPECT_EQ(Code(map, "SLQ-25\r"), 211);
  EXPECT_EQ(Code(map, "GLQ\r"), 211);
}

TEST(Vocabulary, UnknownMnemonicsGetMinusOne) {
  CommandCodeMap map;
  for (const char* text : {"DRVTYP\r", "$S\r", "GNL\r", "GFS\r", "GSTW\r", "CPA\r", "CBS\r", "", "\r"}) {
    std::string t = text;
    CommandCode code = kCodeNone;
    EXPECT_FALSE(LookupCommandCode(map, t, code)) << text;
    EXPECT_EQ(code, kCodeUnknown) << text;
  }
}

TEST(Vocabulary, KeyLongerThanSixtyFourLettersIsCut) {
  CommandCodeMap map;
  // 64 letters of a run that starts with a valid mnemonic do not match it.
  EXPECT_EQ(Code(map, std::string(70, 'G')), kCodeUnknown);
}

TEST(Vocabulary, UpperCasingLeavesGbkTrailBytesAlone) {
  // "测" in GBK is B2 E2; "中" is D6 D0. A trail byte in the ASCII
  // lower-case range (0x61-0x7A) must not be changed.
  std::string text = "gsp\xB0\x61";
  ToUpperAscii(text);
  EXPECT_EQ(text, "GSP\xB0\x61");
}

}  // namespace
}  // namespace zembra
