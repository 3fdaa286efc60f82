#pragma once

#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

#include "pelmora/fleet/InventoryError.h"
#include "pelmora/session/Target.h"

namespace pelmora::cli {

// A command line the tool cannot carry out as written (unknown setting, missing value, bad
// enumeration word). It ends the tool with exit status 2 before anything is sent.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Runs a command's preparation; false when it refused (it said why) or when it raised a usage
// error, a target that can never be opened or a bad inventory, told here on stderr. Either way
// the run ends with exit status 2 and nothing was sent.
inline bool PreparedOrExplained(const std::function<bool()>& prepare) {
  try {
    return prepare();
  } catch (const UsageError& error) {
    std::cerr << "pelmora: " << error.what() << '\n';
  } catch (const TargetError& error) {
    std::cerr << "pelmora: " << error.what() << '\n';
  } catch (const InventoryError& error) {
    std::cerr << error.what() << '\n';
  }
  return false;
}

}  // namespace pelmora::cli
