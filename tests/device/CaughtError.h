#pragma once

#include <optional>

#include "pelmora/platform/AutomationError.h"

namespace pelmora {

// Runs an action and hands back the automation error it raised, if any.
template <typename Action>
std::optional<AutomationError> CaughtError(Action&& action) {
  try {
    action();
  } catch (const AutomationError& error) {
    return error;
  }
  return std::nullopt;
}

}  // namespace pelmora
