#include "pelmora/catalog/SettingsCatalog.h"

#include <algorithm>
#include <utility>

#include "pelmora/catalog/CatalogError.h"
#include "pelmora/device/ReplyReading.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

const std::vector<EnumWord> kModeWords{{"infrastructure", Infrastructure}, {"ad-hoc", AdHoc}};
const std::vector<EnumWord> kDensityWords{{"low", Low}, {"medium", Medium}, {"high", High}};
// The setter has no line for dynamic WEP (it sends a bare carriage return), so no profile can
// ask for it, yet the getter reports it.
const std::vector<EnumWord> kEncryptionWords{
    {"disabled", Disabled}, {"dynamic-wep", DynamicWep, false},
    {"tkip", Tkip},         {"wpa2", Wpa2},
    {"wep64", Wep64},       {"wep128", Wep128}};
const std::vector<EnumWord> kAuthTypeWords{{"open", OpenSystem}, {"shared", SharedKey},
                                           {"ttls", Ttls},       {"leap", Leap},
                                           {"psk", Psk},         {"peap", Peap}};
const std::vector<EnumWord> kAuthProtocolWords{{"pap", Pap}, {"mschap-v2", MsChapV2}};
const std::vector<EnumWord> kIpMethodWords{
    {"static", Static}, {"dhcp", Dhcp}, {"bootp", Bootp}, {"rarp", Rarp}, {"auto", Auto}};

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

struct Members {
  std::string_view getter;
  std::string_view setter;
};

Setting Row(std::string_view name, SettingType type, Members members, Setting::Reader read,
            Setting::Writer write, Comparison comparison) {
  Setting setting{name, type, {}, std::move(read), std::move(write)};
  setting.getter = members.getter;
  setting.setter = members.setter;
  setting.comparison = comparison;
  return setting;
}

Setting Text(std::string_view name, Members members, Setting::Reader read,
             Setting::TextWriter write) {
  return Row(name, SettingType::Text, members, std::move(read), std::move(write),
             Comparison::Exact);
}

Setting Address(std::string_view name, Members members, Setting::Reader read,
                Setting::TextWriter write, bool allow255 = false) {
  Setting setting = Row(name, SettingType::Address, members, std::move(read), std::move(write),
                        Comparison::Address);
  setting.allow255 = allow255;
  return setting;
}

Setting Secret(std::string_view name, Members members, Setting::Reader read,
               Setting::Writer write) {
  Setting setting =
      Row(name, SettingType::Text, members, std::move(read), std::move(write), Comparison::Exact);
  setting.secret = true;
  setting.masked = true;
  return setting;
}

Setting Integer(std::string_view name, Members members, Setting::Reader read, Setting::Writer write,
                std::optional<std::pair<std::int32_t, std::int32_t>> range = std::nullopt) {
  Setting setting = Row(name, SettingType::Integer, members, std::move(read), std::move(write),
                        Comparison::Exact);
  setting.range = range;
  return setting;
}

Setting Enum(std::string_view name, Members members, const std::vector<EnumWord>& words,
             Setting::Reader read, Setting::NumberWriter write) {
  Setting setting =
      Row(name, SettingType::Enum, members, std::move(read), std::move(write), Comparison::Code);
  setting.words = words;
  return setting;
}

Setting AuthType() {
  using D = PelmoraT2;
  Setting setting =
      Enum("auth-type", {"GetAuthenticationType", "SetAuthenticationType"}, kAuthTypeWords,
           NumberReader(&D::GetAuthenticationType), &D::SetAuthenticationType);
  setting.combinable = true;
  setting.comparison = Comparison::OpenCombination;
  return setting;
}

Setting Bssid() {
  using D = PelmoraT2;
  Setting setting = Text("bssid", {"GetBSSID", "SetBSSID"}, TextReader(&D::GetBSSID), &D::SetBSSID);
  setting.comparison = Comparison::NoneIsEmpty;
  return setting;
}

