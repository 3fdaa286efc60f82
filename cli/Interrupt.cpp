#include "Interrupt.h"

#include <csignal>

namespace pelmora::cli {

namespace {

volatile std::sig_atomic_t gRequested = 0;

extern "C" void OnSignal(int signal) {
  if (gRequested != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  gRequested = 1;
}

}  // namespace

void Interrupt::Install(std::initializer_list<int> signals) {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking wait returns early and looks at the flag
  for (int signal : signals) sigaction(signal, &action, nullptr);
}

bool Interrupt::Requested() noexcept {
  return gRequested != 0;
}

void Interrupt::Request() noexcept {
  gRequested = 1;
}

void Interrupt::Clear() noexcept {
  gRequested = 0;
}

}  // namespace pelmora::cli
