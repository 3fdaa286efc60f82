#pragma once

#include "LatencySamples.h"

namespace pelmora::bench {

// One device object on this thread against the simulator over TCP, measured call by call, with
// a raw round trip to the same server taken between the calls, so that the floor and the
// library see the same conditions. A second device with framing delay 0 is measured after
// that, in turns with raw round trips.
class LatencyStudy {
 public:
  struct Result {
    LatencySamples rawRoundTrip;
    LatencySamples command;  // a bare carriage return
    LatencySamples getter;   // GetSSID: a wake-up carriage return, then the question
    // A bare carriage return on a second device with framing delay 0, taken in turns with raw
    // round trips of their own, so that both meet a server just as busy (not in the CPU
    // tallies).
    LatencySamples fastCommand;
    LatencySamples fastRawRoundTrip;
    // Process CPU time and wall time spent inside the library's calls.
    double cpuSeconds = 0;
    double wallSeconds = 0;
  };

  static Result Run(int port, int calls);
};

}  // namespace pelmora::bench
