#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace pelmora {

// A value of a setting: what a getter read, or what a profile or a command line wants. Text and
// address settings hold text, integer and enumerated settings a 32-bit number. An enumerated
// value also carries its word: the member's word, the words of a combination joined by "+", or
// "unrecognized" for a value that is no member.
struct SettingValue {
  std::variant<std::string, std::int32_t> value;
  std::optional<std::string> word;

  bool IsText() const noexcept { return std::holds_alternative<std::string>(value); }
  const std::string& AsText() const { return std::get<std::string>(value); }
  std::int32_t AsNumber() const { return std::get<std::int32_t>(value); }

  // An enumerated value read from an answer that names no member: no value at all.
  bool Unrecognized() const noexcept { return word == "unrecognized"; }

  // The value as text output shows it: the word of an enumerated value, else the value itself.
  std::string Text() const;

  bool operator==(const SettingValue&) const = default;
};

}  // namespace pelmora
