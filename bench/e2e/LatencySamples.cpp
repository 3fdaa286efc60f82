#include "LatencySamples.h"

#include <algorithm>
#include <cmath>

namespace pelmora::bench {

double LatencySamples::Percentile(double fraction) const {
  if (values_.empty()) return 0;
  std::vector<double> sorted = values_;
  std::sort(sorted.begin(), sorted.end());
  const double rank = std::ceil(fraction * static_cast<double>(sorted.size()));
  const auto index = static_cast<std::size_t>(std::clamp(rank, 1.0, double(sorted.size()))) - 1;
  return sorted[index];
}

}  // namespace pelmora::bench
