#include "emulator/spread.h"

#include <algorithm>
#include <cmath>

namespace quarn {

Spread spread_of(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  const auto rank = [&](double percent) {
    const auto at = std::size_t(std::ceil(percent / 100 * double(samples.size())));
    return samples[std::max<std::size_t>(at, 1) - 1];
  };
  return {samples.size(), rank(50), rank(99), samples.back()};
}

}  // namespace quarn
