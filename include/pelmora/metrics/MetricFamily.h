#pragma once

#include <string>
#include <vector>

namespace pelmora {

// The metric types of the Prometheus text format (0.0.4).
enum class MetricType { Counter, Gauge, Histogram, Untyped };

struct MetricLabel {
  std::string name;
  std::string value;

  bool operator==(const MetricLabel&) const = default;
};

// One line of a family: its name is the family's name followed by `suffix` ("_bucket", "_sum"
// and "_count" for a histogram's parts, empty otherwise).
struct MetricSample {
  std::vector<MetricLabel> labels;
  double value = 0;
  std::string suffix;
};

// Samples sharing one name, help text and type.
struct MetricFamily {
  std::string name;
  std::string help;
  MetricType type = MetricType::Gauge;
  std::vector<MetricSample> samples;

  // Appends a sample and returns the family, so that a family is written as one expression.
  MetricFamily& Add(double value, std::vector<MetricLabel> labels = {}, std::string suffix = {});
};

}  // namespace pelmora
