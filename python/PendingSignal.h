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

 private:
  std::optional<pybind11::error_already_set> raised_;
};

}  // namespace pelmora::python
