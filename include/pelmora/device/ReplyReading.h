#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// How the settings members take a value out of a shell reply and convert it. Pure functions of
// text: the reply is what the command road returned (no leading or trailing line breaks; a
// carriage return ends each inner line). Only the blank (character 32) is ever trimmed.
class ReplyReading {
 public:
  // A text that, found in a reply or equal to a value, gives a code.
  struct CodedText {
    std::string_view text;
    std::int32_t code;
  };

  // --- reading rules ---

  // The text after the first occurrence of key (any letter case) up to the next carriage return,
  // blanks kept; on the last line, the rest with outer blanks removed; no key gives "".
  static std::string Keyed(std::string_view reply, std::string_view key);

  // The first line, blanks kept; a reply of one line with outer blanks removed.
  static std::string FirstLine(std::string_view reply);

  static std::string WholeReply(std::string_view reply) { return TrimBlanks(reply); }

  // The code of the first text (in the given order, exact letter case) that occurs in the reply.
  static std::optional<std::int32_t> Classified(std::string_view reply,
                                                std::span<const CodedText> meanings);

  // --- conversions ---

  // The code of the first text equal to the value in lower case; none gives 0.
  static std::int32_t Enumerated(std::string_view value, std::span<const CodedText> meanings);

  // The leading number as a whole number; beyond 32 bits raises overflow (6) under source.
  static std::int32_t LeadingWhole(std::string_view value, const std::string& source);

  // The leading number rounded when its exact value lies in [low, high], else 0.
  static std::int32_t LeadingWithin(std::string_view value, std::int32_t low, std::int32_t high);

  // The leading number when it is exactly one of the whole numbers low..high, else 0.
  static std::int32_t LeadingOneOf(std::string_view value, std::int32_t low, std::int32_t high);

  // The strict number when it lies in [low, high], else 0; not a number raises 13 under source.
  static std::int32_t StrictWithin(std::string_view value, std::int32_t low, std::int32_t high,
                                   const std::string& source);

  // The strict number; not a number raises 13, beyond 32 bits raises 6, under source.
  static std::int32_t StrictWhole(std::string_view value, const std::string& source);

  // The text before the first " (" (a remark in parentheses); the whole text when it has none.
  // An empty text has no part to take and raises subscript out of range (9) under source.
  static std::string BeforeRemark(std::string_view value, const std::string& source);

  // Four dotted parts, each a whole number from 0 to 254, or to 255 when allow255 is set.
  // Outer blanks of the text and of each part are allowed; any other fault gives false.
  static bool IsValidIpAddress(std::string_view text, bool allow255);

  static std::string TrimBlanks(std::string_view text);
  static std::string LowerCase(std::string_view text);
};

}  // namespace pelmora
