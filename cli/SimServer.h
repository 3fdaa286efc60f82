#pragma once

#include "CommandLine.h"

namespace pelmora::cli {

// `pelmora sim`: serves the simulated print server over telnet until SIGINT or SIGTERM. It
// prints one line on stdout telling where it listens (with the port the system chose when the
// port asked for was 0).
class SimServer {
 public:
  explicit SimServer(const Invocation& invocation) : invocation_(invocation) {}
  int Run();

 private:
  const Invocation& invocation_;
};

}  // namespace pelmora::cli
