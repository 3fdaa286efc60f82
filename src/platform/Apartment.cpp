#include "pelmora/platform/Apartment.h"

#include <atomic>

namespace pelmora {

namespace {
// As long as the receive timer's interval: a command's usual wait (the answer arrives, the
// timer frames it 10 ms later) then wakes only for those two events, and hundreds of idle
// waiting sessions cost half what a 5 ms slice costs. A time limit is noticed up to one slice
// (plus its whole-millisecond reading) late.
std::atomic<std::int64_t> gSliceMicros{10000};
}  // namespace

Apartment& Apartment::Current() {
  thread_local Apartment apartment;
  return apartment;
}

Apartment::Apartment() : guard_(asio::make_work_guard(context_)) {}

Apartment::~Apartment() {
  guard_.reset();
  context_.stop();
}

// run_one_for runs a ready handler without blocking, so polling before it would only add a
// system call to every idle pass of a waiting loop.
void Apartment::Pump() {
  if (context_.stopped()) context_.restart();
  if (context_.run_one_for(Slice()) > 0) context_.poll();
}

void Apartment::PumpReady() {
  if (context_.stopped()) context_.restart();
  context_.poll();
}

std::chrono::microseconds Apartment::Slice() noexcept {
  return std::chrono::microseconds(gSliceMicros.load(std::memory_order_relaxed));
}

void Apartment::SetSlice(std::chrono::microseconds slice) noexcept {
  gSliceMicros.store(slice.count(), std::memory_order_relaxed);
}

}  // namespace pelmora
