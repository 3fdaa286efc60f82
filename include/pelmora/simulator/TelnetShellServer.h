#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pelmora/simulator/DeliveryPlan.h"
#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellFaults.h"

namespace asio {
class io_context;
}  // namespace asio

namespace pelmora {

// The simulated print server's telnet server. It runs its own event loop (its own io_context,
// not the apartment of any library thread), either on a thread of its own (Start) or on the
// calling thread (Serve), so that a library in the same process never shares a loop with it.
//
// Every TCP connection is one shell session with its own running state (a new session of the
// device); the saved configuration is the device's, shared by all sessions. At connect the
// server offers to echo and to suppress go-ahead, accepts the client's DO for those two and
// refuses every other option; a bare LF from a client (one in character mode reading a pipe)
// ends a line like CR LF and CR NUL. When the shell ends a session ("exit", INI, the
// dropped-session fault) the output before it is written, the server half-closes, and it closes
// once the client has closed its end (or after two seconds); while a restart (INI with a restart
// delay) lasts, new connections are closed at once.
//
// The server prints nothing to any console.
class TelnetShellServer {
 public:
  struct Options {
    std::string host = "127.0.0.1";
    // 0: a free port chosen by the system (see Port).
    std::uint16_t port = 0;
    // The shell password; none: every session is privileged.
    std::optional<std::string> password;
    DeliveryPlan delivery;
    // Applied to every session.
    ShellFaults faults;
    // The device every session is a session of (its saved configuration, fixed values, status,
    // restart delay); none: a device with the default configuration. The server keeps a copy
    // that shares the saved configuration; its own shell password is replaced by `password`.
    std::shared_ptr<PrintServerState> device;
    // A loop to serve on instead of the server's own, so that many servers share one thread:
    // Start then only listens, whoever runs the loop serves, and Stop must be called on the
    // thread that runs it.
    asio::io_context* loop = nullptr;
  };

  TelnetShellServer();  // the default options
  explicit TelnetShellServer(Options options);
  ~TelnetShellServer();  // Stop()
  TelnetShellServer(const TelnetShellServer&) = delete;
  TelnetShellServer& operator=(const TelnetShellServer&) = delete;

  // Binds and listens, then serves on a background thread. Throws std::runtime_error naming the
  // address and the system's reason when it cannot listen.
  void Start();
  // Binds and listens (unless Start did), then serves on the calling thread until a stop is
  // requested (RequestStop, Stop from another thread).
  void Serve();

  // Ends every session, stops serving and joins the background thread; idempotent. A stopped
  // server stays stopped.
  void Stop();
  // Asks the loop to stop and returns at once. Async-signal-safe on the server's own loop: a
  // SIGINT handler may call it. On a shared loop it posts the stop to that loop (any thread, not
  // a signal handler), which spares the server a wake-up pipe.
  void RequestStop() noexcept;

  // The bound port, once listening (0 before).
  std::uint16_t Port() const noexcept;
  // Connections being served now; safe to read from any thread.
  std::size_t SessionCount() const noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pelmora
