#include "pelmora/catalog/Setting.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "pelmora/catalog/CatalogError.h"
#include "pelmora/catalog/Utf8Text.h"
#include "pelmora/device/ReplyReading.h"

namespace pelmora {

namespace {

constexpr std::string_view kUnrecognized = "unrecognized";

// A whole number in decimal with an optional minus sign that fits 32 bits, and nothing else.
std::optional<std::int32_t> WholeNumber(std::string_view text) {
  std::int32_t number = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
  return number;
}

// The four parts of a dotted address as numbers, or nothing when it is no address.
std::optional<std::array<std::int64_t, 4>> AddressParts(const std::string& text) {
  if (!ReplyReading::IsValidIpAddress(text, true)) return std::nullopt;
  std::array<std::int64_t, 4> parts{};
  std::size_t from = 0;
  for (auto& part : parts) {
    const std::size_t dot = text.find('.', from);
    part = ReplyReading::LeadingWhole(text.substr(from, dot - from), "address");
    from = dot + 1;
  }
  return parts;
}

// Texts that the shell's answers end at or fail on: a value holding one would be read back cut
// short, or taken for an error.
constexpr std::string_view kMisreadTexts[] = {"Local> ", "Local: ", "Password> ",
                                              "Exit Configuration task", "%cfgerr:"};

std::optional<std::string_view> MisreadText(const std::string& text) {
  const std::string lowered = ReplyReading::LowerCase(text);
  for (const auto misread : kMisreadTexts) {
    if (lowered.find(ReplyReading::LowerCase(misread)) != std::string::npos) return misread;
  }
  return std::nullopt;
}

// Hexadecimal digits only, in one of `counts` (any count when it is empty).
bool IsHexKey(const std::string& text, const std::vector<std::size_t>& counts) {
  const bool digits = std::all_of(text.begin(), text.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
  });
  return digits && (counts.empty() || std::ranges::find(counts, text.size()) != counts.end());
}

std::string Counts(const std::vector<std::size_t>& counts) {
  std::string joined;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    joined += (i == 0 ? "" : i + 1 == counts.size() ? " or " : ", ") + std::to_string(counts[i]);
  }
  return joined;
}

}  // namespace

std::string_view Setting::TypeName() const noexcept {
  switch (type) {
    case SettingType::Integer:
      return "integer";
    case SettingType::Enum:
      return "enum";
    case SettingType::Address:
      return "address";
    case SettingType::Text:
      break;
  }
  return "text";
}

std::string Setting::ValueNames() const {
  return TakesKey() ? "KEYNUMBER VALUE" : "VALUE";
}

SettingValue Setting::Get(PelmoraT2& device) const {
  if (!CanGet()) {
    throw CatalogError(CatalogError::Kind::NotReadable, std::string(name) + " can only be set");
  }
  SettingValue result{read(device), std::nullopt};
  if (type != SettingType::Enum) return result;
  const bool fallback = result.AsNumber() == 0 && zeroConfirmed && !zeroConfirmed(device);
  result.word = fallback ? std::string(kUnrecognized) : WordOf(result.AsNumber());
  return result;
}

SettingValue Setting::Settable(const SettingValue& value) const {
  if (!combinable || value.IsText() || value.AsNumber() == OpenSystem) return value;
  return FromCode(value.AsNumber() & ~OpenSystem);
}

void Setting::Set(PelmoraT2& device, const SettingValue& value) const {
  if (const auto* text = std::get_if<TextWriter>(&write); text && value.IsText()) {
    return (*text)(device, value.AsText());
  }
  if (const auto* number = std::get_if<NumberWriter>(&write); number && !value.IsText()) {
    return (*number)(device, value.AsNumber());
  }
  if (!CanSet()) {
    throw CatalogError(CatalogError::Kind::NotWritable, std::string(name) + " can only be read");
  }
  throw CatalogError(CatalogError::Kind::BadValue,
                     std::string(name) + " takes " + (TakesKey() ? "a key number and " : "") +
                         "a value of type " + std::string(TypeName()));
}

void Setting::SetKey(PelmoraT2& device, std::int32_t key, const std::string& value) const {
  const auto* writer = std::get_if<KeyWriter>(&write);
  if (writer == nullptr) {
    throw CatalogError(CatalogError::Kind::BadValue, std::string(name) + " takes no key number");
  }
  (*writer)(device, key, value);
}

SettingValue Setting::Parse(const std::string& text) const {
  if (type == SettingType::Text || type == SettingType::Address) return SettingValue{text, {}};
  if (type == SettingType::Integer) {
    if (const auto number = WholeNumber(text)) return SettingValue{*number, {}};
    throw CatalogError(CatalogError::Kind::BadValue,
                       std::string(name) + ": not a whole number of 32 bits");
  }
  if (const auto code = CodeOf(text)) return FromCode(*code);
  throw CatalogError(CatalogError::Kind::BadValue,
                     std::string(name) + ": unknown word (one of " + WordList() + ", or a number)");
}

