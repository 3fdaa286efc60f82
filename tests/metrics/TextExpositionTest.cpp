#include "pelmora/metrics/TextExposition.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace pelmora {
namespace {

TEST(TextExposition, WritesHelpTypeAndSamplesWithEscapesOncePerName) {
  struct Case {
    const char* what;
    std::vector<MetricFamily> families;
    const char* text;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {"label value escapes",
       {{"a_info", "x", MetricType::Gauge, {{{{"v", "q\"b\\n\nz"}, {"w", ""}}, 1, ""}}}},
       "# HELP a_info x\n# TYPE a_info gauge\na_info{v=\"q\\\"b\\\\n\\nz\",w=\"\"} 1\n"},
      {"help escapes, quote kept",
       {{"b_total", "a\\b\n\"c\"", MetricType::Counter, {{{}, 12345678901, ""}}}},
       "# HELP b_total a\\\\b\\n\"c\"\n# TYPE b_total counter\nb_total 12345678901\n"},
      {"same name written once, in first place, first help wins",
       {{"m", "one", MetricType::Gauge, {{{{"k", "1"}}, 0.5, ""}}},
        {"n", "", MetricType::Untyped, {{{}, -2, ""}}},
        {"m", "two", MetricType::Counter, {{{{"k", "2"}}, 1e-7, ""}}}},
       "# HELP m one\n# TYPE m gauge\nm{k=\"1\"} 0.5\nm{k=\"2\"} 1e-07\n"
       "# HELP n \n# TYPE n untyped\nn -2\n"},
      {"histogram parts and special values",
       {{"h_seconds",
         "d",
         MetricType::Histogram,
         {{{{"le", "+Inf"}}, 3, "_bucket"}, {{}, inf, "_sum"}, {{}, -inf, "_count"}}}},
       "# HELP h_seconds d\n# TYPE h_seconds histogram\nh_seconds_bucket{le=\"+Inf\"} 3\n"
       "h_seconds_sum +Inf\nh_seconds_count -Inf\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextExposition::Write(c.families), c.text) << c.what;
  EXPECT_EQ(TextExposition::FormatValue(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

TEST(TextExposition, RefusesNamesTheFormatCannotCarry) {
  const std::vector<MetricFamily> bad = {
      {"", "", MetricType::Gauge, {}},
      {"1up", "", MetricType::Gauge, {}},
      {"a-b", "", MetricType::Gauge, {}},
      {"ok", "", MetricType::Gauge, {{{{"a:b", "v"}}, 1, ""}}},
      {"ok", "", MetricType::Gauge, {{{{"", "v"}}, 1, ""}}},
      {"ok", "", MetricType::Gauge, {{{}, 1, "-x"}}},
  };
  for (const auto& family : bad) {
    EXPECT_THROW(TextExposition::Write({family}), std::invalid_argument) << family.name;
  }
  EXPECT_NO_THROW(
      TextExposition::Write({{"a:b_c9", "", MetricType::Gauge, {{{{"_x9", ""}}, 1, ""}}}}));
}

}  // namespace
}  // namespace pelmora
