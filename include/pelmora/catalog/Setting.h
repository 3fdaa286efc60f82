#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pelmora/catalog/SettingValue.h"
#include "pelmora/device/PelmoraT2.h"

namespace pelmora {

enum class SettingType { Text, Integer, Enum, Address };

// How a value read back is compared with the value asked for.
enum class Comparison {
  Exact,           // text or number, as it is
  NoneIsEmpty,     // text; "none" in any letter case is the empty text (the BSSID)
  Address,         // four numbers, however they are written (010.1.2.3 is 10.1.2.3)
  Code,            // an enumerated value by its code
  OpenCombination  // a code, where open+X read back equals X asked for (authentication type)
};

struct EnumWord {
  std::string_view word;
  std::int32_t code;
  // False for a state the device reports but its setter cannot reach (dynamic WEP).
  bool settable = true;
};

// One setting of the print server: its name, type and words, the device members that read and
// write it, and how a value read back compares with a value asked for.
struct Setting {
  using Reader = std::function<std::variant<std::string, std::int32_t>(PelmoraT2&)>;
  using TextWriter = std::function<void(PelmoraT2&, const std::string&)>;
  using NumberWriter = std::function<void(PelmoraT2&, std::int32_t)>;
  using KeyWriter = std::function<void(PelmoraT2&, std::int32_t, const std::string&)>;
  using Writer = std::variant<std::monostate, TextWriter, NumberWriter, KeyWriter>;

  std::string_view name{};
  SettingType type = SettingType::Text;
  std::vector<EnumWord> words{};
  Reader read{};              // empty: set only
  Writer write{};             // monostate: read only
  std::string_view getter{};  // the device members, by their own names ("" where there is none)
  std::string_view setter{};
  Comparison comparison = Comparison::Exact;
  // Integers: the numbers the getter can read back (a channel outside 1 to 11 reads as 0).
  std::optional<std::pair<std::int32_t, std::int32_t>> range{};
  // Texts: the lengths the device's setter takes.
  std::optional<std::pair<std::size_t, std::size_t>> length{};
  // Texts: hexadecimal digits only, in one of these counts (empty: any count).
  std::optional<std::vector<std::size_t>> hexDigits{};
  // Addresses: whether a part may be 255 (the subnet mask).
  bool allow255 = false;
  // The words are bit flags and the getter may report a combination of them.
  bool combinable = false;
  // Secrets (password, PSK, WEP keys, the root key): never read from the device, never printed,
  // backed up or compared.
  bool secret = false;
  // The value given to the setter is hidden from transcripts (the secrets and the root key).
  bool masked = false;
  // Enumerated settings whose getter falls back to the real value 0 for an answer it does not
  // know: whether the device's answer really says 0. Where it does not, the value read is
  // "unrecognized".
  std::function<bool(PelmoraT2&)> zeroConfirmed{};

  bool CanGet() const noexcept { return static_cast<bool>(read); }
  bool CanSet() const noexcept { return write.index() != 0; }
  // Read by backup and diff: it has a getter that asks the device, and it is no secret.
  bool IsBackedUp() const noexcept { return CanGet() && !secret; }
  // Set with a key number and a value (wep-key).
  bool TakesKey() const noexcept { return std::holds_alternative<KeyWriter>(write); }
  std::string_view TypeName() const noexcept;
  // What set takes, as usage text: "VALUE", or "KEYNUMBER VALUE".
  std::string ValueNames() const;

  // Reads the setting; an enumerated value carries its word.
  SettingValue Get(PelmoraT2& device) const;
  // The value the setter takes to reach `value` read back: a combination such as open+ttls is
  // asked for as the one type it adds to open.
  SettingValue Settable(const SettingValue& value) const;
  // Writes a value made by Parse or FromCode (or a profile); a key setting needs SetKey.
  void Set(PelmoraT2& device, const SettingValue& value) const;
  void SetKey(PelmoraT2& device, std::int32_t key, const std::string& value) const;

  // The value that a command line gives as text: a word (any letter case) or a number for an
  // enumerated setting, a whole number for an integer, the text itself otherwise (as the
  // device's bytes). Throws CatalogError (BadValue) for anything else; the message never quotes
  // the text.
  SettingValue Parse(const std::string& text) const;
  // What set and apply both send: the Unicode text `utf8` parsed as above and checked with
  // Refusal. Throws CatalogError (BadValue) when either refuses it.
  SettingValue Checked(const std::string& utf8) const;
  // An enumerated or integer value from its number, with its word.
  SettingValue FromCode(std::int32_t code) const;
  // Why the device could not be brought to this value and read back equal to it, or nothing
  // when it can: a number outside what the setter takes or the getter reads, a word the setter
  // cannot send, an unrecognized answer, a text of a length or form the setter refuses, or one
  // that the shell would misread (a line break, a prompt, an error marker). Values are never
  // quoted.
  std::optional<std::string> Refusal(const SettingValue& wanted) const;
  // Whether a value read back equals the value asked for.
  bool Matches(const SettingValue& readBack, const SettingValue& wanted) const;

  // The enumerated value `code` in words; see SettingValue.
  std::string WordOf(std::int32_t code) const;
  // A word (any letter case, a combination joined by "+" where the words combine) or a whole
  // number; nothing otherwise.
  std::optional<std::int32_t> CodeOf(std::string_view text) const;
  // "a, b, c": the words a value can be set to, for messages.
  std::string WordList() const;

 private:
  std::optional<std::string> TextRefusal(const std::string& text) const;
};

}  // namespace pelmora
