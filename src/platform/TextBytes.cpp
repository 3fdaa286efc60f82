#include "pelmora/platform/TextBytes.h"

namespace pelmora {

ByteArray TextBytes::ToBytes(std::string_view text) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
  return ByteArray(data, data + text.size());
}

std::string TextBytes::ToText(const ByteArray& bytes) {
  return ToText(bytes.data(), bytes.size());
}

std::string TextBytes::ToText(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace pelmora
