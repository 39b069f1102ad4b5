// The INI store's loader on arbitrary file bytes: it loads without
// crashing, and what it then saves loads back to the same values.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/IniStore.h"
#include "tests/fuzz/FuzzScratch.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(ini_store) {
  const std::string path = zembra::fuzz::ScratchFile("store.ini", data, size);
  zembra::CIniStore store(path);
  if (!store.LoadExisting()) return;
  const int section = store.FindSection("option");
  const std::string before = store.GetString("option", "key");
  (void)store.GetInt("option", "key");
  (void)store.GetDouble("option", "key");
  FUZZ_CHECK(store.SetInt("option", "fuzz", 42, true));
  if (!store.Save()) return;
  zembra::CIniStore again(path);
  FUZZ_CHECK(again.LoadExisting());
  FUZZ_CHECK(again.GetInt("option", "fuzz") == 42);
  // A value that survives the round trip is unchanged by it.
  if (section >= 0 && store.FindEntry(section, "key") >= 0) FUZZ_CHECK(again.GetString("option", "key") == before);
}
