#include "pelmora/components/Timer.h"

#include <asio/steady_timer.hpp>

#include "pelmora/platform/Apartment.h"

namespace pelmora {

struct Timer::State : std::enable_shared_from_this<Timer::State> {
  explicit State(Timer& owner)
      : owner(&owner), apartment(Apartment::Shared()), timer(apartment->Context()) {}

  Timer* owner;
  // Declared before the timer, so the loop outlives it even when the thread has ended.
  std::shared_ptr<Apartment> apartment;
  asio::steady_timer timer;
  std::int32_t interval = 0;
  bool enabled = false;
  bool pending = false;
  // Bumped at every disarm, so a completion that was already queued is recognised as stale.
  std::uint64_t generation = 0;

  void Schedule(asio::steady_timer::time_point deadline) {
    pending = true;
    timer.expires_at(deadline);
    timer.async_wait([weak = weak_from_this(), gen = generation](const std::error_code& ec) {
      if (auto self = weak.lock()) self->Fire(ec, gen);
    });
  }

  // The next tick counts as pending while the handlers run (arming again keeps it), but it is
  // handed to the event loop only if they leave it standing: most handlers disarm the timer,
  // and scheduling a wait only to cancel it costs system calls on every tick.
  void Fire(const std::error_code& ec, std::uint64_t gen) {
    if (ec || gen != generation || !enabled) return;
    const auto keepAlive = shared_from_this();
    const auto next = NextDeadline();
    pending = interval > 0;
    if (owner != nullptr) owner->OnTimer.Raise();
    if (gen == generation && enabled && pending) Schedule(next);
  }

  // One interval on from the tick that is due. A thread that did not pump for several
  // intervals gets one tick, and the timer carries on from now instead of catching up in a
  // burst.
  asio::steady_timer::time_point NextDeadline() const {
    const auto step = std::chrono::milliseconds(interval);
    const auto now = asio::steady_timer::clock_type::now();
    const auto next = timer.expiry() + step;
    return next > now ? next : now + step;
  }

  void Disarm() {
    ++generation;
    pending = false;
    timer.cancel();
  }
};

Timer::Timer() : state_(std::make_shared<State>(*this)) {}

Timer::~Timer() {
  state_->owner = nullptr;
  state_->Disarm();
}

std::int32_t Timer::Interval() const noexcept {
  return state_->interval;
}

void Timer::SetInterval(std::int32_t milliseconds) {
  state_->interval = milliseconds;
  if (state_->enabled) {
    state_->Disarm();
    if (milliseconds > 0) {
      state_->Schedule(asio::steady_timer::clock_type::now() +
                       std::chrono::milliseconds(milliseconds));
    }
  }
}

bool Timer::Enabled() const noexcept {
  return state_->enabled;
}

void Timer::SetEnabled(bool enabled) {
  if (!enabled) {
    state_->enabled = false;
    state_->Disarm();
    return;
  }
  state_->enabled = true;
  if (state_->pending || state_->interval <= 0) return;
  state_->Schedule(asio::steady_timer::clock_type::now() +
                   std::chrono::milliseconds(state_->interval));
}

}  // namespace pelmora
