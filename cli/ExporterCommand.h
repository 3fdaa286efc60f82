#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <unordered_map>
#include <vector>

#include "CommandLine.h"
#include "SignalWatcher.h"
#include "pelmora/catalog/Profile.h"
#include "pelmora/fleet/Inventory.h"
#include "pelmora/metrics/ExporterFigures.h"
#include "pelmora/session/CancelGroup.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace pelmora::cli {

// `pelmora exporter`: serves the Prometheus text format over HTTP in the multi-target pattern.
//
//   /probe?target=NAME   probes the inventory host NAME in a session of its own; any other
//                        target is refused with 400 and nothing is contacted
//   /metrics             the exporter's own figures
//   /                    a page listing the inventory's hosts with links to their probes
//
// A probe ends a little before the scrape's X-Prometheus-Scrape-Timeout-Seconds; at most
// --workers probes run at once and the others wait for a slot until their own deadline. A bad
// request gets a 4xx status and a one-line reason. SIGINT and SIGTERM end the running probes
// and stop the server; the exit status is then 0. A bad inventory or profile is reported as
// FILE:LINE:COLUMN: what, with exit status 2, before anything listens.
class ExporterCommand {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ExporterCommand(Invocation invocation);
  ~ExporterCommand();
  // SIGINT and SIGTERM (taken by the watcher) end the running probes and stop the server.
  int Run(SignalWatcher& watcher);

 private:
  void Prepare();
  int Serve(SignalWatcher& watcher);
  // Prints the banner and serves until SIGINT or SIGTERM: kSuccess then, kFailed when serving
  // ended otherwise.
  int ListenUntilStopped(httplib::Server& server, SignalWatcher& watcher,
                         const std::string& banner);
  void Route(httplib::Server& server);
  void Probe(const httplib::Request& request, httplib::Response& response);
  void Metrics(httplib::Response& response) const;
  void Index(httplib::Response& response) const;
  // The probe's deadline from the scrape's time-out header, or nothing for a bad header.
  static std::optional<Clock::time_point> Deadline(const httplib::Request& request);

  Invocation invocation_;
  std::optional<Inventory> inventory_;
  std::unordered_map<std::string, std::size_t> hostIndex_;
  // A serial line carries one session at a time: probes of a serial host take turns.
  std::vector<std::unique_ptr<std::timed_mutex>> serialLines_;
  std::optional<Profile> profile_;
  std::string listenHost_;
  int listenPort_ = 0;
  std::unique_ptr<std::counting_semaphore<>> slots_;
  ExporterFigures figures_;
  CancelGroup cancels_;  // the running probes' sessions
};

}  // namespace pelmora::cli
