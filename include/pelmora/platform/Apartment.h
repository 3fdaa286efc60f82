#pragma once

// A standard header first: asio decides between aligned_alloc/free and operator new/delete for
// its handler memory by a macro of the standard library's configuration. A translation unit that
// met asio before any standard header took the other pair, and the linker then mixed the two
// definitions: memory from aligned_alloc went back through operator delete.
#include <cstddef>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pelmora {

// One event loop per thread. Timers and connections created on a thread deliver their events
// on that thread's loop, and only while the thread pumps it, so library objects need no locks.
//
// The thread holds its apartment through a counted reference, and so does every timer,
// connection and pending operation created on it: an object that outlives its thread (one in
// static storage, or handed to another thread) still has a loop to cancel its work on.
class Apartment {
 public:
  using Clock = std::chrono::steady_clock;

  // The calling thread's apartment, created on first use.
  static Apartment& Current();
  // The same, counted: holders keep the loop alive after the thread has ended.
  static const std::shared_ptr<Apartment>& Shared();

  asio::io_context& Context() noexcept { return context_; }

  // Runs one handler that is ready; when none is, blocks until one is or the earliest
  // deadline registered with a Deadline has come: waiting costs nothing. At that deadline it
  // runs every handler that is ready. Outside any
  // registered deadline it blocks 50 ms at most, so a loop of a client's own never hangs.
  void Pump();
  // The same, waking at `deadline` at the latest.
  void PumpUntil(Clock::time_point deadline);

  // Runs every handler that is ready and returns without blocking.
  void PumpReady();

  // Runs `work` on the apartment's thread at its next pump and wakes a blocked pump. Safe to
  // call from any thread: this is how an outside interruption reaches a waiting command.
  void Post(std::function<void()> work);

  // Whether the thread that owned the apartment has ended: nobody pumps its loop any more, so
  // work posted to it never runs, and its objects may be torn down from another thread.
  bool ThreadEnded() const noexcept { return threadEnded_.load(std::memory_order_acquire); }

  // Readies Wake, on the apartment's own thread; the first call makes an event descriptor whose
  // reading is an event of this loop, later calls do nothing.
  void EnableWake();
  // Wakes a blocked pump of this apartment. Async-signal-safe and callable from any thread (once
  // EnableWake ran): it only writes to a descriptor, where Post takes a lock.
  void Wake() noexcept;

  // While it lives, pumps on this apartment wake at `at` at the latest. Waiting loops register
  // the earliest moment they must notice (a time limit), so they sleep until an event or that
  // moment instead of waking on a fixed slice. An exact deadline wakes by a timer event of the
  // loop, kept to the clock's resolution; a coarse one by the blocking wait's own time-out,
  // some milliseconds late (a coarse deadline suits a display's redraw). The exact ones share
  // one timer of the apartment, which is moved only to an earlier moment: most time limits are
  // never reached, and a limit registered behind one still pending costs no system call.
  class Deadline {
   public:
    enum class Precision { Exact, Coarse };
    explicit Deadline(Clock::time_point at, Precision precision = Precision::Exact);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

   private:
    std::shared_ptr<Apartment> apartment_;
    Clock::time_point at_;
    Precision precision_;
  };

  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment();

 private:
  Apartment();
  struct Registered {
    Clock::time_point at;
    bool exact;
  };
  Clock::time_point EarliestDeadline(bool exactOnly = false) const noexcept;
  void WakeBy(Clock::time_point at);
  void OnWakeTimer(const std::error_code& error);
  void ReadWake();

  asio::io_context context_{1};
  asio::executor_work_guard<asio::io_context::executor_type> guard_;
  std::vector<Registered> deadlines_;
  asio::steady_timer wakeTimer_{context_};
  Clock::time_point wakeAt_ = Clock::time_point::max();  // max: the timer is not armed
  std::optional<asio::posix::stream_descriptor> wakeReader_;
  std::atomic<int> wakeFd_{-1};
  std::atomic<bool> threadEnded_{false};
  std::uint64_t wakeCount_ = 0;
  // Set by the completion of a deadline's cancelled timer: a handler that is no event.
  bool ranNothing_ = false;
};

}  // namespace pelmora
