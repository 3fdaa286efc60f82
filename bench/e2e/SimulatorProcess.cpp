#include "SimulatorProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

#include "pelmora/simulator/TelnetShellServer.h"

namespace pelmora::bench {

SimulatorProcess::SimulatorProcess() {
  int portPipe[2];
  int lifeline[2];
  if (::pipe2(portPipe, O_CLOEXEC) != 0 || ::pipe2(lifeline, O_CLOEXEC) != 0) {
    throw std::runtime_error("simulator: no pipe");
  }
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("simulator: fork failed");
  if (pid_ == 0) {
    ::close(portPipe[0]);
    ::close(lifeline[1]);
    ServeInChild(portPipe[1], lifeline[0]);
  }
  ::close(portPipe[1]);
  ::close(lifeline[0]);
  lifeline_ = lifeline[1];
  std::uint16_t port = 0;
  const bool told = ::read(portPipe[0], &port, sizeof port) == sizeof port;
  ::close(portPipe[0]);
  if (!told || port == 0) throw std::runtime_error("simulator: the server did not start");
  port_ = port;
}

SimulatorProcess::~SimulatorProcess() {
  ::close(lifeline_);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

void SimulatorProcess::ServeInChild(int portPipe, int lifeline) {
  int exitCode = 0;
  try {
    TelnetShellServer server;  // 127.0.0.1, a free port, the default device
    server.Start();
    const std::uint16_t port = server.Port();
    if (::write(portPipe, &port, sizeof port) != sizeof port) throw std::runtime_error("pipe");
    ::close(portPipe);
    char ignored = 0;
    while (::read(lifeline, &ignored, 1) > 0) {
    }
    server.Stop();
  } catch (...) {
    exitCode = 1;
  }
  ::_exit(exitCode);
}

}  // namespace pelmora::bench