// Key material like the others: set only, so that no output, backup or transcript shows it.
Setting RootKey() {
  Setting setting =
      Secret("root-key", {"", "SetRootKey"}, {}, Setting::TextWriter(&PelmoraT2::SetRootKey));
  setting.hexDigits = std::vector<std::size_t>{};
  return setting;
}

Setting Ssid() {
  Setting setting =
      Text("ssid", {"GetSSID", "SetSSID"}, TextReader(&PelmoraT2::GetSSID), &PelmoraT2::SetSSID);
  setting.length = std::pair(1, 32);
  return setting;
}

// The getter's fallback for an answer it does not know is 0, which is also "disabled"; a 0
// stands only when the answer says so.
Setting Encryption() {
  using D = PelmoraT2;
  Setting setting = Enum("encryption", {"GetEncryption", "SetEncryption"}, kEncryptionWords,
                         NumberReader(&D::GetEncryption), &D::SetEncryption);
  setting.zeroConfirmed = [](PelmoraT2& device) {
    const std::string answer = ReplyReading::LowerCase(device.Command("SH NW WEP\r"));
    return answer.find("encryption is disabled") != std::string::npos;
  };
  return setting;
}

Setting WepKey() {
  Setting setting =
      Secret("wep-key", {"", "SetWepKey"}, {}, Setting::KeyWriter(&PelmoraT2::SetWepKey));
  // 64 and 128 bit keys.
  setting.hexDigits = std::vector<std::size_t>{10, 26};
  return setting;
}

Setting Psk() {
  // Its getter never asks the device: get psk gives the empty text, as the member does.
  Setting setting = Secret("psk", {"GetPSK", "SetPSK"}, TextReader(&PelmoraT2::GetPSK),
                           Setting::TextWriter(&PelmoraT2::SetPSK));
  setting.length = std::pair(8, 63);
  return setting;
}

std::vector<Setting> BuildTable() {
  using D = PelmoraT2;
  return {
      Enum("mode", {"GetMode", "SetMode"}, kModeWords, NumberReader(&D::GetMode), &D::SetMode),
      Enum("ap-density", {"GetAPDensity", "SetAPDensity"}, kDensityWords,
           NumberReader(&D::GetAPDensity), &D::SetAPDensity),
      Ssid(),
      Bssid(),
      Integer("channel", {"GetWiFiChannel", "SetWiFiChannel"}, NumberReader(&D::GetWiFiChannel),
              Setting::NumberWriter(&D::SetWiFiChannel), std::pair(1, 11)),
      Integer("rts-threshold", {"GetRTSTreshold", "SetRTSTreshold"},
              NumberReader(&D::GetRTSTreshold), Setting::NumberWriter(&D::SetRTSTreshold),
              std::pair(1, 2347)),
      Integer("discarded-messages", {"GetDiscardedMessagesCount", ""},
              NumberReader(&D::GetDiscardedMessagesCount), {}),
      Encryption(),
      WepKey(),
      Integer("active-key", {"GetActiveKey", "SetActiveKey"}, NumberReader(&D::GetActiveKey),
              Setting::NumberWriter(&D::SetActiveKey), std::pair(1, 4)),
      AuthType(),
      Enum("auth-protocol", {"GetAuthProtocol", "SetAuthProtocol"}, kAuthProtocolWords,
           NumberReader(&D::GetAuthProtocol), &D::SetAuthProtocol),
      Text("common-name", {"GetCommonName", "SetCommonName"}, TextReader(&D::GetCommonName),
           &D::SetCommonName),
      Text("common-name2", {"GetCommonName2", "SetCommonName2"}, TextReader(&D::GetCommonName2),
           &D::SetCommonName2),
      Integer("exponent", {"GetExponent", "SetExponent"}, NumberReader(&D::GetExponent),
              Setting::NumberWriter(&D::SetExponent)),
      RootKey(),
      Text("user", {"GetUser", "SetUser"}, TextReader(&D::GetUser), &D::SetUser),
      Secret("password", {"", "SetPassword"}, {}, Setting::TextWriter(&D::SetPassword)),
      Text("realm", {"GetRealm", "SetRealm"}, TextReader(&D::GetRealm), &D::SetRealm),
      Psk(),
      Enum("ip-method", {"GetIPAssignmentMethod", "SetIpAssignmentMethod"}, kIpMethodWords,
           NumberReader(&D::GetIPAssignmentMethod), &D::SetIpAssignmentMethod),
      Address("ip-address", {"GetIpAddress", "SetIpAddress"}, TextReader(&D::GetIpAddress),
              &D::SetIpAddress),
      Address("subnet-mask", {"GetSubnetAddress", "SetSubnetAddress"},
              TextReader(&D::GetSubnetAddress), &D::SetSubnetAddress, true),
      Address("default-router", {"GetDefaultRouterAddress", "SetDefaultRouterAddress"},
              TextReader(&D::GetDefaultRouterAddress), &D::SetDefaultRouterAddress),
  };
}

}  // namespace

