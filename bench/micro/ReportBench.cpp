// The report parsers and the keyed reading, per call, on the simulated print server's screens.
// The retrievals run over a command road that answers from memory, so they measure the
// screen normalisation and the parse.
#include <benchmark/benchmark.h>

#include <map>

#include "ShellSamples.h"
#include "pelmora/device/ReplyReading.h"
#include "pelmora/protocol/CommandRoad.h"
#include "pelmora/reports/ReportRetrieval.h"

namespace pelmora::bench {
namespace {

class CannedRoad : public CommandRoad {
 public:
  CannedRoad() {
    for (const char* line : {"\r", "SH VERSION\r", "SH IP\r", "SH NW\r"}) {
      answers_[line] = ShellSamples::RoadReply(line);
    }
  }
  std::string RunCommand(const std::string& line) override { return answers_.at(line); }

 private:
  std::map<std::string, std::string> answers_;
};

void BM_GetVersion(benchmark::State& state) {
  CannedRoad road;
  for (auto _ : state) {
    const auto report = ReportRetrieval::GetVersion(road);
    if (report->BootVersion().empty()) state.SkipWithError("version screen not read");
  }
}

void BM_GetIPInfo(benchmark::State& state) {
  CannedRoad road;
  for (auto _ : state) {
    const auto report = ReportRetrieval::GetIPInfo(road);
    if (report->IPAddress().empty()) state.SkipWithError("IP screen not read");
  }
}

void BM_GetWirelessInfo(benchmark::State& state) {
  CannedRoad road;
  for (auto _ : state) {
    const auto report = ReportRetrieval::GetWirelessInfo(road);
    if (report->APMacAddress().empty()) state.SkipWithError("wireless screen not read");
  }
}

// The parses alone, on the normalised screen text they are given.
template <typename Report>
void BM_Parse(benchmark::State& state, const char* line) {
  const std::string screen = ReportRetrieval::NormalizeScreen(ShellSamples::RoadReply(line));
  for (auto _ : state) {
    Report report;
    report.Parse(screen);
    benchmark::DoNotOptimize(report);
  }
}

// A getter's reading of the answer to `line`.
void BM_Keyed(benchmark::State& state, const char* line, const char* key) {
  const std::string reply = ShellSamples::RoadReply(line);
  for (auto _ : state) {
    const std::string value = ReplyReading::Keyed(reply, key);
    if (value.empty()) state.SkipWithError("key not found");
    benchmark::DoNotOptimize(value.data());
  }
}

BENCHMARK(BM_GetVersion);
BENCHMARK(BM_GetIPInfo);
BENCHMARK(BM_GetWirelessInfo);
constexpr auto BM_IPInfoParse = &BM_Parse<IPInfo>;
constexpr auto BM_WirelessInfoParse = &BM_Parse<WirelessInfo>;
BENCHMARK_CAPTURE(BM_IPInfoParse, screen, "SH IP\r");
BENCHMARK_CAPTURE(BM_WirelessInfoParse, screen, "SH NW\r");
// The one-line answer of "SH NW SSID", and a key near the end of a whole screen.
BENCHMARK_CAPTURE(BM_Keyed, line, "SH NW SSID\r", "WiFi SSID:");
BENCHMARK_CAPTURE(BM_Keyed, screen, "SH NW\r", "AP MAC Address =");

}  // namespace
}  // namespace pelmora::bench
