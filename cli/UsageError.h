#pragma once

#include <stdexcept>
#include <string>

namespace pelmora::cli {

// A command line the tool cannot carry out as written (unknown setting, missing value, bad
// enumeration word). It ends the tool with exit status 2 before anything is sent.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace pelmora::cli
