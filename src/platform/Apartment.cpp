#include "pelmora/platform/Apartment.h"

#include <algorithm>
#include <asio/post.hpp>

namespace pelmora {

namespace {
// How long a pump outside any registered deadline blocks at most: a client's own idle loop
// that polls a connection wakes this often and never hangs on a silent device. Waits that
// register their deadline (a command's) are not bound by it.
constexpr auto kUnboundedWaitLimit = std::chrono::milliseconds(50);
}  // namespace

Apartment& Apartment::Current() {
  return *Shared();
}

const std::shared_ptr<Apartment>& Apartment::Shared() {
  // The thread's own reference. Objects in static storage may be destroyed after it: they hold
  // their own.
  thread_local const std::shared_ptr<Apartment> apartment(new Apartment);
  return apartment;
}

Apartment::Apartment() : guard_(asio::make_work_guard(context_)) {}

Apartment::~Apartment() {
  guard_.reset();
  context_.stop();
}

Apartment::Clock::time_point Apartment::EarliestDeadline() const noexcept {
  if (deadlines_.empty()) return Clock::time_point::max();
  return *std::min_element(deadlines_.begin(), deadlines_.end());
}

void Apartment::Pump() {
  const auto earliest = EarliestDeadline();
  PumpUntil(earliest != Clock::time_point::max() ? earliest : Clock::now() + kUnboundedWaitLimit);
}

// run_one_until runs a ready handler without blocking, so polling before it would only add a
// system call to every idle pass of a waiting loop. A deadline that has passed still lets the
// ready handlers run: a pass at its limit sees what has already arrived.
void Apartment::PumpUntil(Clock::time_point deadline) {
  if (context_.stopped()) context_.restart();
  deadline = std::min(deadline, EarliestDeadline());
  const std::size_t ran = deadline > Clock::now() ? context_.run_one_until(deadline) : 0;
  if (ran > 0 || deadline <= Clock::now()) context_.poll();
}

void Apartment::PumpReady() {
  if (context_.stopped()) context_.restart();
  context_.poll();
}

void Apartment::Post(std::function<void()> work) {
  asio::post(context_, std::move(work));
}

Apartment::Deadline::Deadline(Clock::time_point at) : apartment_(Shared()), at_(at) {
  apartment_->deadlines_.push_back(at);
}

Apartment::Deadline::~Deadline() {
  auto& deadlines = apartment_->deadlines_;
  deadlines.erase(std::find(deadlines.begin(), deadlines.end(), at_));
}

}  // namespace pelmora
