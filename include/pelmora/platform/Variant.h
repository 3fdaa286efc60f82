#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace pelmora {

// The few places that take a variant (the StartPos of the buffer searches) accept nothing, a
// whole number or a text that holds a number.
class Variant {
 public:
  Variant() = default;
  Variant(std::int64_t number) : value_(number) {}  // NOLINT: implicit like an automation variant
  Variant(int number) : value_(std::int64_t{number}) {}     // NOLINT
  Variant(std::string text) : value_(std::move(text)) {}    // NOLINT
  Variant(const char* text) : value_(std::string(text)) {}  // NOLINT

  bool IsEmpty() const noexcept { return std::holds_alternative<std::monostate>(value_); }

  // Empty gives 0; a text must hold a number in the strict form, else error 13 with this source.
  std::int64_t ToWholeNumber(const std::string& source) const;

 private:
  std::variant<std::monostate, std::int64_t, std::string> value_;
};

}  // namespace pelmora
