// pelmora: read and change the settings of a wireless print server through its configuration
// shell. Exit status: 0 success, 1 an automation error, 2 a usage error.
#include <utility>

#include "CommandLine.h"
#include "CommandRunner.h"
#include "ExporterCommand.h"
#include "FleetCommand.h"
#include "SignalWatcher.h"
#include "SimServer.h"

int main(int argc, char** argv) {
  using namespace pelmora::cli;
  // First of all, so that no signal finds the process without its reaction, and every thread
  // started later leaves the signals to the watcher.
  SignalWatcher watcher;
  CommandLine commandLine;
  auto invocation = commandLine.Parse(argc, argv);
  if (!invocation) return commandLine.ExitStatus();
  if (invocation->command == "sim") return SimServer(*invocation).Run(watcher);
  if (invocation->command == "exporter") {
    return ExporterCommand(std::move(*invocation)).Run(watcher);
  }
  if (invocation->inventory) return FleetCommand(std::move(*invocation)).Run(watcher);
  CommandRunner runner(std::move(*invocation));
  runner.WatchSignals(watcher);
  return runner.Run();
}
