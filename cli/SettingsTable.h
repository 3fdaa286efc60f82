#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pelmora/device/PelmoraT2.h"

namespace pelmora::cli {

enum class SettingType { Text, Integer, Enum, Address };

struct EnumWord {
  std::string_view word;
  std::int32_t code;
};

// What a getter read. An enumerated value also carries its word: the member's word, the words
// of a combination joined by "+", or "unrecognized" for a value that is no member.
struct SettingValue {
  std::variant<std::string, std::int32_t> value;
  std::optional<std::string> word;

  // The value as text output shows it: the word of an enumerated value, else the value itself.
  std::string Text() const;
};

// One setting of the print server as the tool names it, bound to the device's getter and setter.
struct Setting {
  using Reader = std::function<std::variant<std::string, std::int32_t>(PelmoraT2&)>;
  using TextWriter = std::function<void(PelmoraT2&, const std::string&)>;
  using NumberWriter = std::function<void(PelmoraT2&, std::int32_t)>;
  using KeyWriter = std::function<void(PelmoraT2&, std::int32_t, const std::string&)>;
  using Writer = std::variant<std::monostate, TextWriter, NumberWriter, KeyWriter>;
  using Action = std::function<void(PelmoraT2&)>;

  std::string_view name;
  SettingType type;
  std::vector<EnumWord> words;
  Reader read;   // empty: set only
  Writer write;  // monostate: get only
  // The words are bit flags and the getter may report a combination of them.
  bool combinable = false;
  // The (last) value given to set is a secret (password, key, PSK): the transcript masks it.
  bool secret = false;

  bool CanGet() const noexcept { return static_cast<bool>(read); }
  bool CanSet() const noexcept { return write.index() != 0; }
  std::string_view TypeName() const noexcept;
  // What set takes, as usage text: "VALUE", or "KEYNUMBER VALUE".
  std::string ValueNames() const;

  SettingValue Get(PelmoraT2& device) const;
  // Checks the values given to set and binds them to the setter, so that a usage error shows
  // before anything is sent.
  Action Bind(const std::vector<std::string>& values) const;

  // The enumerated value `code` in words; see SettingValue.
  std::string WordOf(std::int32_t code) const;
  // A word (any letter case) or a whole number; anything else is a usage error.
  std::int32_t CodeOf(const std::string& text) const;
};

// The one table of settings that get, set, get all and settings share, in the order in which
// get all reads them.
class SettingsTable {
 public:
  static const std::vector<Setting>& All();
  // The setting of that name, or a usage error naming the known ones.
  static const Setting& Find(std::string_view name);
  // A whole number that fits 32 bits, or a usage error that names the setting.
  static std::int32_t ParseInteger(std::string_view setting, const std::string& text);
};

}  // namespace pelmora::cli
