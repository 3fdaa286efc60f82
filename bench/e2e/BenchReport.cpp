#include "BenchReport.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace pelmora::bench {

namespace {

constexpr double kLatencyGoal = 1.05;
constexpr double kCpuGoal = 0.02;
constexpr double kSearchGoal = 2.0;
constexpr double kScaleGoal = 0.5;
constexpr double kIdleCpuGoal = 0.02;
constexpr double kLateMedianGoalMs = 1.0;
constexpr double kLateMaxGoalMs = 3.0;
constexpr double kFastCommandGoal = 3.0;
constexpr double kGetAllSpeedupGoal = 10.0;

std::string Format(const char* format, auto... values) {
  char line[256];
  std::snprintf(line, sizeof line, format, values...);
  return line;
}

void Row(std::ostream& out, const std::string& name, double measured, double floor, double ratio,
         const std::string& goal) {
  out << Format("  %-34s %12.4f %12.4f %9.4f  %s\n", name.c_str(), measured, floor, ratio,
                goal.c_str());
}

std::string Verdict(bool met) {
  return met ? "met" : "MISSED";
}

}  // namespace

double BenchReport::CommandFloorMs() const {
  return kReceiveTimerMs + latency.rawRoundTrip.Median();
}

double BenchReport::CommandFloorP99Ms() const {
  return kReceiveTimerMs + latency.rawRoundTrip.Percentile(0.99);
}

double BenchReport::CpuWallRatio() const {
  return latency.wallSeconds > 0 ? latency.cpuSeconds / latency.wallSeconds : 0;
}

double BenchReport::FindStrVsMemmem() const {
  double worst = 0;
  for (const auto& search : searches) worst = std::max(worst, search.Ratio());
  return worst;
}

double BenchReport::IdealPerSecond(int sessions) const {
  return sessions * 1000.0 / CommandFloorMs();
}

double BenchReport::FastCommandVsRaw() const {
  return latency.fastCommand.Median() / latency.fastRawRoundTrip.Median();
}

double BenchReport::RssPerSessionKiB(const ScaleStudy::Outcome& run) {
  return (run.rssDuringKiB - run.rssBeforeKiB) / run.sessions;
}

double BenchReport::CommandsPerSecond(const ScaleStudy::Outcome& run) {
  return static_cast<double>(run.commands) / run.windowSeconds;
}