Setting SettingsCatalog::KeyNumber(const Setting& keySetting) {
  Setting keyNumber;
  keyNumber.name = keySetting.name;
  keyNumber.type = SettingType::Integer;
  keyNumber.range = std::pair(Key1, Key4);
  return keyNumber;
}

const std::vector<Setting>& SettingsCatalog::All() {
  static const std::vector<Setting> table = BuildTable();
  return table;
}

const Setting* SettingsCatalog::Find(std::string_view name) noexcept {
  const auto& table = All();
  const std::string lowered = ReplyReading::LowerCase(name);
  const auto found = std::find_if(table.begin(), table.end(),
                                  [&](const Setting& setting) { return setting.name == lowered; });
  return found == table.end() ? nullptr : &*found;
}

const Setting& SettingsCatalog::At(std::string_view name) {
  if (const Setting* setting = Find(name)) return *setting;
  throw CatalogError(CatalogError::Kind::UnknownSetting,
                     "unknown setting '" + std::string(name) + "' (known: " + Names() + ")");
}

std::string SettingsCatalog::Names() {
  std::string names;
  for (const auto& setting : All()) {
    if (!names.empty()) names += ", ";
    names += setting.name;
  }
  return names;
}

SettingValue SettingsCatalog::Get(PelmoraT2& device, std::string_view name) {
  return At(name).Get(device);
}

void SettingsCatalog::Set(PelmoraT2& device, std::string_view name,
                          const std::vector<std::string>& values) {
  Bind(name, values)(device);
}

SettingsCatalog::Write SettingsCatalog::Bind(std::string_view name,
                                             const std::vector<std::string>& values) {
  const Setting& setting = At(name);
  if (!setting.CanSet()) {
    throw CatalogError(CatalogError::Kind::NotWritable,
                       std::string(setting.name) + " can only be read");
  }
  const std::size_t wanted = setting.TakesKey() ? 2 : 1;
  if (values.size() != wanted) {
    throw CatalogError(CatalogError::Kind::BadValue,
                       "set " + std::string(setting.name) + " takes " + setting.ValueNames());
  }
  if (setting.TakesKey()) {
    const std::int32_t key = KeyNumber(setting).Checked(values[0]).AsNumber();
    return [&setting, key, value = setting.Checked(values[1]).AsText()](PelmoraT2& device) {
      setting.SetKey(device, key, value);
    };
  }
  return [&setting, value = setting.Settable(setting.Checked(values[0]))](PelmoraT2& device) {
    setting.Set(device, value);
  };
}

bool SettingsCatalog::EndsTheSession(const AutomationError& error) noexcept {
  switch (error.Number()) {
    case errors::kCommandCancelled:
    case errors::kNoConnection:
    case errors::kNoResponse:
    case errors::kReplyTimeout:
    case errors::kConnectionBusy:
    case errors::kCommandInProgress:
      return true;
    default:
      return error.Number() >= errors::kConnectFailed && error.Number() <= errors::kInvalidEndpoint;
  }
}

}  // namespace pelmora
