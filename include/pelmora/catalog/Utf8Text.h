#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// The device's text is one byte per character (character code = byte value); profiles and JSON
// are UTF-8. These convert between the two.
class Utf8Text {
 public:
  // Each byte becomes the character of the same code.
  static std::string FromBytes(std::string_view bytes);
  // Each character becomes the byte of its code; nothing when the text is no valid UTF-8 or
  // holds a character beyond code 255, which the device cannot take.
  static std::optional<std::string> ToBytes(std::string_view utf8);
};

}  // namespace pelmora
