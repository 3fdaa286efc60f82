#include "pelmora/catalog/SettingValue.h"

namespace pelmora {

std::string SettingValue::Text() const {
  if (word) return *word;
  if (IsText()) return AsText();
  return std::to_string(AsNumber());
}

}  // namespace pelmora
