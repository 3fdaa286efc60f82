#pragma once

#include <cstddef>
#include <vector>

namespace pelmora::bench {

// Durations in milliseconds and their order statistics (nearest rank).
class LatencySamples {
 public:
  void Add(double milliseconds) { values_.push_back(milliseconds); }
  std::size_t Count() const noexcept { return values_.size(); }
  double Median() const { return Percentile(0.5); }
  // The smallest sample that at least `fraction` of all samples do not exceed; 0 when empty.
  double Percentile(double fraction) const;

 private:
  std::vector<double> values_;
};

}  // namespace pelmora::bench
