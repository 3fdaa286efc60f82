#pragma once

#include <sys/types.h>

namespace pelmora::bench {

// The simulated print server's telnet server in a child process of its own, on 127.0.0.1 and a
// port the system chooses. Keeping it out of this process means this process's CPU time and
// memory are the library's alone; the server's CPU time is read separately.
//
// Create it before this process starts any thread: it forks.
class SimulatorProcess {
 public:
  SimulatorProcess();
  ~SimulatorProcess();  // ends the child and waits for it
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  int Port() const noexcept { return port_; }
  pid_t Pid() const noexcept { return pid_; }

 private:
  [[noreturn]] static void ServeInChild(int portPipe, int lifeline);

  pid_t pid_ = -1;
  int port_ = 0;
  // The child serves until this pipe's write end closes (also when this process dies); both
  // pipes are closed on exec, so programs started from here do not hold the child alive.
  int lifeline_ = -1;
};

}  // namespace pelmora::bench
