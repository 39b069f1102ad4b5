#include "tests/fuzz/FuzzTarget.h"

#include <cstring>

namespace zembra::fuzz {

std::vector<Target>& Targets() {
  static std::vector<Target> targets;
  return targets;
}

const Target* FindTarget(const char* name) {
  for (const Target& target : Targets())
    if (std::strcmp(target.name, name) == 0) return &target;
  return nullptr;
}

}  // namespace zembra::fuzz
