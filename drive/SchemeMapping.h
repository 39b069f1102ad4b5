#pragma once
// A parameter set as the "option" section of a scheme file (*.qnd): the 43
// keys in their order and formats. The store does the file; this decides
// what goes into it and what comes out.
#include "common/IniStore.h"
#include "drive/ParameterSet.h"

namespace zembra::drive {

enum class SchemeLoadResult {
  Loaded,
  NoOptionSection,  // not a scheme file: refused, the set is unchanged
  NoKnownKey,       // an "option" section without any scheme key: refused likewise
};

class SchemeMapping {
 public:
  // Sets the 43 keys in section "option", in order, appending a missing
  // section or key; every other section and key of the store stays as and
  // where it is.
  static void Store(const ParameterSet& set, CIniStore& store);
  // Reads the keys into `set`. A missing key reads as 0 (list selections:
  // no RS-232 rate, CAN "125"); fields outside the scheme keep their value.
  static SchemeLoadResult Load(CIniStore& store, ParameterSet& set);

  // "运行模式": run mode × 256 + signal part. The single-ended source is
  // saved as 5, the drive's own code, so it survives a save and load.
  static int ModeValue(const ParameterSet& set);
};

}  // namespace zembra::drive
