#pragma once

// A standard header first: asio decides between aligned_alloc/free and operator new/delete for
// its handler memory by a macro of the standard library's configuration. A translation unit that
// met asio before any standard header took the other pair, and the linker then mixed the two
// definitions: memory from aligned_alloc went back through operator delete.
#include <cstddef>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <chrono>

namespace pelmora {

// One event loop per thread. Timers and connections created on a thread deliver their events
// on that thread's loop, and only while the thread pumps it, so library objects need no locks.
class Apartment {
 public:
  // The calling thread's apartment, created on first use.
  static Apartment& Current();

  asio::io_context& Context() noexcept { return context_; }

  // Runs every handler that is ready; when none is, blocks until one is or the slice has
  // passed. Waiting loops call this, so they sleep in the kernel instead of spinning.
  void Pump();

  // Runs every handler that is ready and returns without blocking.
  void PumpReady();

  // How long an idle Pump blocks at most. It bounds how late a time limit is noticed.
  static std::chrono::microseconds Slice() noexcept;
  static void SetSlice(std::chrono::microseconds slice) noexcept;

  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  Apartment();
  ~Apartment();

  asio::io_context context_{1};
  asio::executor_work_guard<asio::io_context::executor_type> guard_;
};

}  // namespace pelmora
