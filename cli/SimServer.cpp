#include "SimServer.h"

#include <pthread.h>

#include <csignal>
#include <iostream>
#include <stdexcept>

#include "pelmora/simulator/TelnetShellServer.h"

namespace pelmora::cli {

int SimServer::Run() {
  TelnetShellServer::Options options;
  options.host = invocation_.target.host;
  options.port = static_cast<std::uint16_t>(invocation_.target.port);
  options.password = invocation_.simPassword;

  // Blocked before the server's thread starts, so that it inherits the mask and the signals
  // are taken only by the sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  TelnetShellServer server(options);
  try {
    server.Start();
  } catch (const std::runtime_error& error) {
    std::cerr << "pelmora: " << error.what() << '\n';
    return 1;
  }
  Target bound = invocation_.target;
  bound.port = server.Port();
  std::cout << "pelmora sim listening on " << bound.Describe() << " (telnet); Ctrl-C stops"
            << std::endl;

  int received = 0;
  sigwait(&stopSignals, &received);
  server.Stop();
  return 0;
}

}  // namespace pelmora::cli
