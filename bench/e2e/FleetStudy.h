#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pelmora::bench {

// One command across a fleet, through the tool itself: `pelmora sim --count N` serves N
// simulated print servers in a child process, and `pelmora --inventory ... --workers W --json
// COMMAND` (get all, or get ssid) runs on every one of them in another. The simulator's open
// descriptors, counted once it listens, give what one server costs it.
//
// The ideal wall time is ceil(N / W) rounds of one host's `get all`, whose time is the median
// over single-host runs of the same tool against the same servers, in the same run (the host's
// own elapsed time, as the tool reports it, so process start-up is not counted in the ideal).
// The measured wall time is the fleet run's, start to exit; its peak memory is the kernel's
// figure for that process.
class FleetStudy {
 public:
  // What to run, and under which names and goals the figures are reported.
  struct Setup {
    int hosts = 1000;
    int workers = 64;
    std::vector<std::string> command{"get", "all"};
    std::string keyPrefix = "fleet_";  // of the JSON keys: fleet_ratio, fleet_10k_ratio ...
    double rssGoalMiB = 256;
  };

  struct Outcome {
    Setup setup;
    int hosts = 0;
    int workers = 0;
    double simFdsPerServer = 0;
    double singleHostMs = 0;  // median of the single-host runs
    double wallSeconds = 0;
    double peakRssMiB = 0;
    long errors = 0;  // hosts that failed, plus hosts missing from the document

    double IdealSeconds() const;
    double Ratio() const;  // ideal / measured
    void PrintText(std::ostream& out) const;
    // The figure's keys for the report's JSON object, without braces or a trailing comma.
    std::string JsonKeys() const;
  };

  static constexpr int kSingleHostRuns = 7;

  static Outcome Run(const std::string& tool, const Setup& setup);
};

}  // namespace pelmora::bench
