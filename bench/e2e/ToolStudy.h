#pragma once

#include <string>

#include "LatencySamples.h"

namespace pelmora::bench {

// The tool's `get all` on its embedded simulated print server, run as a user runs it: one
// process per run, with the default framing delay and with 0. Both modes must print the same
// settings, or the comparison means nothing.
class ToolStudy {
 public:
  struct Result {
    LatencySamples defaultDelay;  // milliseconds per run of the tool
    LatencySamples zeroDelay;
    double Speedup() const;
  };

  static Result Run(const std::string& tool, int runs);
};

}  // namespace pelmora::bench
