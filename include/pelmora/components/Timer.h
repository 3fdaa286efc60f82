#pragma once

#include <cstdint>
#include <memory>

#include "pelmora/platform/Event.h"

namespace pelmora {

// The timer component: a steady timer on the creating thread's apartment. While armed it raises
// OnTimer once per Interval, and only while that thread pumps its apartment. Timers start
// disarmed. Arming a timer that is already armed keeps its pending tick (the first deadline
// stands), so a stream of arrivals cannot postpone the tick that frames them. A thread that did
// not pump for several intervals gets one tick, and the timer carries on from then. A timer
// keeps its apartment's event loop alive, so it may be destroyed after its thread has ended.
class Timer {
 public:
  Timer();
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  std::int32_t Interval() const noexcept;
  void SetInterval(std::int32_t milliseconds);

  bool Enabled() const noexcept;
  void SetEnabled(bool enabled);

  // The component's "Timer" event. Errors thrown by handlers are dropped.
  Event<> OnTimer;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace pelmora
