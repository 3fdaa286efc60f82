#pragma once

#include <chrono>

namespace pelmora::bench {

// What waiting costs and how exactly a time limit is kept. Hundreds of commands wait at once on
// connections whose device never answers, each on a thread of its own, until their time limit
// ends them: the process's CPU time over that wait is the cost of waiting; how far past its
// limit each command ended is how late a time limit is noticed.
//
// The floor is the same burst without the library's wait: each thread sleeps on a bare event-loop
// timer and raises the library's time-out error when it fires. It is what waking that many
// threads and unwinding that many errors at once costs on the machine.
class WaitingStudy {
 public:
  struct Outcome {
    int sessions = 0;
    double waitCpuShare = 0;  // CPU seconds per wall second while all of them wait
    double lateMedianMs = 0;  // how late the time limit was noticed
    double lateMaxMs = 0;
  };

  static Outcome MeasureWaiting(int sessions, std::chrono::milliseconds limit);
  static Outcome MeasureFloor(int sessions, std::chrono::milliseconds limit);
};

}  // namespace pelmora::bench
