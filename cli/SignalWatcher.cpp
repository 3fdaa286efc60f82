#include "SignalWatcher.h"

#include <pthread.h>
#include <unistd.h>

#include <utility>

namespace pelmora::cli {

namespace {
constexpr int kInterruptedStatus = 130;
constexpr auto kPatience = std::chrono::seconds(2);
}  // namespace

SignalWatcher::SignalWatcher() {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
  thread_ = std::thread([this] { Watch(); });
}

SignalWatcher::~SignalWatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  pthread_kill(thread_.native_handle(), SIGTERM);
  thread_.join();
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void SignalWatcher::OnSignal(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  action_ = std::move(action);
  if (signalled_ && action_) action_();
}

bool SignalWatcher::Signalled() const {
  std::lock_guard lock(mutex_);
  return signalled_;
}

void SignalWatcher::Acknowledge() {
  std::lock_guard lock(mutex_);
  pendingSince_.reset();
  signalled_ = false;
}

void SignalWatcher::Watch() {
  for (;;) {
    int received = 0;
    if (sigwait(&signals_, &received) != 0) continue;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    Take();
  }
}

void SignalWatcher::Take() {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  if (pendingSince_) {
    if (now - *pendingSince_ >= kPatience) _exit(kInterruptedStatus);
    return;
  }
  pendingSince_ = now;
  signalled_ = true;
  if (action_) action_();
}

}  // namespace pelmora::cli
