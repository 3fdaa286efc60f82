#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Text rules of the simulated shell's input: command words compare without regard to letter
// case, values are read the way a small embedded shell reads them (plain decimal digits, dotted
// quads, hexadecimal keys). Only the blank (character 32) separates words.
class ShellText {
 public:
  static bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept;
  static bool LessIgnoreCase(std::string_view a, std::string_view b) noexcept;
  static std::string Upper(std::string_view text);
  static std::string_view TrimBlanks(std::string_view text) noexcept;

  // The blank-separated words of a line, with the position just behind each word.
  struct Word {
    std::string_view text;
    std::size_t end = 0;
  };
  static std::vector<Word> Words(std::string_view line);

  // Only decimal digits, at most 18 of them (so the value always fits in 64 bits).
  static std::optional<std::int64_t> Decimal(std::string_view text) noexcept;
  static bool IsHex(std::string_view text) noexcept;
  // Four decimal octets 0..255 separated by full stops, nothing else.
  static bool IsDottedQuad(std::string_view text) noexcept;
  // Six pairs of hexadecimal digits separated by colons.
  static bool IsMacAddress(std::string_view text) noexcept;
  // Lower-case hexadecimal digits, no prefix.
  static std::string Hex(std::int64_t value);
};

}  // namespace pelmora
