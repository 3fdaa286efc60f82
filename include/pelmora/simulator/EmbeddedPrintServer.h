#pragma once

#include <memory>

#include "pelmora/simulator/DeliveryPlan.h"
#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellEngine.h"
#include "pelmora/simulator/ShellFaults.h"
#include "pelmora/transport/PipeConnection.h"

namespace pelmora {

// The simulated print server inside the library's own process, reached over an in-memory
// connection: no socket, no thread. The shell engine answers on the apartment of the thread that
// first asked for the connection, and its output arrives there as a network would deliver it.
//
// Each physical session of the connection is one shell session: it starts fresh (protected when
// the device has a shell password) even when the library ended the previous one without "exit".
// When the shell ends a session ("exit", INI, the dropped-session fault), the device ends the
// connection's session after the output written before it has arrived, and bytes still sent on
// that session go nowhere. After INI with a restart delay the shell ignores input for that long.
//
// The connection may outlive this object; it then stays silent.
class EmbeddedPrintServer {
 public:
  explicit EmbeddedPrintServer(
      std::shared_ptr<PrintServerState> state = std::make_shared<PrintServerState>());
  ~EmbeddedPrintServer();
  EmbeddedPrintServer(const EmbeddedPrintServer&) = delete;
  EmbeddedPrintServer& operator=(const EmbeddedPrintServer&) = delete;

  // The library's end of the connection, created at the first call on the calling thread's
  // apartment; later calls return the same one.
  std::shared_ptr<PipeConnection> Connection();

  PrintServerState& State() noexcept;
  ShellFaults& Faults() noexcept;
  // The engine itself, for what the server does on its own (EmitUnsolicited) and for counts
  // (LinesReceived, State). Feed it only through the connection.
  ShellEngine& Shell() noexcept;

  // Applies to output the shell emits from now on.
  void SetDelivery(const DeliveryPlan& plan);
  const DeliveryPlan& Delivery() const noexcept;

 private:
  struct Core;
  std::shared_ptr<Core> core_;
  std::shared_ptr<PipeConnection> connection_;
};

}  // namespace pelmora
