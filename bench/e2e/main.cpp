// pelmora-bench: the library end to end against the simulated print server over loopback TCP.
// Every figure is printed beside the floor measured in the same run and their ratio.
//
//   pelmora-bench [--json] [--calls N] [--window-ms MS] [--sessions N,N,...] [--tool-runs N]
//                 [--waiting-sessions N] [--fleet-hosts N] [--fleet-workers N]
//                 [--exporter-probes N] [--fleet-10k-hosts N]
//
// --tool-runs: how often the tool's `get all` runs in each framing mode (default 9).
// --waiting-sessions: how many silent sessions wait at once (default 256; the goals are for 256).
// --fleet-hosts: simulated print servers for the fleet figure (default 1000; 0 leaves it out).
// --exporter-probes: HTTP probes of `pelmora exporter` for its memory figure (default 10000; 0
// leaves the exporter figures out).
// --fleet-10k-hosts: the same with get ssid and 256 workers (default 10000; 0 leaves it out).
#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchReport.h"
#include "SimulatorProcess.h"

namespace {

using namespace pelmora::bench;

struct Options {
  bool json = false;
  int calls = 300;
  std::chrono::milliseconds window{3000};
  std::vector<int> sessions = {1, 16, 64, 256};
  int toolRuns = 9;
  int waitingSessions = 256;
  std::chrono::milliseconds waitLimit{1000};
  int fleetHosts = 1000;  // 0: no fleet figure
  int fleetWorkers = 64;
  int exporterProbes = 10000;  // 0: no exporter figures
  int fleet10kHosts = 10000;   // get ssid with 256 workers; 0: no such figure
};

std::vector<int> ParseList(const std::string& text) {
  std::vector<int> values;
  std::istringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) values.push_back(std::stoi(item));
  return values;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--calls" && hasValue) {
      options.calls = std::stoi(argv[++i]);
    } else if (arg == "--window-ms" && hasValue) {
      options.window = std::chrono::milliseconds(std::stoi(argv[++i]));
    } else if (arg == "--fleet-hosts" && hasValue) {
      options.fleetHosts = std::stoi(argv[++i]);
    } else if (arg == "--exporter-probes" && hasValue) {
      options.exporterProbes = std::stoi(argv[++i]);
    } else if (arg == "--fleet-10k-hosts" && hasValue) {
      options.fleet10kHosts = std::stoi(argv[++i]);
    } else if (arg == "--fleet-workers" && hasValue) {
      options.fleetWorkers = std::max(1, std::stoi(argv[++i]));
    } else if (arg == "--waiting-sessions" && hasValue) {
      options.waitingSessions = std::stoi(argv[++i]);
    } else if (arg == "--tool-runs" && hasValue) {
      options.toolRuns = std::stoi(argv[++i]);
    } else if (arg == "--sessions" && hasValue) {
      options.sessions = ParseList(argv[++i]);
    } else {
      throw std::invalid_argument("unknown argument: " + arg);
    }
  }
  if (options.calls < 200) throw std::invalid_argument("--calls must be at least 200");
  if (options.toolRuns < 1) throw std::invalid_argument("--tool-runs must be at least 1");
  return options;
}

int RunWorker(char** argv) {
  return ScaleStudy::RunWorker(std::stoi(argv[2]), std::stoi(argv[3]), std::stoi(argv[4]),
                               std::chrono::milliseconds(std::stoi(argv[5])));
}

BenchReport Measure(const Options& options, const SimulatorProcess& simulator,
                    std::ostream& progress) {
  BenchReport report;
  progress << "pelmora-bench: simulated print server on 127.0.0.1:" << simulator.Port()
           << " (process " << simulator.Pid() << ")\n";
  progress << "latency: " << options.calls << " bare CR commands and getters..." << std::endl;
  report.latency = LatencyStudy::Run(simulator.Port(), options.calls);
  progress << "FindStr against memmem..." << std::endl;
  for (std::size_t size : {std::size_t{4096}, std::size_t{1024 * 1024}}) {
    report.searches.push_back(SearchTiming::Measure(size));
  }
  progress << "waiting: " << options.waitingSessions << " silent sessions..." << std::endl;
  report.waiting = WaitingStudy::MeasureWaiting(options.waitingSessions, options.waitLimit);
  progress << "waiting floor: " << options.waitingSessions << " bare event-loop timers..."
           << std::endl;
  report.waitingFloor = WaitingStudy::MeasureFloor(options.waitingSessions, options.waitLimit);
  progress << "tool: get all, framing delay 10 and 0, " << options.toolRuns << " runs each..."
           << std::endl;
  report.tool = ToolStudy::Run(PELMORA_TOOL, options.toolRuns);
  for (int sessions : options.sessions) {
    progress << "scale: " << sessions << " sessions..." << std::endl;
    report.scale.push_back(ScaleStudy::Spawn("/proc/self/exe", sessions, simulator.Port(),
                                             simulator.Pid(), options.window));
  }
  if (options.fleetHosts > 0) {
    progress << "fleet: get all on " << options.fleetHosts << " simulated print servers..."
             << std::endl;
    report.fleet = FleetStudy::Run(PELMORA_TOOL,
                                   {.hosts = options.fleetHosts, .workers = options.fleetWorkers});
  }
  if (options.fleet10kHosts > 0) {
    progress << "fleet: get ssid on " << options.fleet10kHosts << " simulated print servers..."
             << std::endl;
    report.fleet10k = FleetStudy::Run(PELMORA_TOOL, {.hosts = options.fleet10kHosts,
                                                     .workers = 256,
                                                     .command = {"get", "ssid"},
                                                     .keyPrefix = "fleet_10k_",
                                                     .rssGoalMiB = 128});
  }
  if (options.exporterProbes > 0) {
    progress << "exporter: a probe against its reads, then " << options.exporterProbes
             << " probes over HTTP..." << std::endl;
    report.exporter = ExporterStudy::Run(PELMORA_TOOL, simulator.Port(), options.exporterProbes);
  }
  return report;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 6 && std::strcmp(argv[1], ScaleStudy::kWorkerFlag) == 0) return RunWorker(argv);
    const Options options = ParseOptions(argc, argv);
    // Forks: before this process starts any thread.
    const SimulatorProcess simulator;
    std::ostream& text = options.json ? std::cerr : std::cout;
    const BenchReport report = Measure(options, simulator, text);
    text << '\n';
    report.PrintText(text);
    if (options.json) report.PrintJson(std::cout);
    return 0;
  } catch (const std::invalid_argument& error) {
    std::cerr << "pelmora-bench: " << error.what()
              << "\nusage: pelmora-bench [--json] [--calls N] [--window-ms MS] "
                 "[--sessions N,N,...] [--tool-runs N] [--waiting-sessions N] [--fleet-hosts N] "
                 "[--fleet-workers N] [--exporter-probes N] [--fleet-10k-hosts N]\n";
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "pelmora-bench: " << error.what() << '\n';
    return 1;
  }
}
