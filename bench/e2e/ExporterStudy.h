#pragma once

#include <ostream>
#include <string>

namespace pelmora::bench {

// What the exporter adds to reading a print server, against the simulated print server:
//
// - probe / commands: a probe (a session opened, the reads of DeviceReading, the session torn
//   down) against the same reads on a session already open, both with framing delay 0, each
//   the median of kRuns runs taken in turn in one run;
// - RSS growth: `pelmora exporter` in a child process, probed over HTTP by a few clients at once;
//   its resident memory after all the probes over that after the first tenth of them. Memory
//   that grows with the number of probes shows here long before it shows in production.
class ExporterStudy {
 public:
  static constexpr int kRuns = 101;
  static constexpr int kClients = 4;

  struct Outcome {
    double probeMs = 0;     // median
    double commandsMs = 0;  // median
    int probes = 0;
    double rssEarlyKiB = 0;  // after probes / 10
    double rssLateKiB = 0;   // after probes
    long errors = 0;         // probes over HTTP that did not answer pelmora_up 1

    double ProbeVsCommands() const { return probeMs / commandsMs; }
    double RssGrowth() const { return rssLateKiB / rssEarlyKiB; }
    void PrintText(std::ostream& out) const;
    // The figure's keys for the report's JSON object, without braces or a trailing comma.
    std::string JsonKeys() const;
  };

  static Outcome Run(const std::string& tool, int port, int probes);
};

}  // namespace pelmora::bench
