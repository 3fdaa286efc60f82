#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "pelmora/platform/AutomationError.h"

namespace pelmora {

// Holds one captured error so that it can be raised again after clean-up code has run.
class ErrorSnapshot {
 public:
  std::int32_t Number() const noexcept { return number_; }
  const std::string& Source() const noexcept { return source_; }
  const std::string& Description() const noexcept { return description_; }
  const std::string& HelpFile() const noexcept { return helpFile_; }
  std::int32_t HelpContext() const noexcept { return helpContext_; }

  void Capture(const AutomationError& error);
  // Captures the exception in flight; errors that are not automation errors become
  // 7 (out of memory) or 51 (internal error) with the exception's text.
  void Capture(std::exception_ptr error);

  [[noreturn]] void Raise(const std::string& sourceSuffix = {}) const;

 private:
  std::int32_t number_ = 0;
  std::string source_;
  std::string description_;
  std::string helpFile_;
  std::int32_t helpContext_ = 0;
};

}  // namespace pelmora
