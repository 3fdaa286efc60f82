#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Text handling shared by the report screens. Lines are separated by a carriage return alone;
// "spaces" means the blank (character 32) only, never tabs or line breaks.
class ReportText {
 public:
  static constexpr char kCR = '\r';
  static constexpr char kLF = '\n';
  static constexpr const char* kCRLF = "\r\n";

  // An empty text has no lines at all; otherwise n separators give n + 1 lines.
  static std::vector<std::string> SplitLines(const std::string& text);
  static std::string JoinLines(const std::vector<std::string>& lines);

  static std::string TrimSpaces(std::string_view text);

  // One left-to-right pass: text that forms the key again after a removal stays.
  static std::string RemoveAll(std::string_view text, std::string_view key);

  static std::string ToLowerAscii(std::string_view text);
  static bool ContainsIgnoringCase(std::string_view text, std::string_view part);

  // The number with which the text begins (blanks skipped anywhere in it) written as a plain
  // decimal, unrounded and without redundant zeros: "128 bit" gives "128", " 1.50x" "1.5",
  // "-.5" "-0.5"; a text that begins with no number gives "0".
  static std::string LeadingNumberText(std::string_view text);
};

}  // namespace pelmora