void BenchReport::PrintText(std::ostream& out) const {
  const double commandFloor = CommandFloorMs();
  const double commandFloorP99 = CommandFloorP99Ms();
  const std::size_t calls = latency.command.Count();
  out << Format(
      "Latency over %zu calls each; floor = %.0f ms receive timer + raw TCP round "
      "trip (median %.4f ms, p99 %.4f ms)\n",
      calls, kReceiveTimerMs, latency.rawRoundTrip.Median(), latency.rawRoundTrip.Percentile(0.99));
  out << Format("  %-34s %12s %12s %9s  %s\n", "figure", "measured", "floor", "ratio", "goal");
  const auto latencyRow = [&](const char* name, double measured, double floor, bool judged) {
    const double ratio = measured / floor;
    Row(out, name, measured, floor, ratio,
        judged ? "<= 1.05 " + Verdict(ratio <= kLatencyGoal) : "(p99, no goal)");
  };
  latencyRow("command latency median (ms)", latency.command.Median(), commandFloor, true);
  latencyRow("command latency p99 (ms)", latency.command.Percentile(0.99), commandFloorP99, false);
  latencyRow("getter latency median (ms)", latency.getter.Median(), 2 * commandFloor, true);
  latencyRow("getter latency p99 (ms)", latency.getter.Percentile(0.99), 2 * commandFloorP99,
             false);
  const double perCall = 1000.0 / static_cast<double>(2 * calls);
  Row(out, "CPU per call / wall per call (ms)", latency.cpuSeconds * perCall,
      latency.wallSeconds * perCall, CpuWallRatio(),
      "<= 0.02 " + Verdict(CpuWallRatio() <= kCpuGoal));
  for (const auto& search : searches) {
    Row(out, Format("FindStr / memmem, %zu KiB (ns)", search.size / 1024), search.findStrNs,
        search.memmemNs, search.Ratio(), "<= 2 " + Verdict(search.Ratio() <= kSearchGoal));
  }

  Row(out, "framing delay 0: command median (ms)", latency.fastCommand.Median(),
      latency.fastRawRoundTrip.Median(), FastCommandVsRaw(),
      "<= 3 " + Verdict(FastCommandVsRaw() <= kFastCommandGoal));
  Row(out, "tool get all, delay 10 / delay 0 (ms)", tool.defaultDelay.Median(),
      tool.zeroDelay.Median(), tool.Speedup(),
      ">= 10 " + Verdict(tool.Speedup() >= kGetAllSpeedupGoal));

  out << Format("\nWaiting: %d sessions on a silent device, each ended by its time limit\n",
                waiting.sessions);
  Row(out, "CPU s per wall s", waiting.waitCpuShare, 1, waiting.waitCpuShare,
      "<= 0.02 " + Verdict(waiting.waitCpuShare <= kIdleCpuGoal));
  // The floor column: bare event-loop timers woken in the same burst, each raising the error.
  Row(out, "limit noticed late, median (ms)", waiting.lateMedianMs, waitingFloor.lateMedianMs,
      waiting.lateMedianMs / waitingFloor.lateMedianMs,
      "<= 1 " + Verdict(waiting.lateMedianMs <= kLateMedianGoalMs));
  Row(out, "limit noticed late, max (ms)", waiting.lateMaxMs, waitingFloor.lateMaxMs,
      waiting.lateMaxMs / waitingFloor.lateMaxMs,
      "<= 3 " + Verdict(waiting.lateMaxMs <= kLateMaxGoalMs));

  out << Format("\nScale: sessions at once, one thread and apartment each; ideal = N / %.4f ms\n",
                commandFloor);
  out << Format("  %5s %12s %12s %9s %8s %14s %12s %12s %7s\n", "N", "commands/s", "ideal/s",
                "ratio", "goal", "RSS/session KiB", "client CPU", "server CPU", "errors");
  for (const auto& run : scale) {
    const double ratio = CommandsPerSecond(run) / IdealPerSecond(run.sessions);
    out << Format("  %5d %12.1f %12.1f %9.4f %8s %14.1f %12.3f %12.3f %7ld\n", run.sessions,
                  CommandsPerSecond(run), IdealPerSecond(run.sessions), ratio,
                  run.sessions == 256 ? Verdict(ratio >= kScaleGoal).c_str() : "",
                  RssPerSessionKiB(run), run.cpuSeconds / run.windowSeconds,
                  run.serverCpuSeconds / run.windowSeconds, run.errors);
  }
  out << "  (CPU columns: CPU seconds per wall second over the window; 1.0 = one core)\n";
  if (fleet) fleet->PrintText(out);
  if (exporter) exporter->PrintText(out);
  if (fleet10k) fleet10k->PrintText(out);
}

