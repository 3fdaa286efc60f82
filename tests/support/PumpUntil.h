#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

#include "pelmora/platform/Apartment.h"

namespace pelmora::testing {

// Pumps the apartment until the condition holds or the limit has passed; looked at every few
// milliseconds too, as another thread may make it true without an event here.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    Apartment::Current().PumpUntil(std::min(deadline, now + std::chrono::milliseconds(5)));
  }
  return true;
}

inline void PumpFor(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < deadline) Apartment::Current().PumpUntil(deadline);
}

}  // namespace pelmora::testing
