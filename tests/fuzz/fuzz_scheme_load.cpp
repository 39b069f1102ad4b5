// Scheme files from anywhere: any bytes load or are refused, and whatever
// loads becomes a write of well-formed commands; whatever the check before
// a write lets through is written with exactly the numbers its text says.
#include <string>

#include "common/IniStore.h"
#include "drive/SchemeCheck.h"
#include "drive/SchemeMapping.h"
#include "drive/WriteEncoder.h"
#include "tests/fuzz/FuzzScratch.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/SchemeWriteOracle.h"

using namespace zembra::drive;

ZEMBRA_FUZZ_TARGET(scheme_load) {
  const std::string path = zembra::fuzz::ScratchFile("scheme.qnd", data, size);
  zembra::CIniStore store(path);
  if (!store.LoadExisting()) return;
  ParameterSet checked;
  if (!CheckScheme(store, SchemeUse::Write, false, checked)) {
    const std::optional<std::vector<std::string>> expected = zembra::test::ExpectedWrite(zembra::test::SchemeTexts(store));
    FUZZ_CHECK(expected.has_value());
    std::vector<std::string> written;
    for (const DriveCommand& command : EncodeWrite(checked, false)) written.push_back(command.text.substr(0, command.text.size() - 1));
    FUZZ_CHECK(written == *expected);
  }
  ParameterSet set;
  const ParameterSet before = set;
  if (SchemeMapping::Load(store, set) != SchemeLoadResult::Loaded) {
    FUZZ_CHECK(set == before);
    return;
  }
  set.Set(Field::SerialBaud, 0);
  for (const DriveCommand& command : EncodeWrite(set, true)) {
    FUZZ_CHECK(!command.text.empty() && command.text.back() == '\r');
    for (std::size_t i = 0; i + 1 < command.text.size(); ++i) {
      const char c = command.text[i];
      FUZZ_CHECK((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-');
    }
  }
}
