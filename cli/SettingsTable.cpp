#include "SettingsTable.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "UsageError.h"

namespace pelmora::cli {

namespace {

const std::vector<EnumWord> kModeWords{{"infrastructure", Infrastructure}, {"ad-hoc", AdHoc}};
const std::vector<EnumWord> kDensityWords{{"low", Low}, {"medium", Medium}, {"high", High}};
const std::vector<EnumWord> kEncryptionWords{{"disabled", Disabled}, {"dynamic-wep", DynamicWep},
                                             {"tkip", Tkip},         {"wpa2", Wpa2},
                                             {"wep64", Wep64},       {"wep128", Wep128}};
const std::vector<EnumWord> kAuthTypeWords{{"open", OpenSystem}, {"shared", SharedKey},
                                           {"ttls", Ttls},       {"leap", Leap},
                                           {"psk", Psk},         {"peap", Peap}};
const std::vector<EnumWord> kAuthProtocolWords{{"pap", Pap}, {"mschap-v2", MsChapV2}};
const std::vector<EnumWord> kIpMethodWords{
    {"static", Static}, {"dhcp", Dhcp}, {"bootp", Bootp}, {"rarp", Rarp}, {"auto", Auto}};

constexpr std::string_view kUnrecognized = "unrecognized";

// A whole number in decimal with an optional minus sign that fits 32 bits, and nothing else.
std::optional<std::int32_t> WholeNumber(const std::string& text) {
  std::int32_t number = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
  return number;
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

// Getters of the device, whatever type they return, seen as text or as a 32-bit number.
template <typename Member>
Setting::Reader TextReader(Member member) {
  return [member](PelmoraT2& device) { return std::invoke(member, device); };
}

template <typename Member>
Setting::Reader NumberReader(Member member) {
  return [member](PelmoraT2& device) {
    return static_cast<std::int32_t>(std::invoke(member, device));
  };
}

Setting Text(std::string_view name, Setting::Reader read, Setting::TextWriter write) {
  Setting setting{name, SettingType::Text, {}, std::move(read), {}};
  if (write) setting.write = std::move(write);
  return setting;
}

Setting Address(std::string_view name, Setting::Reader read, Setting::TextWriter write) {
  Setting setting = Text(name, std::move(read), std::move(write));
  setting.type = SettingType::Address;
  return setting;
}

Setting Secret(std::string_view name, Setting::Reader read, Setting::TextWriter write) {
  Setting setting = Text(name, std::move(read), std::move(write));
  setting.secret = true;
  return setting;
}

Setting Integer(std::string_view name, Setting::Reader read, Setting::NumberWriter write) {
  Setting setting{name, SettingType::Integer, {}, std::move(read), {}};
  if (write) setting.write = std::move(write);
  return setting;
}

Setting Enum(std::string_view name, const std::vector<EnumWord>& words, Setting::Reader read,
             Setting::NumberWriter write) {
  return Setting{name, SettingType::Enum, words, std::move(read), std::move(write)};
}

Setting WepKey() {
  Setting setting{"wep-key", SettingType::Text, {}, {}, Setting::KeyWriter(&PelmoraT2::SetWepKey)};
  setting.secret = true;
  return setting;
}

Setting AuthType() {
  Setting setting =
      Enum("auth-type", kAuthTypeWords, NumberReader(&PelmoraT2::GetAuthenticationType),
           &PelmoraT2::SetAuthenticationType);
  setting.combinable = true;
  return setting;
}

std::vector<Setting> BuildTable() {
  using D = PelmoraT2;
  return {
      Enum("mode", kModeWords, NumberReader(&D::GetMode), &D::SetMode),
      Enum("ap-density", kDensityWords, NumberReader(&D::GetAPDensity), &D::SetAPDensity),
      Text("ssid", TextReader(&D::GetSSID), &D::SetSSID),
      Text("bssid", TextReader(&D::GetBSSID), &D::SetBSSID),
      Integer("channel", NumberReader(&D::GetWiFiChannel), &D::SetWiFiChannel),
      Integer("rts-threshold", NumberReader(&D::GetRTSTreshold), &D::SetRTSTreshold),
      Integer("discarded-messages", NumberReader(&D::GetDiscardedMessagesCount), {}),
      Enum("encryption", kEncryptionWords, NumberReader(&D::GetEncryption), &D::SetEncryption),
      WepKey(),
      Integer("active-key", NumberReader(&D::GetActiveKey), &D::SetActiveKey),
      AuthType(),
      Enum("auth-protocol", kAuthProtocolWords, NumberReader(&D::GetAuthProtocol),
           &D::SetAuthProtocol),
      Text("common-name", TextReader(&D::GetCommonName), &D::SetCommonName),
      Text("common-name2", TextReader(&D::GetCommonName2), &D::SetCommonName2),
      Integer("exponent", NumberReader(&D::GetExponent), &D::SetExponent),
      Secret("root-key", TextReader(&D::GetRootKey), &D::SetRootKey),
      Text("user", TextReader(&D::GetUser), &D::SetUser),
      Secret("password", {}, &D::SetPassword),
      Text("realm", TextReader(&D::GetRealm), &D::SetRealm),
      Secret("psk", TextReader(&D::GetPSK), &D::SetPSK),
      Enum("ip-method", kIpMethodWords, NumberReader(&D::GetIPAssignmentMethod),
           &D::SetIpAssignmentMethod),
      Address("ip-address", TextReader(&D::GetIpAddress), &D::SetIpAddress),
      Address("subnet-mask", TextReader(&D::GetSubnetAddress), &D::SetSubnetAddress),
      Address("default-router", TextReader(&D::GetDefaultRouterAddress),
              &D::SetDefaultRouterAddress),
  };
}

std::string JoinedNames(const std::vector<Setting>& settings) {
  std::string names;
  for (const auto& setting : settings) {
    if (!names.empty()) names += ", ";
    names += setting.name;
  }
  return names;
}

std::string JoinedWords(const std::vector<EnumWord>& words) {
  std::string joined;
  for (const auto& word : words) {
    if (!joined.empty()) joined += ", ";
    joined += word.word;
  }
  return joined;
}

}  // namespace

std::string SettingValue::Text() const {
  if (word) return *word;
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  return std::to_string(std::get<std::int32_t>(value));
}

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
  return std::holds_alternative<KeyWriter>(write) ? "KEYNUMBER VALUE" : "VALUE";
}

SettingValue Setting::Get(PelmoraT2& device) const {
  SettingValue result{read(device), std::nullopt};
  if (type == SettingType::Enum) result.word = WordOf(std::get<std::int32_t>(result.value));
  return result;
}

Setting::Action Setting::Bind(const std::vector<std::string>& values) const {
  const std::size_t wanted = std::holds_alternative<KeyWriter>(write) ? 2 : 1;
  if (values.size() != wanted) {
    throw UsageError("set " + std::string(name) + " takes " + ValueNames());
  }
  if (const auto* text = std::get_if<TextWriter>(&write)) {
    return [writer = *text, value = values[0]](PelmoraT2& device) { writer(device, value); };
  }
  if (const auto* number = std::get_if<NumberWriter>(&write)) {
    const std::int32_t code = type == SettingType::Enum
                                  ? CodeOf(values[0])
                                  : SettingsTable::ParseInteger(name, values[0]);
    return [writer = *number, code](PelmoraT2& device) { writer(device, code); };
  }
  const auto& keyWriter = std::get<KeyWriter>(write);
  const std::int32_t key = SettingsTable::ParseInteger(name, values[0]);
  return [keyWriter, key, value = values[1]](PelmoraT2& device) { keyWriter(device, key, value); };
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

std::int32_t Setting::CodeOf(const std::string& text) const {
  const std::string lowered = Lowered(text);
  for (const auto& word : words) {
    if (word.word == lowered) return word.code;
  }
  if (const auto number = WholeNumber(text)) return *number;
  throw UsageError("'" + text + "' is not a value of " + std::string(name) + " (one of " +
                   JoinedWords(words) + ", or a number)");
}

const std::vector<Setting>& SettingsTable::All() {
  static const std::vector<Setting> table = BuildTable();
  return table;
}

const Setting& SettingsTable::Find(std::string_view name) {
  const auto& table = All();
  const std::string lowered = Lowered(name);
  const auto found = std::find_if(table.begin(), table.end(),
                                  [&](const Setting& setting) { return setting.name == lowered; });
  if (found == table.end()) {
    throw UsageError("unknown setting '" + std::string(name) + "' (known: " + JoinedNames(table) +
                     ")");
  }
  return *found;
}

std::int32_t SettingsTable::ParseInteger(std::string_view setting, const std::string& text) {
  if (const auto number = WholeNumber(text)) return *number;
  throw UsageError("'" + text + "' is not a whole number for " + std::string(setting));
}

}  // namespace pelmora::cli
