#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "pelmora/metrics/MetricFamily.h"

namespace pelmora {

// The exporter's own figures, kept while it serves: probes made, failed probes by error
// number, the probe duration histogram and the sessions open now. Probes run on many threads
// at once, so every member takes a lock.
class ExporterFigures {
 public:
  // Upper bounds of the duration buckets, in seconds (+Inf follows).
  static constexpr std::array<double, 9> kBuckets{0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30};

  void SessionOpened();
  void SessionClosed();
  // A probe ended; `failure` is the number of its error, nothing when it read the device.
  void ProbeEnded(double seconds, std::optional<std::int32_t> failure);

  std::vector<MetricFamily> Families() const;

 private:
  mutable std::mutex mutex_;
  std::int64_t sessionsOpen_ = 0;
  std::uint64_t probes_ = 0;
  std::map<std::int32_t, std::uint64_t> failures_;
  std::array<std::uint64_t, kBuckets.size()> bucketCounts_{};
  double durationSum_ = 0;
};

}  // namespace pelmora
