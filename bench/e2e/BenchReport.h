#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "ExporterStudy.h"
#include "FleetStudy.h"
#include "LatencyStudy.h"
#include "ScaleStudy.h"
#include "SearchTiming.h"
#include "ToolStudy.h"
#include "WaitingStudy.h"

namespace pelmora::bench {

// The figures of one run, each beside the floor measured in the same run, as a table for
// people and as one JSON object for tools.
class BenchReport {
 public:
  // The receive timer frames an answer this long after its first chunk (the default framing
  // delay).
  static constexpr double kReceiveTimerMs = 10.0;

  LatencyStudy::Result latency;
  std::vector<SearchTiming::Outcome> searches;
  WaitingStudy::Outcome waiting;
  WaitingStudy::Outcome waitingFloor;  // the same burst on bare event-loop timers
  ToolStudy::Result tool;
  std::vector<ScaleStudy::Outcome> scale;
  std::optional<FleetStudy::Outcome> fleet;
  std::optional<ExporterStudy::Outcome> exporter;
  std::optional<FleetStudy::Outcome> fleet10k;  // 10,000 hosts, get ssid

  // One command's floor: the receive timer plus a raw round trip; a getter's is twice that.
  double CommandFloorMs() const;
  double CommandFloorP99Ms() const;
  double CpuWallRatio() const;
  double FindStrVsMemmem() const;  // the worst of the sizes measured
  double IdealPerSecond(int sessions) const;
  double FastCommandVsRaw() const;

  void PrintText(std::ostream& out) const;
  void PrintJson(std::ostream& out) const;

 private:
  static double RssPerSessionKiB(const ScaleStudy::Outcome& run);
  static double CommandsPerSecond(const ScaleStudy::Outcome& run);
};

}  // namespace pelmora::bench
