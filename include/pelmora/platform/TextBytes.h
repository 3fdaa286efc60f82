#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

using ByteArray = std::vector<std::uint8_t>;

// Text and bytes convert one to one: a character's code is the byte's value (0 to 255).
class TextBytes {
 public:
  static ByteArray ToBytes(std::string_view text);
  static std::string ToText(const ByteArray& bytes);
  static std::string ToText(const std::uint8_t* data, std::size_t size);
};

}  // namespace pelmora
