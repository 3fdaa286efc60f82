#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pelmora/platform/AutomationError.h"

namespace pelmora::testing {

// Runs the call and returns the automation error it raised; fails the test when it raised none.
inline AutomationError CatchError(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& error) {
    return error;
  }
  ADD_FAILURE() << "expected an automation error";
  return AutomationError(0, "", "");
}

// The error a call raised as "number source" (fails the test when it raised none).
inline std::string ErrorOf(const std::function<void()>& call) {
  const AutomationError error = CatchError(call);
  return std::to_string(error.Number()) + " " + error.Source();
}

}  // namespace pelmora::testing
