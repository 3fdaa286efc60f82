#include "pelmora/platform/Apartment.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <asio/post.hpp>
#include <cerrno>
#include <system_error>

namespace pelmora {

namespace {
// How long a pump outside any registered deadline blocks at most: a client's own idle loop
// that polls a connection wakes this often and never hangs on a silent device. Waits that
// register their deadline (a command's) are not bound by it.
constexpr auto kUnboundedWaitLimit = std::chrono::milliseconds(50);
constexpr auto kDeadlineBackstop = std::chrono::milliseconds(1);
}  // namespace

Apartment& Apartment::Current() {
  return *Shared();
}

const std::shared_ptr<Apartment>& Apartment::Shared() {
  // The thread's own reference. Objects in static storage may be destroyed after it: they hold
  // their own, and learn from ThreadEnded that nobody pumps the loop any more.
  struct ThreadReference {
    ThreadReference() : apartment(new Apartment) {}
    ~ThreadReference() { apartment->threadEnded_.store(true, std::memory_order_release); }
    const std::shared_ptr<Apartment> apartment;
  };
  thread_local const ThreadReference reference;
  return reference.apartment;
}

Apartment::Apartment() : guard_(asio::make_work_guard(context_)) {}

Apartment::~Apartment() {
  wakeFd_.store(-1);
  wakeReader_.reset();  // closes the descriptor
  guard_.reset();
  context_.stop();
}

// Deadlines that have passed are left out: their owner is a wait further out in a nesting (a
// command run from an event handler inside another command's wait), which notices them when
// the inner wait returns. Waking for them again and again would spin the inner wait.
Apartment::Clock::time_point Apartment::EarliestDeadline(bool exactOnly) const noexcept {
  const auto now = Clock::now();
  auto earliest = Clock::time_point::max();
  for (const auto& deadline : deadlines_) {
    if (deadline.at > now && (deadline.exact || !exactOnly)) {
      earliest = std::min(earliest, deadline.at);
    }
  }
  return earliest;
}

// A timer already due sooner stays: when it fires, OnWakeTimer moves it on to the deadline.
void Apartment::WakeBy(Clock::time_point at) {
  if (at >= wakeAt_ || at == Clock::time_point::max()) return;
  wakeAt_ = at;
  wakeTimer_.expires_at(at);
  wakeTimer_.async_wait([this](const std::error_code& error) { OnWakeTimer(error); });
}

// The wake is an event only when an exact deadline has come; one whose wait has ended since, or
// the wait that moving the timer cancelled, is not.
void Apartment::OnWakeTimer(const std::error_code& error) {
  ranNothing_ = true;
  if (error == asio::error::operation_aborted) return;
  wakeAt_ = Clock::time_point::max();
  const auto now = Clock::now();
  for (const auto& deadline : deadlines_) {
    if (deadline.exact && deadline.at <= now) ranNothing_ = false;
  }
  WakeBy(EarliestDeadline(true));
}

void Apartment::Pump() {
  const auto earliest = EarliestDeadline();
  if (earliest == Clock::time_point::max()) {
    PumpUntil(Clock::now() + kUnboundedWaitLimit);
  } else {
    // An exact deadline's timer ends the wait at the deadline; a coarse one ends it here.
    PumpUntil(earliest + kDeadlineBackstop);
  }
}

// One handler per pump: run_one_until runs a ready one without blocking, and a waiting loop
// looks at its state after each event anyway, so draining the queue behind it would only add
// system calls to every pass. The leftover of a deadline that ended before its time is no
// event, and the pump carries on past it. A deadline that has passed still lets the ready handlers
// run: a pass at its limit sees what has already arrived.
void Apartment::PumpUntil(Clock::time_point deadline) {
  if (context_.stopped()) context_.restart();
  while (deadline > Clock::now()) {
    ranNothing_ = false;
    if (context_.run_one_until(deadline) == 0) break;
    if (!ranNothing_) return;
  }
  context_.poll();
}

void Apartment::PumpReady() {
  if (context_.stopped()) context_.restart();
  context_.poll();
}

void Apartment::Post(std::function<void()> work) {
  asio::post(context_, std::move(work));
}

void Apartment::EnableWake() {
  if (wakeReader_) return;
  const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  wakeReader_.emplace(context_, fd);
  wakeFd_.store(fd, std::memory_order_release);
  ReadWake();
}

// The read's completion is the event that ends a blocked pump; the waiting code then looks at
// whatever asked to wake it.
void Apartment::ReadWake() {
  wakeReader_->async_read_some(asio::buffer(&wakeCount_, sizeof wakeCount_),
                               [this](std::error_code error, std::size_t) {
                                 if (!error) ReadWake();
                               });
}

void Apartment::Wake() noexcept {
  const int fd = wakeFd_.load(std::memory_order_acquire);
  if (fd < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = write(fd, &one, sizeof one);
}

Apartment::Deadline::Deadline(Clock::time_point at, Precision precision)
    : apartment_(Shared()), at_(at), precision_(precision) {
  const bool exact = precision == Precision::Exact;
  apartment_->deadlines_.push_back({at, exact});
  if (exact) apartment_->WakeBy(at);
}

Apartment::Deadline::~Deadline() {
  auto& deadlines = apartment_->deadlines_;
  const bool exact = precision_ == Precision::Exact;
  deadlines.erase(std::find_if(deadlines.begin(), deadlines.end(), [&](const Registered& entry) {
    return entry.at == at_ && entry.exact == exact;
  }));
}

}  // namespace pelmora
