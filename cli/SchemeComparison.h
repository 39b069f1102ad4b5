#pragma once
// Verifying a drive against a scheme file: every scheme key whose value
// the drive holds, compared as the file would hold it.
#include <string>
#include <vector>

#include "drive/ParameterReadout.h"
#include "drive/ParameterSet.h"

namespace zembra::cli {

using drive::ParameterReadout;

struct SchemeDifference {
  std::string key;         // UTF-8, as the file names it
  std::string fileValue;   // as the file holds it ("1.500000e+003")
  std::string driveValue;  // as a backup of the drive would hold it
  bool operator==(const SchemeDifference&) const = default;
};

class SchemeComparison {
 public:
  // Keys in file order. Keys of fields the read did not fill are left out
  // (see Unverified); keys that live only in scheme files have no drive
  // value and are never compared.
  static std::vector<SchemeDifference> Compare(const drive::ParameterSet& file, const ParameterReadout& drive);
  // Keys of drive-held fields that the read could not fill (timed out, or
  // an answer the page cannot show).
  static std::vector<std::string> Unverified(const ParameterReadout& drive);
};

}  // namespace zembra::cli
