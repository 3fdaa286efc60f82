#pragma once

#include <pybind11/pybind11.h>

#include <optional>

namespace pelmora::python {

// Lets Ctrl-C reach a command that waits with the GIL released. Python runs its signal handlers
// only on the main thread and only with the GIL held, so while a command waits there, every
// pass of its wait loop takes the GIL for a moment and lets them run. When a handler raises
// (KeyboardInterrupt from SIGINT), the exception is kept and the command is aborted; it is raised
// in place of the command's outcome once the command has unwound. Other threads never take the
// GIL while they wait, so devices on different threads wait at once.
class PendingSignal {
 public:
  // Called at import: the thread that imports the module is taken as Python's main thread.
  static void NoteMainThread();

  // Without the GIL, from the wait loop. True once a signal handler has raised.
  bool Check();
  // With the GIL: raises the kept exception, if any, and forgets it.
  void RaiseIfAny();

  // With the GIL, for the length of one call that may wait: on the main thread, Python's own
  // signal handler also writes to a pipe that wakes the waiting thread's event loop, since a
  // wait sleeps until its next event and would otherwise see Ctrl-C only at its time limit.
  // The previous wake-up descriptor (asyncio's, say) is put back afterwards.
  class WakeWhileWaiting {
   public:
    WakeWhileWaiting();
    ~WakeWhileWaiting();
    WakeWhileWaiting(const WakeWhileWaiting&) = delete;
    WakeWhileWaiting& operator=(const WakeWhileWaiting&) = delete;

   private:
    bool installed_ = false;
    int previous_ = -1;
  };

 private:
  std::optional<pybind11::error_already_set> raised_;
};

}  // namespace pelmora::python
