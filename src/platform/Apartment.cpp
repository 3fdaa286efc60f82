#include "pelmora/platform/Apartment.h"

#include <atomic>

namespace pelmora {

namespace {
std::atomic<std::int64_t> gSliceMicros{5000};
}

Apartment& Apartment::Current() {
  thread_local Apartment apartment;
  return apartment;
}

Apartment::Apartment() : guard_(asio::make_work_guard(context_)) {}

Apartment::~Apartment() {
  guard_.reset();
  context_.stop();
}

void Apartment::Pump() {
  if (context_.stopped()) context_.restart();
  if (context_.poll() > 0) return;
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
