#include "ExporterStudy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ChildOutput.h"
#include "LatencySamples.h"
#include "pelmora/frame/Global.h"
#include "pelmora/metrics/DeviceReading.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kProbeGoal = 1.5;
constexpr double kRssGoal = 1.1;

double MillisecondsOf(const auto& call) {
  const auto start = Clock::now();
  call();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::shared_ptr<PelmoraT2> Open(int port) {
  auto device = Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", port));
  device->SetFramingDelay(0);
  return device;
}

void MeasureProbe(int port, ExporterStudy::Outcome& outcome) {
  const auto kept = Open(port);
  kept->Command("\r");
  LatencySamples probes;
  LatencySamples reads;
  for (int run = 0; run < ExporterStudy::kRuns; ++run) {
    probes.Add(MillisecondsOf([port] {
      const auto device = Open(port);
      DeviceReading::Read(*device);
      Global::TeardownPrinterObj(device);
    }));
    reads.Add(MillisecondsOf([&kept] { DeviceReading::Read(*kept); }));
  }
  Global::TeardownPrinterObj(kept);
  outcome.probeMs = probes.Median();
  outcome.commandsMs = reads.Median();
}

double ResidentKiBOf(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
  }
  throw std::runtime_error("exporter: no VmRSS for process " + std::to_string(pid));
}

// One GET with its own connection, as Prometheus makes them; true when the print server was up.
bool Probe(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  static constexpr char kRequest[] =
      "GET /probe?target=bench HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  std::string reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::write(fd, kRequest, sizeof kRequest - 1) == sizeof kRequest - 1) {
    char buffer[8192];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) reply.append(buffer, n);
  }
  ::close(fd);
  return reply.find("\npelmora_up 1\n") != std::string::npos;
}

// `count` probes from kClients threads at once.
long ProbeMany(int port, int count) {
  std::atomic<int> next = 0;
  std::atomic<long> errors = 0;
  std::vector<std::thread> clients;
  for (int i = 0; i < ExporterStudy::kClients; ++i) {
    clients.emplace_back([&] {
      while (next++ < count) errors += Probe(port) ? 0 : 1;
    });
  }
  for (auto& client : clients) client.join();
  return errors;
}

void MeasureExporter(const std::string& tool, int simPort, int probes,
                     ExporterStudy::Outcome& outcome) {
  const std::string inventory =
      "/tmp/pelmora-bench-exporter-" + std::to_string(::getpid()) + ".toml";
  std::ofstream(inventory) << "[hosts.bench]\naddress = \"127.0.0.1:" << simPort
                           << "\"\nframing-delay = 0\n";
  const ChildOutput exporter =
      ChildOutput::Start({tool, "exporter", "--inventory", inventory, "--listen", "127.0.0.1:0",
                          "--workers", std::to_string(ExporterStudy::kClients)},
                         "exporter");
  std::string line;
  for (char c = 0; ::read(exporter.fd, &c, 1) == 1 && c != '\n';) line += c;
  const auto at = line.find("http://127.0.0.1:");
  if (at == std::string::npos) throw std::runtime_error("exporter: did not start: " + line);
  const int port = std::stoi(line.substr(at + 17));
  outcome.probes = probes;
  outcome.errors = ProbeMany(port, probes / 10);
  outcome.rssEarlyKiB = ResidentKiBOf(exporter.pid);
  outcome.errors += ProbeMany(port, probes - probes / 10);
  outcome.rssLateKiB = ResidentKiBOf(exporter.pid);
  ::kill(exporter.pid, SIGTERM);
  int status = 0;
  ::waitpid(exporter.pid, &status, 0);
  ::close(exporter.fd);
  std::remove(inventory.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++outcome.errors;
}

}  // namespace

ExporterStudy::Outcome ExporterStudy::Run(const std::string& tool, int port, int probes) {
  Outcome outcome;
  MeasureProbe(port, outcome);
  MeasureExporter(tool, port, probes, outcome);
  return outcome;
}

void ExporterStudy::Outcome::PrintText(std::ostream& out) const {
  char text[768];
  std::snprintf(text, sizeof text,
                "\nExporter: a probe against its reads on an open session (framing delay 0, "
                "medians of %d)\n"
                "  probe (open, read, tear down)  %9.3f ms\n"
                "  the same reads, session open   %9.3f ms\n"
                "  probe / commands               %9.4f    <= %.1f %s\n"
                "  exporter RSS after %6d probes %9.0f KiB\n"
                "  exporter RSS after %6d probes %9.0f KiB\n"
                "  RSS growth                     %9.4f    <= %.1f %s\n"
                "  errors                         %9ld    = 0 %s\n",
                kRuns, probeMs, commandsMs, ProbeVsCommands(), kProbeGoal,
                ProbeVsCommands() <= kProbeGoal ? "met" : "MISSED", probes / 10, rssEarlyKiB,
                probes, rssLateKiB, RssGrowth(), kRssGoal,
                RssGrowth() <= kRssGoal ? "met" : "MISSED", errors, errors == 0 ? "met" : "MISSED");
  out << text;
}

std::string ExporterStudy::Outcome::JsonKeys() const {
  char text[512];
  std::snprintf(text, sizeof text,
                "  \"probe_vs_commands_ratio\": %.4f,\n  \"probe_ms\": %.3f,\n"
                "  \"probe_commands_ms\": %.3f,\n  \"exporter_rss_growth\": %.4f,\n"
                "  \"exporter_probes\": %d,\n  \"exporter_rss_kib\": %.0f,\n"
                "  \"exporter_errors\": %ld",
                ProbeVsCommands(), probeMs, commandsMs, RssGrowth(), probes, rssLateKiB, errors);
  return text;
}

}  // namespace pelmora::bench
