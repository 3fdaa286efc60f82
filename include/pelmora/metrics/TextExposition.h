#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pelmora/metrics/MetricFamily.h"

namespace pelmora {

// Writes metric families in the Prometheus text exposition format, version 0.0.4:
//
//   # HELP pelmora_up Whether the print server answered the probe.
//   # TYPE pelmora_up gauge
//   pelmora_up 1
//
// Families come out in the order given; families that share a name are written as one, with
// the help and type of the first, because a scraper refuses a name that appears twice. Label
// values and help texts are escaped; a name that the format cannot carry is a programming
// error (std::invalid_argument), never silently mangled.
class TextExposition {
 public:
  static constexpr std::string_view kContentType = "text/plain; version=0.0.4; charset=utf-8";

  static std::string Write(const std::vector<MetricFamily>& families);

  // A label value inside its quotes: backslash, double quote and line feed escaped.
  static std::string EscapeLabelValue(std::string_view value);
  // A help text: backslash and line feed escaped.
  static std::string EscapeHelp(std::string_view help);
  // A sample value: the shortest text that reads back as the same double; +Inf, -Inf, NaN.
  static std::string FormatValue(double value);
  // [a-zA-Z_:][a-zA-Z0-9_:]* for metric names; labels take no colon.
  static bool IsMetricName(std::string_view name) noexcept;
  static bool IsLabelName(std::string_view name) noexcept;
};

}  // namespace pelmora
