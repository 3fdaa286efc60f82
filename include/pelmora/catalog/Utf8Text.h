#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// The one text rule. The device's text is one byte per character (character code = byte
// value); everything else (command lines, profiles, environment variables, secret files, JSON,
// the terminal) is Unicode as UTF-8. A character U+0000 to U+00FF is the byte of its code; a
// character above cannot reach the device.
class Utf8Text {
 public:
  // Each byte becomes the character of the same code.
  static std::string FromBytes(std::string_view bytes);
  // Each character becomes the byte of its code; nothing when the text is no valid UTF-8 or
  // holds a character beyond code 255, which the device cannot take.
  static std::optional<std::string> ToBytes(std::string_view utf8);
  // Why ToBytes gave nothing, for the setting `name`; it never quotes the text.
  static std::string Refusal(std::string_view name);

  // Device bytes for text output: as characters, with the control characters (C0, DEL and C1)
  // written as \xHH so that none reaches a terminal; line feeds stay when `keepLineFeeds`.
  static std::string Printable(std::string_view bytes, bool keepLineFeeds = false);
  // UTF-8 text (a key of a profile) for a one-line message: its C0 control characters and DEL
  // written as \xHH.
  static std::string OneLine(std::string_view utf8);
};

}  // namespace pelmora
