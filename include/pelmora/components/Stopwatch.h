#pragma once

#include <chrono>
#include <cstdint>

namespace pelmora {

// Measures the time since Restart in whole milliseconds on the steady clock.
class Stopwatch {
 public:
  Stopwatch() { Restart(); }
  void Restart() noexcept { start_ = std::chrono::steady_clock::now(); }
  std::int32_t ElapsedMs() const noexcept;

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace pelmora
