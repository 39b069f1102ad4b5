// Every fuzz target over its seed corpus and over every input that once
// broke it, in the ordinary test run: a fault the fuzzer found stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzTarget.h"

namespace zembra::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(const std::string& target) {
  std::vector<fs::path> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path folder = fs::path(ZEMBRA_FUZZ_DATA) / kind / target;
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  return inputs;
}

TEST(FuzzRegressions, EveryTargetHasSeedsAndSurvivesThemAll) {
  ASSERT_GE(Targets().size(), 8u);
  for (const Target& target : Targets()) {
    const std::vector<fs::path> inputs = InputsOf(target.name);
    EXPECT_FALSE(inputs.empty()) << "no seeds for " << target.name;
    for (const fs::path& input : inputs) {
      SCOPED_TRACE(input.string());
      std::ifstream file(input, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
  }
}

}  // namespace
}  // namespace zembra::fuzz
