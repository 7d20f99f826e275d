#pragma once
// The spread of a set of timings: median, 99th percentile and maximum.

#include <cstddef>
#include <vector>

namespace quarn {

struct Spread {
  std::size_t count = 0;
  double median = 0;
  double p99 = 0;
  double max = 0;
};

// Percentiles by nearest rank: the p-th percentile is the smallest sample with
// at least p percent of the samples at or below it. All zero when empty.
Spread spread_of(std::vector<double> samples);

}  // namespace quarn
