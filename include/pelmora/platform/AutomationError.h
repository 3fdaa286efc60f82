#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace pelmora {

// The library's automation error: every failure reaches a client as one of these, carrying a
// plain number, the member that raised it (source) and a description.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(std::int32_t number, std::string source, std::string description,
                  std::string helpFile = {}, std::int32_t helpContext = 0);

  std::int32_t Number() const noexcept { return number_; }
  const std::string& Source() const noexcept { return source_; }
  const std::string& Description() const noexcept { return description_; }
  const std::string& HelpFile() const noexcept { return helpFile_; }
  std::int32_t HelpContext() const noexcept { return helpContext_; }

 private:
  std::int32_t number_;
  std::string source_;
  std::string description_;
  std::string helpFile_;
  std::int32_t helpContext_;
};

}  // namespace pelmora
