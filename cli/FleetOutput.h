#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pelmora/fleet/FleetRunner.h"

namespace pelmora::cli {

// What a fleet run prints. Text: each host's output as it finishes, every line prefixed with
// "NAME: " (results on stdout, errors on stderr, as for one target), then a summary line. JSON:
// one document at the end, hosts in inventory order:
//
//   {"hosts": [{"name", "target", "ok", "result" | "error", "elapsed_ms"}],
//    "summary": {"total", "ok", "failed"}}
//
// where "result" is the document the command prints for one target. On a terminal, a progress
// line (done, failed, running, time left) stays below the host lines.
class FleetOutput {
 public:
  // One host's run of the command: its exit status and what it printed.
  struct HostResult {
    std::string name;
    std::string target;
    bool started = false;  // false: the run was cancelled before the host's turn
    int status = 1;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
    // The host's JSON entry but for its time (RenderEntry), made on the worker that ran the
    // host so that printing thousands of hosts after the run is little more than copying text;
    // empty when the result changed after it (Summary renders the entry then).
    std::string entry;
  };

  // Ran and ended well: exit status 0, or 3 of a diff that found changes.
  static bool Succeeded(const HostResult& host);
  static std::string RenderEntry(const HostResult& host);

  FleetOutput(bool json, bool drawProgress, std::ostream& out, std::ostream& err);

  void Finished(const HostResult& host);
  void Progress(const FleetRunner::Counts& counts);
  // The summary line, or the whole JSON document.
  void Summary(const std::vector<HostResult>& hosts);

 private:
  void ClearProgress();
  static void Prefixed(std::ostream& stream, const std::string& name, const std::string& text);

  bool json_;
  bool drawProgress_;
  std::ostream& out_;
  std::ostream& err_;
  std::mutex mutex_;
  bool progressShown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace pelmora::cli