void BenchReport::PrintJson(std::ostream& out) const {
  const double floor = CommandFloorMs();
  const double floorP99 = CommandFloorP99Ms();
  out << "{\n";
  out << Format("  \"command_latency_ratio\": %.4f,\n", latency.command.Median() / floor);
  out << Format("  \"getter_latency_ratio\": %.4f,\n", latency.getter.Median() / (2 * floor));
  out << Format("  \"command_latency_p99_ratio\": %.4f,\n",
                latency.command.Percentile(0.99) / floorP99);
  out << Format("  \"getter_latency_p99_ratio\": %.4f,\n",
                latency.getter.Percentile(0.99) / (2 * floorP99));
  out << Format("  \"cpu_wall_ratio\": %.5f,\n", CpuWallRatio());
  out << Format("  \"findstr_vs_memmem\": %.4f,\n", FindStrVsMemmem());
  // Waits no longer wake on a slice: 0 stands for none.
  out << Format("  \"apartment_slice_ms\": %.1f,\n", 0.0);
  out << Format("  \"idle_wait_cpu_share_256\": %.5f,\n", waiting.waitCpuShare);
  out << Format("  \"deadline_late_median_ms\": %.3f,\n", waiting.lateMedianMs);
  out << Format("  \"deadline_late_max_ms\": %.3f,\n", waiting.lateMaxMs);
  out << Format("  \"deadline_floor_late_median_ms\": %.3f,\n", waitingFloor.lateMedianMs);
  out << Format("  \"deadline_floor_late_max_ms\": %.3f,\n", waitingFloor.lateMaxMs);
  out << Format("  \"fast_command_latency_ms\": %.4f,\n", latency.fastCommand.Median());
  out << Format("  \"fast_command_vs_raw_ratio\": %.4f,\n", FastCommandVsRaw());
  out << Format("  \"fast_raw_round_trip_ms\": %.4f,\n", latency.fastRawRoundTrip.Median());
  out << Format("  \"get_all_speedup\": %.2f,\n", tool.Speedup());
  out << Format(
      "  \"get_all_ms\": {\"runs\": %zu, \"default_median\": %.2f, \"zero_median\": %.2f},\n",
      tool.defaultDelay.Count(), tool.defaultDelay.Median(), tool.zeroDelay.Median());
  out << Format(
      "  \"latency_ms\": {\"calls\": %zu, \"receive_timer\": %.1f, \"raw_round_trip_median\": "
      "%.4f, \"raw_round_trip_p99\": %.4f, \"command_median\": %.4f, \"command_p99\": %.4f, "
      "\"getter_median\": %.4f, \"getter_p99\": %.4f},\n",
      latency.command.Count(), kReceiveTimerMs, latency.rawRoundTrip.Median(),
      latency.rawRoundTrip.Percentile(0.99), latency.command.Median(),
      latency.command.Percentile(0.99), latency.getter.Median(), latency.getter.Percentile(0.99));
  out << "  \"findstr\": [";
  for (std::size_t i = 0; i < searches.size(); ++i) {
    const auto& s = searches[i];
    out << Format("%s{\"bytes\": %zu, \"findstr_ns\": %.1f, \"memmem_ns\": %.1f, \"ratio\": %.4f}",
                  i ? ", " : "", s.size, s.findStrNs, s.memmemNs, s.Ratio());
  }
  // The waiting figures in the shape the slice study gave them, slice 0 being none.
  out << Format(
      "],\n  \"slice\": [\n    {\"slice_ms\": %.1f, \"sessions\": %d, \"wait_cpu_share\": "
      "%.4f, \"late_median_ms\": %.3f, \"late_max_ms\": %.3f}",
      0.0, waiting.sessions, waiting.waitCpuShare, waiting.lateMedianMs, waiting.lateMaxMs);
  out << "],\n  \"scale\": [";
  for (std::size_t i = 0; i < scale.size(); ++i) {
    const auto& run = scale[i];
    out << Format(
        "%s\n    {\"n\": %d, \"commands_per_second\": %.1f, \"ideal_per_second\": %.1f, "
        "\"throughput_ratio\": %.4f, \"rss_per_session_kib\": %.1f, \"client_cpu_share\": %.3f, "
        "\"server_cpu_share\": %.3f, \"errors\": %ld}",
        i ? "," : "", run.sessions, CommandsPerSecond(run), IdealPerSecond(run.sessions),
        CommandsPerSecond(run) / IdealPerSecond(run.sessions), RssPerSessionKiB(run),
        run.cpuSeconds / run.windowSeconds, run.serverCpuSeconds / run.windowSeconds, run.errors);
  }
  out << "]";
  if (fleet) out << ",\n" << fleet->JsonKeys();
  if (exporter) out << ",\n" << exporter->JsonKeys();
  if (fleet10k) {
    out << ",\n" << fleet10k->JsonKeys();
    out << Format(",\n  \"sim_fds_per_server\": %.4f", fleet10k->simFdsPerServer);
  }
  out << "\n}\n";
}

}  // namespace pelmora::bench
