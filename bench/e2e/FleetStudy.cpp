#include "FleetStudy.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "ChildOutput.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRatioGoal = 0.8;
constexpr double kFdsPerServerGoal = 1.05;

// A child process of the tool with its stdout on a pipe.
class Child {
 public:
  explicit Child(const std::vector<std::string>& arguments) {
    const ChildOutput child = ChildOutput::Start(arguments, "fleet");
    pid_ = child.pid;
    out_ = child.fd;
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Stdout up to the first line end.
  std::string FirstLine() {
    std::string line;
    char c = 0;
    while (::read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  // All of stdout, then the exit; the child's peak resident memory in KiB.
  std::string Finish(long& peakRssKiB) {
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = ::read(out_, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    int status = 0;
    rusage usage{};
    ::wait4(pid_, &status, 0, &usage);
    pid_ = -1;
    peakRssKiB = usage.ru_maxrss;
    return text;
  }
  void Stop() const { ::kill(pid_, SIGTERM); }
  std::size_t OpenFiles() const {
    const auto fds = std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd");
    return static_cast<std::size_t>(std::distance(fds, std::filesystem::directory_iterator()));
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

nlohmann::json RunFleet(const std::string& tool, const std::string& inventory,
                        const std::vector<std::string>& options,
                        const std::vector<std::string>& command, long& peakRssKiB) {
  std::vector<std::string> arguments{tool, "--inventory", inventory, "--json"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  arguments.insert(arguments.end(), command.begin(), command.end());
  Child run(arguments);
  return nlohmann::json::parse(run.Finish(peakRssKiB), nullptr, false);
}

std::string HostName(int index, int hosts) {
  std::string number = std::to_string(index);
  number.insert(0, std::to_string(hosts).size() - number.size(), '0');
  return "sim-" + number;
}

}  // namespace

FleetStudy::Outcome FleetStudy::Run(const std::string& tool, const Setup& setup) {
  const int hosts = setup.hosts;
  const int workers = setup.workers;
  const std::string inventory = "/tmp/pelmora-bench-fleet-" + std::to_string(::getpid()) + ".toml";
  Child servers({tool, "sim", "--count", std::to_string(hosts), "--listen", "127.0.0.1:0",
                 "--write-inventory", inventory});
  if (servers.FirstLine().find("listening") == std::string::npos) {
    throw std::runtime_error("fleet: pelmora sim --count did not start");
  }
  Outcome outcome;
  outcome.setup = setup;
  outcome.simFdsPerServer = static_cast<double>(servers.OpenFiles()) / hosts;
  outcome.hosts = hosts;
  outcome.workers = workers;
  long rss = 0;
  std::vector<double> single;
  for (int i = 0; i < kSingleHostRuns; ++i) {
    const auto name = HostName(1 + i * hosts / kSingleHostRuns, hosts);
    const auto document = RunFleet(tool, inventory, {"--limit", name}, setup.command, rss);
    if (document.is_discarded() || !document["hosts"][0]["ok"].get<bool>()) ++outcome.errors;
    if (!document.is_discarded())
      single.push_back(document["hosts"][0]["elapsed_ms"].get<double>());
  }
  std::sort(single.begin(), single.end());
  outcome.singleHostMs = single.empty() ? 0 : single[single.size() / 2];

  const auto start = Clock::now();
  const auto document =
      RunFleet(tool, inventory, {"--workers", std::to_string(workers)}, setup.command, rss);
  outcome.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  outcome.peakRssMiB = static_cast<double>(rss) / 1024.0;
  if (document.is_discarded()) {
    outcome.errors += hosts;
  } else {
    outcome.errors += document["summary"]["failed"].get<long>();
    outcome.errors += hosts - static_cast<long>(document["hosts"].size());
  }
  servers.Stop();
  std::remove(inventory.c_str());
  return outcome;
}

double FleetStudy::Outcome::IdealSeconds() const {
  const double rounds = std::ceil(static_cast<double>(hosts) / workers);
  return rounds * singleHostMs / 1000.0;
}

double FleetStudy::Outcome::Ratio() const {
  return wallSeconds > 0 ? IdealSeconds() / wallSeconds : 0;
}

void FleetStudy::Outcome::PrintText(std::ostream& out) const {
  std::string command;
  for (const auto& word : setup.command) command += (command.empty() ? "" : " ") + word;
  char text[1024];
  std::snprintf(text, sizeof text,
                "\nFleet: %s on %d simulated print servers, %d workers, through the tool\n"
                "  one host (median of %d runs)  %10.1f ms\n"
                "  ideal = ceil(N/W) x one host  %10.3f s\n"
                "  measured wall                 %10.3f s\n"
                "  ratio ideal / measured        %10.4f   >= %.1f %s\n"
                "  peak RSS of the tool          %10.1f MiB <= %.0f %s\n"
                "  simulator descriptors/server  %10.4f   <= %.2f %s\n"
                "  errors                        %10ld     = 0 %s\n",
                command.c_str(), hosts, workers, kSingleHostRuns, singleHostMs, IdealSeconds(),
                wallSeconds, Ratio(), kRatioGoal, Ratio() >= kRatioGoal ? "met" : "MISSED",
                peakRssMiB, setup.rssGoalMiB, peakRssMiB <= setup.rssGoalMiB ? "met" : "MISSED",
                simFdsPerServer, kFdsPerServerGoal,
                simFdsPerServer <= kFdsPerServerGoal ? "met" : "MISSED", errors,
                errors == 0 ? "met" : "MISSED");
  out << text;
}

std::string FleetStudy::Outcome::JsonKeys() const {
  const char* p = setup.keyPrefix.c_str();
  char text[1024];
  std::snprintf(text, sizeof text,
                "  \"%sratio\": %.4f,\n  \"%shosts\": %d,\n  \"%sworkers\": %d,\n"
                "  \"%swall_s\": %.3f,\n  \"%speak_rss_mib\": %.1f,\n"
                "  \"%ssim_fds_per_server\": %.4f,\n  \"%serrors\": %ld",
                p, Ratio(), p, hosts, p, workers, p, wallSeconds, p, peakRssMiB, p, simFdsPerServer,
                p, errors);
  return text;
}

}  // namespace pelmora::bench
