#pragma once

#include <cstdint>
#include <string>

namespace pelmora {

// The shared error-message component: one instance per thread, created on first use. It owns
// the description texts of the numbered errors that the library raises on behalf of others.
class ErrorMessages {
 public:
  static ErrorMessages& Current();

  std::string ErrorText(std::int32_t number) const;

  // Raises an AutomationError with this number and source and the component's text for it.
  [[noreturn]] void RaiseNumberedError(std::int32_t number, const std::string& source) const;

 private:
  ErrorMessages() = default;
};

}  // namespace pelmora
