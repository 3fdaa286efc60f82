#include "pelmora/metrics/MetricFamily.h"

#include <utility>

namespace pelmora {

MetricFamily& MetricFamily::Add(double value, std::vector<MetricLabel> labels, std::string suffix) {
  samples.push_back({std::move(labels), value, std::move(suffix)});
  return *this;
}

}  // namespace pelmora
