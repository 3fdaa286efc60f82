#pragma once

#include <sys/resource.h>

#include <chrono>

namespace pelmora::testing {

inline std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto micros = [](const timeval& tv) {
    return std::chrono::seconds(tv.tv_sec) + std::chrono::microseconds(tv.tv_usec);
  };
  return std::chrono::duration_cast<std::chrono::microseconds>(micros(usage.ru_utime) +
                                                               micros(usage.ru_stime));
}

}  // namespace pelmora::testing
