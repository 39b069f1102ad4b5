#pragma once
// A fuzz target is a function over bytes that must neither crash nor break
// the invariants it checks. The same functions serve libFuzzer (one program
// per target) and the ordinary test suite, which replays every seed and
// every input that once found a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zembra::fuzz {

using TargetFunction = void (*)(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;
  TargetFunction run;
};

std::vector<Target>& Targets();
const Target* FindTarget(const char* name);

struct Registration {
  Registration(const char* name, TargetFunction run) { Targets().push_back({name, run}); }
};

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace zembra::fuzz

// An invariant of the target; a broken one aborts, which both libFuzzer and
// the replay test report with the input that broke it.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::zembra::fuzz::CheckFailed(#condition, __FILE__, __LINE__))

#define ZEMBRA_FUZZ_TARGET(name)                                                                  \
  static void ZembraFuzz_##name(const std::uint8_t* data, std::size_t size);                       \
  static const ::zembra::fuzz::Registration zembraFuzzRegistration_##name(#name, ZembraFuzz_##name); \
  static void ZembraFuzz_##name(const std::uint8_t* data, std::size_t size)
