#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace pelmora {

class Apartment;

// A request to stop what a session waits on, made from anywhere: another thread, or a signal
// handler (Cancel is async-signal-safe). The token belongs to the apartment of the thread that
// made it; every wait of the library on that apartment that was given the token (a command, a
// name lookup, a connect, a pause) looks at it after each event, and Cancel wakes the apartment,
// so the wait ends at once with error 113 instead of at its time limit.
//
// A request stays until Reset: a session that was cancelled between two waits fails its next
// wait at once, before anything more is sent.
class CancelToken {
 public:
  // Made on the thread whose waits it ends.
  CancelToken();
  CancelToken(const CancelToken&) = delete;
  CancelToken& operator=(const CancelToken&) = delete;

  // Any thread, or a signal handler: marks the request and wakes the owning apartment.
  void Cancel() noexcept;
  bool Requested() const noexcept { return requested_.load(std::memory_order_acquire); }
  void Reset() noexcept { requested_.store(false, std::memory_order_release); }

  // Raises error 113 with the given source when a cancel is pending.
  void ThrowIfRequested(const std::string& source) const;

  // Sleeps on the owning apartment until `pause` has passed (true) or a cancel came (false).
  bool SleepFor(std::chrono::milliseconds pause) const;

  const std::shared_ptr<Apartment>& Owner() const noexcept { return apartment_; }

 private:
  std::atomic<bool> requested_{false};
  std::shared_ptr<Apartment> apartment_;
};

}  // namespace pelmora
