#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "CommandLine.h"
#include "SignalWatcher.h"
#include "pelmora/simulator/TelnetShellServer.h"

namespace pelmora::cli {

// `pelmora sim`: serves simulated print servers over telnet until SIGINT or SIGTERM. With
// --count N there are N independent servers (each its own running and saved configuration) on
// N consecutive ports from the one asked for, or on ports the system picks for port 0, all on
// one event loop on the calling thread. It prints one line on stdout telling where it listens,
// after --write-inventory has written an inventory of the servers.
class SimServer {
 public:
  explicit SimServer(const Invocation& invocation) : invocation_(invocation) {}
  int Run(SignalWatcher& watcher);

 private:
  int Serve(asio::io_context& loop, SignalWatcher& watcher);
  void StartServers(asio::io_context& loop);
  void WriteInventory() const;
  std::string ListeningLine() const;
  Target Bound(std::size_t index) const;

  const Invocation& invocation_;
  std::vector<std::unique_ptr<TelnetShellServer>> servers_;
};

}  // namespace pelmora::cli
