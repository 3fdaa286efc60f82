#include "Interrupt.h"

#include <fcntl.h>
#include <unistd.h>

#include <asio/posix/stream_descriptor.hpp>
#include <csignal>
#include <memory>

#include "pelmora/platform/Apartment.h"

namespace pelmora::cli {

namespace {

volatile std::sig_atomic_t gRequested = 0;
// Write end of the pipe that wakes the installing thread's apartment: a command waiting there
// sleeps until an event, and a signal alone does not end that sleep.
volatile int gWakeFd = -1;

extern "C" void OnSignal(int signal) {
  if (gRequested != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  gRequested = 1;
  if (gWakeFd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(gWakeFd, &byte, 1);
  }
}

// Reads the wake-up bytes on the apartment. Reading is the whole point: the read's completion
// is the event that ends the pump's sleep; the waiting code then looks at the flag.
struct WakeReader {
  explicit WakeReader(int readFd)
      : apartment(Apartment::Shared()), descriptor(apartment->Context(), readFd) {}

  void Read() {
    descriptor.async_read_some(asio::buffer(bytes), [this](std::error_code error, std::size_t) {
      if (!error) Read();
    });
  }

  std::shared_ptr<Apartment> apartment;
  asio::posix::stream_descriptor descriptor;
  char bytes[16] = {};
};

}  // namespace

int Interrupt::WakeFd() {
  if (gWakeFd >= 0) return gWakeFd;
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
  static WakeReader reader(fds[0]);
  reader.Read();
  gWakeFd = fds[1];
  return gWakeFd;
}

void Interrupt::Install(std::initializer_list<int> signals) {
  WakeFd();
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
