#include "pelmora/components/Stopwatch.h"

#include <limits>

namespace pelmora {

std::int32_t Stopwatch::ElapsedMs() const noexcept {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start_)
                           .count();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  return elapsed > kMax ? kMax : static_cast<std::int32_t>(elapsed);
}

}  // namespace pelmora
