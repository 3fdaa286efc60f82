#include "pelmora/platform/Variant.h"

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/platform/NumberText.h"

namespace pelmora {

std::int64_t Variant::ToWholeNumber(const std::string& source) const {
  if (const auto* number = std::get_if<std::int64_t>(&value_)) return *number;
  if (const auto* text = std::get_if<std::string>(&value_)) {
    if (auto parsed = NumberText::Strict(*text)) return *parsed;
    ErrorMessages::Current().RaiseNumberedError(errors::kTypeMismatch, source);
  }
  return 0;
}

}  // namespace pelmora
