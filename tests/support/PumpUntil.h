#pragma once

#include <chrono>
#include <functional>

#include "pelmora/platform/Apartment.h"

namespace pelmora::testing {

// Pumps the calling thread's apartment until the condition holds or the limit has passed.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Apartment::Current().Pump();
  }
  return true;
}

inline void PumpFor(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < deadline) Apartment::Current().Pump();
}

}  // namespace pelmora::testing
