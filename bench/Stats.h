#pragma once
// Median and percentiles of a set of timings.
#include <algorithm>
#include <cmath>
#include <vector>

namespace zembra::bench {

inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const double rank = p / 100.0 * static_cast<double>(values.size() - 1);
  const auto low = static_cast<std::size_t>(std::floor(rank));
  const auto high = static_cast<std::size_t>(std::ceil(rank));
  return values[low] + (values[high] - values[low]) * (rank - static_cast<double>(low));
}

inline double Median(const std::vector<double>& values) { return Percentile(values, 50); }

}  // namespace zembra::bench
