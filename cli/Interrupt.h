#pragma once

#include <initializer_list>

namespace pelmora::cli {

// The user's request to stop (Ctrl-C, or SIGTERM where asked for). The signal handler only sets
// a flag; the waiting code reads it on its next pass, so nothing unsafe runs inside the handler.
// A second signal while the first is still unhandled ends the process the default way.
class Interrupt {
 public:
  static void Install(std::initializer_list<int> signals);
  static bool Requested() noexcept;
  // Takes a stop request that arrived another way (a thread that waits for the signal).
  static void Request() noexcept;
  static void Clear() noexcept;
  // The write end of a pipe whose bytes wake the calling thread's apartment, made on the first
  // call (-1 when no pipe could be made). A signal handler writes to it so that a command that
  // sleeps until its next event looks at the stop request at once.
  static int WakeFd();
};

}  // namespace pelmora::cli
