#pragma once

#include <memory>

#include "pelmora/platform/CancelToken.h"
#include "pelmora/session/CancelGroup.h"

namespace pelmora::python {

// Turns Python's SIGINT into cancelling every session of the process that waits in a call.
//
// Python takes SIGINT with a C handler of its own that notes the signal, writes to the wakeup
// descriptor of whoever set one (asyncio, a program) and leaves the Python-level handler to the
// main thread's next pass. In front of it the module puts a handler that writes one byte to a
// pipe and then calls Python's, so every byte still reaches the wakeup descriptor; a thread of
// the module reads the pipe and cancels the waiting sessions, from ordinary code. The module's
// handler is put back in front at each waiting call, since Python replaces the handler whenever
// a program (or asyncio.run) sets its own.
class SignalBridge {
 public:
  // At import, on any thread.
  static void Install();

  // For the length of one call that may wait, with the GIL held: the session's token is a
  // waiting member and the handler is in front of Python's.
  class Waiting {
   public:
    explicit Waiting(std::shared_ptr<CancelToken> token);
    ~Waiting();
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

    // With the GIL, after the call: when a signal cancelled it, lets Python's own handler run
    // (KeyboardInterrupt on the main thread raises here) and forgets the cancel.
    void RaisePendingSignal();

   private:
    std::shared_ptr<CancelToken> token_;
    CancelGroup::Member member_;
  };
};

}  // namespace pelmora::python
