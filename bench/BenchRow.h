#pragma once
// One row of the benchmark table, printed as a tab-separated line that
// scripts/bench gathers into one table: figure, measured value, the floor
// or reference measured in the same run, their ratio, the goal, and
// whether it is met.
#include <cstdio>
#include <string>

namespace zembra::bench {

struct Row {
  std::string figure;
  std::string measured;
  std::string floor;  // "—" when the figure has none
  std::string ratio;  // "—" likewise
  std::string goal;
  bool met = false;
};

inline void Print(const Row& row) {
  std::printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\n", row.figure.c_str(), row.measured.c_str(), row.floor.c_str(),
              row.ratio.c_str(), row.goal.c_str(), row.met ? "yes" : "NO");
  std::fflush(stdout);
}

inline std::string Fixed(double value, int digits, const char* unit = "") {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f%s", digits, value, unit);
  return buffer;
}

}  // namespace zembra::bench