SettingValue Setting::Checked(const std::string& utf8) const {
  const auto bytes = Utf8Text::ToBytes(utf8);
  if (!bytes) throw CatalogError(CatalogError::Kind::BadValue, Utf8Text::Refusal(name));
  SettingValue value = Parse(*bytes);
  if (const auto refusal = Refusal(value)) {
    throw CatalogError(CatalogError::Kind::BadValue, *refusal);
  }
  return value;
}

SettingValue Setting::FromCode(std::int32_t code) const {
  SettingValue value{code, std::nullopt};
  if (type == SettingType::Enum) value.word = WordOf(code);
  return value;
}

std::optional<std::string> Setting::Refusal(const SettingValue& wanted) const {
  const std::string what(name);
  if (wanted.IsText()) return TextRefusal(wanted.AsText());
  // A member's code with no word: the getter's fallback for an answer it did not know.
  if (wanted.Unrecognized() && WordOf(wanted.AsNumber()) != kUnrecognized) {
    return what + ": the device's answer was not recognized";
  }
  const std::int32_t code = wanted.AsNumber();
  if (range && (code < range->first || code > range->second)) {
    return what + ": out of range (" + std::to_string(range->first) + " to " +
           std::to_string(range->second) + ")";
  }
  if (type != SettingType::Enum) return std::nullopt;
  for (const auto& word : words) {
    const bool single = word.code == code;
    const bool withOpen = combinable && word.code != OpenSystem && (word.code | OpenSystem) == code;
    if ((single || withOpen) && word.settable) return std::nullopt;
  }
  const std::string word = WordOf(code);
  if (word == kUnrecognized) {
    return what + ": " + std::to_string(code) + " is no value of it; one of " + WordList();
  }
  return what + ": " + word + " (" + std::to_string(code) + ") cannot be set; one of " + WordList();
}

std::optional<std::string> Setting::TextRefusal(const std::string& text) const {
  const std::string what(name);
  if (text.find_first_of("\r\n") != std::string::npos) return what + ": line break in the value";
  if (const auto misread = MisreadText(text)) {
    return what + ": the value holds \"" + std::string(*misread) +
           "\", which the shell's answers would be misread at";
  }
  if (type == SettingType::Address && !ReplyReading::IsValidIpAddress(text, allow255)) {
    return what + ": not a valid address";
  }
  if (!secret && CanGet() && ReplyReading::TrimBlanks(text) != text) {
    return what + ": blanks at either end cannot be read back";
  }
  if (length && (text.size() < length->first || text.size() > length->second)) {
    return what + ": the device takes " + std::to_string(length->first) + " to " +
           std::to_string(length->second) + " characters";
  }
  if (hexDigits && !IsHexKey(text, *hexDigits)) {
    return what + ": the device takes " +
           (hexDigits->empty() ? std::string() : Counts(*hexDigits) + " ") + "hexadecimal digits";
  }
  return std::nullopt;
}

bool Setting::Matches(const SettingValue& readBack, const SettingValue& wanted) const {
  if (readBack.IsText() != wanted.IsText() || readBack.Unrecognized()) return false;
  switch (comparison) {
    case Comparison::NoneIsEmpty: {
      const auto normal = [](const std::string& text) {
        return ReplyReading::LowerCase(text) == "none" ? std::string() : text;
      };
      return normal(readBack.AsText()) == normal(wanted.AsText());
    }
    case Comparison::Address: {
      const auto parts = AddressParts(readBack.AsText());
      return parts && parts == AddressParts(wanted.AsText());
    }
    case Comparison::Code:
      return readBack.AsNumber() == wanted.AsNumber();
    case Comparison::OpenCombination: {
      const std::int32_t asked = wanted.AsNumber();
      const std::int32_t got = readBack.AsNumber();
      return got == asked || (asked != OpenSystem && got == (asked | OpenSystem));
    }
    case Comparison::Exact:
      break;
  }
  return readBack.value == wanted.value;
}

std::string Setting::WordOf(std::int32_t code) const {
  for (const auto& word : words) {
    if (word.code == code) return std::string(word.word);
  }
  if (!combinable || code <= 0) return std::string(kUnrecognized);
  std::string joined;
  std::int32_t covered = 0;
  for (const auto& word : words) {
    if ((code & word.code) == 0) continue;
    if (!joined.empty()) joined += '+';
    joined += word.word;
    covered |= word.code;
  }
  return covered == code ? joined : std::string(kUnrecognized);
}

std::optional<std::int32_t> Setting::CodeOf(std::string_view text) const {
  const std::string lowered = ReplyReading::LowerCase(text);
  std::int32_t code = 0;
  std::size_t from = 0;
  while (true) {
    const std::size_t plus = combinable ? lowered.find('+', from) : std::string::npos;
    const std::string_view part = std::string_view(lowered).substr(from, plus - from);
    const auto found = std::find_if(words.begin(), words.end(),
                                    [&](const EnumWord& word) { return word.word == part; });
    if (found == words.end()) break;
    code |= found->code;
    if (plus == std::string::npos) return code;
    from = plus + 1;
  }
  return WholeNumber(text);
}

std::string Setting::WordList() const {
  std::string joined;
  for (const auto& word : words) {
    if (!word.settable) continue;
    if (!joined.empty()) joined += ", ";
    joined += word.word;
  }
  return joined;
}

}  // namespace pelmora
