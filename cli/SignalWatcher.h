#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace pelmora::cli {

// Takes SIGINT and SIGTERM on a thread of its own, for runs with many threads: the signals are
// blocked in the constructing thread (and so in every thread it starts afterwards), and the
// watcher waits for them with sigwait, so the reaction runs as ordinary code, not in a signal
// handler. A second signal ends the process at once with the status of an interrupted program.
class SignalWatcher {
 public:
  explicit SignalWatcher(std::function<void()> onSignal);
  ~SignalWatcher();  // stops watching and unblocks the signals
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

 private:
  void Watch();

  std::function<void()> onSignal_;
  sigset_t signals_;
  sigset_t previous_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace pelmora::cli
