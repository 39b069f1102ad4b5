#pragma once
// A scheme file judged key by key before anything is made of it. The page
// loads a file the way it always has (a missing key or "abc" reads as 0,
// shown where the user sees it), but a file handed to a tool that writes
// it unseen must say exactly what it means: every key a number in its
// form, inside the range the page enforces, a run-mode word whose parts
// name real choices, rates from the lists. Nothing is clamped or replaced.
#include <optional>
#include <string>

#include "common/IniStore.h"
#include "drive/ParameterSet.h"

namespace zembra::drive {

struct SchemeProblem {
  std::string key;     // UTF-8, as the file names it
  std::string value;   // UTF-8, as the file holds it; empty for a missing key
  std::string reason;  // UTF-8
};

enum class SchemeUse {
  Compare,  // every key present must read as the page would show it
  Write,    // and every key the write sends must be there, within its range
};

// Checks the "option" section of `store`. With no problem, `set` holds
// the file's values as the page would load them. A store that is not a
// scheme file at all is reported with an empty key.
std::optional<SchemeProblem> CheckScheme(CIniStore& store, SchemeUse use, bool changeBaud, ParameterSet& set);

}  // namespace zembra::drive
