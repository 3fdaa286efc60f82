#include <gtest/gtest.h>

#include <limits>

#include "device/EmbeddedShell.h"
#include "pelmora/metrics/DeviceMetrics.h"
#include "pelmora/metrics/DeviceReading.h"
#include "pelmora/metrics/ExporterFigures.h"
#include "pelmora/metrics/TextExposition.h"

namespace pelmora {
namespace {

// clang-format off
const DeviceState kRead{.durationSeconds = 0.25, .failure = {}, .product = "T2",
    .firmware = "6.02", .boot = "1.1", .wifiFirmware = "1.7", .regulatoryDomain = "FCC", .apMac = "00:11:22:33:44:55",
    .ssid = "Caf\xE9 \"2\"", .channel = 6, .encryption = Wpa2, .eapState = Connecting,
    .undecryptable = 4000000000, .wepKeySet = {false, true, false, false},
    .ipAddress = "10.0.0.7", .ipMethod = Dhcp, .drift = {}};
// clang-format on

TEST(DeviceMetrics, StateBecomesTheFamiliesItHoldsAndNothingElse) {
  struct Case {
    const char* what;
    DeviceState state;
    std::vector<const char*> present;
    std::vector<const char*> absent;
  };
  DeviceState failed;
  failed.failure = ProbeFailure{3001, "Connection"};
  DeviceState drifting = kRead;
  drifting.drift = {{{"ssid", false}, {"channel", true}, {"mode", true}}};
  const std::vector<Case> cases = {
      {"read",
       kRead,
       {"pelmora_up 1\n", "pelmora_probe_duration_seconds 0.25\n",
        "pelmora_info{product=\"T2\",firmware=\"6.02\",boot=\"1.1\",wifi_firmware=\"1.7\","
        "regulatory_domain=\"FCC\"} 1\n",
        "pelmora_wireless_channel 6\n", "pelmora_wireless_encryption{encryption=\"wpa2\"} 1\n",
        "pelmora_wireless_encryption{encryption=\"disabled\"} 0\n", "pelmora_eap_state 2\n",
        "pelmora_eap_state_info{state=\"connecting\"} 1\n",
        "# TYPE pelmora_wep_undecryptable_total counter\npelmora_wep_undecryptable_total 4e+09\n",
        "pelmora_wireless_ap_info{ap_mac=\"00:11:22:33:44:55\",ssid=\"Caf\xC3\xA9 \\\"2\\\"\"} 1\n",
        "pelmora_ip_info{address=\"10.0.0.7\",method=\"dhcp\"} 1\n",
        "pelmora_wep_key_set{key=\"1\"} 0\npelmora_wep_key_set{key=\"2\"} 1\n"},
       {"pelmora_profile", "pelmora_probe_error"}},
      {"failed",
       failed,
       {"pelmora_up 0\n", "pelmora_probe_error_info{number=\"3001\",source=\"Connection\"} 1\n"},
       {"pelmora_info", "pelmora_wireless", "pelmora_profile"}},
      {"drift",
       drifting,
       {"pelmora_profile_drift 2\n", "pelmora_profile_setting_drift{setting=\"ssid\"} 0\n",
        "pelmora_profile_setting_drift{setting=\"channel\"} 1\n"},
       {}},
  };
  for (const auto& c : cases) {
    const std::string text = TextExposition::Write(DeviceMetrics::Families(c.state));
    for (const char* line : c.present)
      EXPECT_NE(text.find(line), std::string::npos) << c.what << line;
    for (const char* part : c.absent)
      EXPECT_EQ(text.find(part), std::string::npos) << c.what << part;
  }
}

TEST(DeviceMetrics, ReadingTheSimulatedServerGivesItsValuesAndDriftButNoSecret) {
  testing::EmbeddedShell sim;
  sim.server.State().Fixed().productName = "Probe Product";
  const Profile profile =
      Profile::Parse("channel = 11\npsk = \"hush-hush\"\n", "p.toml", Profile::Format::Toml);
  ASSERT_TRUE(profile.IsValid());
  const std::string text =
      TextExposition::Write(DeviceMetrics::Families(DeviceReading::Read(*sim.device, &profile)));
  EXPECT_NE(text.find("product=\"Probe Product\""), std::string::npos) << text;
  EXPECT_NE(text.find("pelmora_profile_setting_drift{setting=\"channel\"} 1\n"), std::string::npos);
  EXPECT_EQ(text.find("hush"), std::string::npos);
  EXPECT_EQ(text.find("psk"), std::string::npos);
}

TEST(DeviceMetrics, ExporterFiguresCountProbesFailuresAndBuckets) {
  ExporterFigures figures;
  figures.SessionOpened();
  figures.ProbeEnded(0.07, std::nullopt);
  figures.ProbeEnded(2.5, 3001);  // a bucket counts a probe that takes its bound exactly
  const std::string text = TextExposition::Write(figures.Families());
  for (const char* line :
       {"pelmora_exporter_probes_total 2\n",
        "pelmora_exporter_probe_failures_total{number=\"3001\"} 1\n", "_bucket{le=\"0.05\"} 0\n",
        "_bucket{le=\"0.1\"} 1\n", "_bucket{le=\"2.5\"} 2\n", "_bucket{le=\"+Inf\"} 2\n",
        "_sum 2.57\n", "pelmora_exporter_sessions_open 1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
}

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
  for (const auto& family : bad)
    EXPECT_THROW(TextExposition::Write({family}), std::invalid_argument) << family.name;
  EXPECT_NO_THROW(
      TextExposition::Write({{"a:b_c9", "", MetricType::Gauge, {{{{"_x9", ""}}, 1, ""}}}}));
}

}  // namespace
}  // namespace pelmora
