#include "SignalBridge.h"

#include <fcntl.h>
#include <pybind11/pybind11.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

namespace pelmora::python {

namespace {

CancelGroup gWaiting;
int gPipe[2] = {-1, -1};
// The handler the module's own calls on: Python's, or whatever a program set. Replaced only with
// the GIL held; read by the handler, so kept in storage that is never freed.
std::atomic<struct sigaction*> gPrevious{nullptr};

extern "C" void OnInterrupt(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = write(gPipe[1], &byte, 1);
  errno = savedErrno;
  const struct sigaction* previous = gPrevious.load(std::memory_order_acquire);
  if (previous == nullptr) return;
  if ((previous->sa_flags & SA_SIGINFO) != 0) {
    previous->sa_sigaction(signal, info, context);
  } else if (previous->sa_handler == SIG_DFL) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  } else if (previous->sa_handler != SIG_IGN) {
    previous->sa_handler(signal);
  }
}

void ReadSignals() {
  char bytes[64];
  for (;;) {
    const auto got = read(gPipe[0], bytes, sizeof bytes);
    if (got > 0) {
      gWaiting.CancelMembers();
    } else if (got == 0 || errno != EINTR) {
      return;
    }
  }
}

// Puts the module's handler in front of the present one, unless it is already there.
void PutInFront() {
  struct sigaction present {};
  if (sigaction(SIGINT, nullptr, &present) != 0) return;
  if ((present.sa_flags & SA_SIGINFO) != 0 && present.sa_sigaction == OnInterrupt) return;
  // A program that ignores SIGINT (started under nohup, say) wants no cancel from it either.
  if ((present.sa_flags & SA_SIGINFO) == 0 && present.sa_handler == SIG_IGN) return;
  gPrevious.store(new struct sigaction(present), std::memory_order_release);
  struct sigaction ours {};
  ours.sa_sigaction = OnInterrupt;
  ours.sa_flags = SA_SIGINFO | (present.sa_flags & SA_RESTART);
  sigemptyset(&ours.sa_mask);
  sigaction(SIGINT, &ours, nullptr);
}

}  // namespace

void SignalBridge::Install() {
  if (gPipe[0] >= 0) return;
  if (pipe2(gPipe, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  std::thread(ReadSignals).detach();
}

// A cancel left from an earlier call is forgotten before the token joins the waiting ones.
SignalBridge::Waiting::Waiting(std::shared_ptr<CancelToken> token)
    : token_((token->Reset(), std::move(token))), member_(gWaiting, token_) {
  PutInFront();
}

SignalBridge::Waiting::~Waiting() = default;

void SignalBridge::Waiting::RaisePendingSignal() {
  if (!token_->Requested()) return;
  token_->Reset();
  if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
}

}  // namespace pelmora::python
