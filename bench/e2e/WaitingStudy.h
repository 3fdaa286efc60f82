#pragma once

#include <chrono>

namespace pelmora::bench {

// What waiting costs and how exactly a time limit is kept. Hundreds of commands wait at once on
// connections whose device never answers, each on a thread of its own, until their time limit
// ends them: the process's CPU time over that wait is the cost of waiting; how far past its
// limit each command ended is how late a time limit is noticed.
class WaitingStudy {
 public:
  struct Outcome {
    int sessions = 0;
    double waitCpuShare = 0;  // CPU seconds per wall second while all of them wait
    double lateMedianMs = 0;  // how late the time limit was noticed
    double lateMaxMs = 0;
  };

  static Outcome MeasureWaiting(int sessions, std::chrono::milliseconds limit);
};

}  // namespace pelmora::bench
