#include "SignalWatcher.h"

#include <pthread.h>
#include <unistd.h>

#include <utility>

namespace pelmora::cli {

namespace {
constexpr int kInterruptedStatus = 130;
}  // namespace

SignalWatcher::SignalWatcher(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
  thread_ = std::thread([this] { Watch(); });
}

SignalWatcher::~SignalWatcher() {
  stopping_ = true;
  pthread_kill(thread_.native_handle(), SIGTERM);
  thread_.join();
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void SignalWatcher::Watch() {
  bool signalled = false;
  for (;;) {
    int received = 0;
    if (sigwait(&signals_, &received) != 0) continue;
    if (stopping_) return;
    if (signalled) _exit(kInterruptedStatus);
    signalled = true;
    onSignal_();
  }
}

}  // namespace pelmora::cli
