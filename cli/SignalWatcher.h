#pragma once

#include <signal.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace pelmora::cli {

// The tool's one way of taking SIGINT and SIGTERM. Made first in main, it blocks both signals in
// the main thread (and so in every thread started afterwards) and waits for them with sigwait on
// a thread of its own, so the reaction runs as ordinary code: cancelling the sessions of the
// run, or stopping `sim`.
//
// A second signal within 2 s of the first is left to the first's reaction; after that (the
// first did not end the run) it ends the process at once with the status of an interrupted
// program, 130. A reaction that handled the stop and carries on (the interactive shell)
// acknowledges it, and the next signal is a new request.
class SignalWatcher {
 public:
  SignalWatcher();
  ~SignalWatcher();  // stops watching and unblocks the signals
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  // What a signal does from now on; runs it at once when a signal has already come.
  void OnSignal(std::function<void()> action);
  bool Signalled() const;
  void Acknowledge();

 private:
  using Clock = std::chrono::steady_clock;
  void Watch();
  void Take();

  mutable std::mutex mutex_;
  std::function<void()> action_;
  std::optional<Clock::time_point> pendingSince_;
  bool signalled_ = false;
  bool stopping_ = false;
  sigset_t signals_;
  sigset_t previous_;
  std::thread thread_;
};

}  // namespace pelmora::cli
