#pragma once

#include <sys/types.h>

namespace pelmora::bench {

// What a process costs: CPU time and resident memory.
class ProcessMeter {
 public:
  // CPU time (user + system) of this process so far, all threads, in seconds.
  static double CpuSeconds();
  // CPU time of another process so far, in seconds (clock-tick resolution).
  static double CpuSecondsOf(pid_t pid);
  // Resident memory of this process now, in KiB.
  static double ResidentKiB();
};

}  // namespace pelmora::bench
