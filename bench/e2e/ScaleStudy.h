#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

namespace pelmora::bench {

// N sessions at once, each on a thread of its own that owns its apartment, its device object
// and its telnet connection, sending bare carriage returns back to back for a fixed window.
//
// Every N runs in a fresh process (this program started again as a worker), so that its
// resident memory starts from the same base and no memory kept from a larger run hides in it.
class ScaleStudy {
 public:
  struct Outcome {
    int sessions = 0;
    long commands = 0;  // completed inside the window
    long errors = 0;
    double windowSeconds = 0;
    double rssBeforeKiB = 0;      // before the sessions' threads started
    double rssDuringKiB = 0;      // all sessions open and busy
    double cpuSeconds = 0;        // this process, during the window
    double serverCpuSeconds = 0;  // the simulator's process, during the window
  };

  // Starts `program` as a worker for `sessions` sessions and returns what it measured.
  static Outcome Spawn(const std::string& program, int sessions, int port, pid_t serverPid,
                       std::chrono::milliseconds window);

  // The worker's side: runs the sessions here and writes the outcome on stdout.
  static int RunWorker(int sessions, int port, pid_t serverPid, std::chrono::milliseconds window);

  static constexpr const char* kWorkerFlag = "--scale-worker";

 private:
  static Outcome RunSessions(int sessions, int port, pid_t serverPid,
                             std::chrono::milliseconds window);
};

}  // namespace pelmora::bench
