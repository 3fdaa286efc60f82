#pragma once

#include <string>

namespace pelmora::bench {

// The floor of a round trip: a plain blocking TCP socket to the simulated print server that
// sends a bare carriage return and reads until the prompt is back. No event loop, no telnet
// parsing, no framing timer: only the network and the simulator.
class RawProbe {
 public:
  explicit RawProbe(int port);
  ~RawProbe();
  RawProbe(const RawProbe&) = delete;
  RawProbe& operator=(const RawProbe&) = delete;

  // One carriage return out, everything up to the prompt back, in milliseconds.
  double RoundTripMs();

 private:
  void SendCarriageReturn();
  void ReadThroughPrompt();

  int socket_ = -1;
  std::string received_;
};

}  // namespace pelmora::bench
