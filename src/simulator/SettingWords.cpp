#include "pelmora/simulator/SettingWords.h"

#include "pelmora/simulator/ShellText.h"

namespace pelmora {

namespace {

constexpr SettingWords::Entry kMode[] = {{"INFRA", "Infrastructure"},
                                         {"AD_HOC", "Ad-Hoc (802.11)"}};

constexpr SettingWords::Entry kApDensity[] = {
    {"LOW", "Low"}, {"MEDIUM", "Medium"}, {"HIGH", "High"}};

// DYNAMIC has no setter in a configuration client, but the device knows the state, and the
// wireless screen shows it differently.
constexpr SettingWords::Entry kEncryption[] = {{"DISABLE", "disabled"},
                                               {"TKIP", "TKIP"},
                                               {"WPA2", "WPA2"},
                                               {"64", "WEP 64 bit encryption"},
                                               {"128", "WEP 128 bit encryption"},
                                               {"DYNAMIC", "Dynamic WEP"}};

constexpr SettingWords::Entry kAuthentication[] = {
    {"OPEN", "OPEN SYSTEM"}, {"SHARED", "SHARED KEY"}, {"TTLS", "TTLS"},
    {"LEAP", "LEAP"},        {"PSK", "PSK"},           {"PEAP", "PEAP"}};

constexpr SettingWords::Entry kAuthProtocol[] = {{"PAP", "PAP"}, {"MSCHAP_V2", "MSCHAP_V2"}};

constexpr SettingWords::Entry kIpMethod[] = {
    {"STATIC", "STATIC"}, {"DHCP", "DHCP"}, {"BOOTP", "BOOTP"}, {"RARP", "RARP"}, {"AUTO", "AUTO"}};

}  // namespace

SettingWords::Table SettingWords::Mode() noexcept {
  return kMode;
}
SettingWords::Table SettingWords::ApDensity() noexcept {
  return kApDensity;
}
SettingWords::Table SettingWords::Encryption() noexcept {
  return kEncryption;
}
SettingWords::Table SettingWords::Authentication() noexcept {
  return kAuthentication;
}
SettingWords::Table SettingWords::AuthProtocol() noexcept {
  return kAuthProtocol;
}
SettingWords::Table SettingWords::IpMethod() noexcept {
  return kIpMethod;
}

std::optional<std::string_view> SettingWords::Find(Table table, std::string_view value) noexcept {
  for (const Entry& entry : table) {
    if (ShellText::EqualsIgnoreCase(entry.word, value)) return entry.word;
  }
  return std::nullopt;
}

std::string_view SettingWords::Text(Table table, std::string_view word) noexcept {
  for (const Entry& entry : table) {
    if (entry.word == word) return entry.text;
  }
  return word;
}

}  // namespace pelmora
