#include "pelmora/metrics/ExporterFigures.h"

#include <string>

#include "pelmora/metrics/TextExposition.h"

namespace pelmora {

void ExporterFigures::SessionOpened() {
  const std::lock_guard lock(mutex_);
  ++sessionsOpen_;
}

void ExporterFigures::SessionClosed() {
  const std::lock_guard lock(mutex_);
  --sessionsOpen_;
}

void ExporterFigures::ProbeEnded(double seconds, std::optional<std::int32_t> failure) {
  const std::lock_guard lock(mutex_);
  ++probes_;
  if (failure) ++failures_[*failure];
  durationSum_ += seconds;
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    if (seconds <= kBuckets[i]) ++bucketCounts_[i];
  }
}

std::vector<MetricFamily> ExporterFigures::Families() const {
  const std::lock_guard lock(mutex_);
  MetricFamily probes{"pelmora_exporter_probes_total", "Probes made.", MetricType::Counter, {}};
  probes.Add(static_cast<double>(probes_));
  MetricFamily failures{"pelmora_exporter_probe_failures_total",
                        "Probes that failed, by the number of their error.",
                        MetricType::Counter,
                        {}};
  for (const auto& [number, count] : failures_) {
    failures.Add(static_cast<double>(count), {{"number", std::to_string(number)}});
  }
  MetricFamily durations{"pelmora_exporter_probe_duration_seconds",
                         "How long probes took.",
                         MetricType::Histogram,
                         {}};
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    durations.Add(static_cast<double>(bucketCounts_[i]),
                  {{"le", TextExposition::FormatValue(kBuckets[i])}}, "_bucket");
  }
  durations.Add(static_cast<double>(probes_), {{"le", "+Inf"}}, "_bucket")
      .Add(durationSum_, {}, "_sum")
      .Add(static_cast<double>(probes_), {}, "_count");
  MetricFamily sessions{"pelmora_exporter_sessions_open",
                        "Sessions with print servers open now.",
                        MetricType::Gauge,
                        {}};
  sessions.Add(static_cast<double>(sessionsOpen_));
  return {probes, failures, durations, sessions};
}

}  // namespace pelmora
