#include "pelmora/catalog/SettingsCatalog.h"

#include <gtest/gtest.h>

#include <map>

#include "device/EmbeddedShell.h"
#include "pelmora/catalog/CatalogError.h"

namespace pelmora {
namespace {

using testing::EmbeddedShell;

// Values other than the simulator's defaults for every writable setting that is not enumerated.
const std::map<std::string_view, SettingValue> kSamples = {
    {"ssid", {"Office Net", {}}},
    {"bssid", {"00:A0:C9:12:34:56", {}}},
    {"channel", {11, {}}},
    {"rts-threshold", {1200, {}}},
    {"active-key", {3, {}}},
    {"common-name", {"printer.example.com", {}}},
    {"common-name2", {"radius.example.com", {}}},
    {"exponent", {3, {}}},
    {"user", {"printer01", {}}},
    {"realm", {"example.com", {}}},
    {"ip-address", {"192.168.0.50", {}}},
    {"subnet-mask", {"255.255.0.0", {}}},
    {"default-router", {"192.168.0.1", {}}}};

std::vector<SettingValue> ValuesFor(const Setting& setting) {
  if (setting.type != SettingType::Enum) return {kSamples.at(setting.name)};
  std::vector<SettingValue> values;
  for (const auto& word : setting.words) {
    if (word.settable) values.push_back(setting.FromCode(word.code));
  }
  return values;
}

TEST(SettingsCatalog, ChecksComeBeforeSendingAndEveryRowAndWordIsReadBackEqual) {
  EmbeddedShell sim;
  const auto kindOf = [&](const std::string& name, const std::vector<std::string>& values) {
    try {
      SettingsCatalog::Set(*sim.device, name, values);
    } catch (const CatalogError& error) {
      return error.ErrorKind();
    }
    ADD_FAILURE() << name << " was accepted";
    return CatalogError::Kind::UnknownSetting;
  };
  EXPECT_EQ(kindOf("colour", {"red"}), CatalogError::Kind::UnknownSetting);
  EXPECT_EQ(kindOf("discarded-messages", {"1"}), CatalogError::Kind::NotWritable);
  EXPECT_EQ(kindOf("mode", {"sideways"}), CatalogError::Kind::BadValue);
  EXPECT_EQ(kindOf("channel", {"6.5"}), CatalogError::Kind::BadValue);
  EXPECT_EQ(kindOf("wep-key", {"x", "0123456789"}), CatalogError::Kind::BadValue);
  EXPECT_EQ(kindOf("ssid", {"a", "b"}), CatalogError::Kind::BadValue);
  // What a profile refuses, set refuses too: words set cannot send, numbers the getter cannot
  // read, characters beyond U+00FF.
  const std::vector<std::vector<std::string>> unsendable = {{"encryption", "dynamic-wep"},
                                                            {"mode", "7"},
                                                            {"ssid", "\xC4\x89"},
                                                            {"wep-key", "5", "0123456789"},
                                                            {"wep-key", "1", "0123456789ABCDEF"}};
  for (const auto& values : unsendable)
    EXPECT_EQ(kindOf(values[0], {values.begin() + 1, values.end()}), CatalogError::Kind::BadValue);
  EXPECT_EQ(sim.server.Shell().LinesReceived(), 0u);
  EXPECT_THROW(SettingsCatalog::Get(*sim.device, "password"), CatalogError);
  EXPECT_EQ(SettingsCatalog::Get(*sim.device, "MODE").Text(), "infrastructure");
  int trips = 0;
  for (const auto& setting : SettingsCatalog::All()) {
    if (!setting.CanSet() || setting.secret) continue;
    ASSERT_TRUE(setting.CanGet()) << setting.name;
    for (const auto& value : ValuesFor(setting)) {
      SCOPED_TRACE(std::string(setting.name) + " = " + value.Text());
      EXPECT_FALSE(setting.Refusal(value));
      setting.Set(*sim.device, value);
      EXPECT_TRUE(setting.Matches(setting.Get(*sim.device), value));
      ++trips;
    }
  }
  EXPECT_EQ(trips, 36);
  // Secrets cannot be read back; the device holds what was sent.
  SettingsCatalog::Set(*sim.device, "password", {"pw-4711"});
  SettingsCatalog::Set(*sim.device, "psk", {"pre-shared-key"});
  SettingsCatalog::Set(*sim.device, "wep-key", {"4", "0123456789ABCDEF0123456789"});
  SettingsCatalog::Set(*sim.device, "root-key", {"9F86D081"});
  SettingsCatalog::Set(*sim.device, "ssid", {"Caf\xC3\xA9"});
  const ShellSettings& held = sim.Running();
  EXPECT_EQ(std::tie(held.ssid, held.rootKey, held.eapPassword, held.psk, held.wepKeys[3]),
            std::make_tuple("Caf\xE9", "9F86D081", "pw-4711", "pre-shared-key",
                            "0123456789ABCDEF0123456789"));
}

TEST(SettingsCatalog, ReadBackComparesByTypeAndRefusesWhatCannotBeReadBack) {
  const auto& auth = SettingsCatalog::At("auth-type");
  EXPECT_TRUE(auth.Matches(auth.FromCode(OpenSystem | Ttls), auth.FromCode(Ttls)));
  EXPECT_FALSE(auth.Matches(auth.FromCode(OpenSystem | Ttls), auth.FromCode(OpenSystem)));
  EXPECT_FALSE(auth.Matches(auth.FromCode(OpenSystem | Leap), auth.FromCode(Ttls)));
  EXPECT_EQ(auth.CodeOf("Open+TTLS"), OpenSystem | Ttls);
  const auto& address = SettingsCatalog::At("ip-address");
  EXPECT_TRUE(address.Matches({"10.1.2.3", {}}, {" 010.001.2.3 ", {}}));
  EXPECT_FALSE(address.Matches({"10.1.2.3", {}}, {"10.1.2.4", {}}));
  const auto& bssid = SettingsCatalog::At("bssid");
  EXPECT_TRUE(bssid.Matches({"", {}}, {"NONE", {}}));
  EXPECT_FALSE(bssid.Matches({"00:A0:C9:12:34:56", {}}, {"00:A0:C9:12:34:57", {}}));
  EXPECT_FALSE(SettingsCatalog::At("ssid").Matches({"", {}}, {"none", {}}));

  const std::vector<std::pair<std::string, SettingValue>> refused = {
      {"channel", {12, {}}},
      {"rts-threshold", {0, {}}},
      {"active-key", {5, {}}},
      {"encryption", {DynamicWep, {}}},
      {"auth-type", {OpenSystem | SharedKey | Ttls, {}}},
      {"user", {" padded", {}}},
      // What the device refuses or its answers would be misread at.
      {"rts-threshold", {2348, {}}},
      {"ssid", {"", {}}},
      {"ssid", {std::string(33, 's'), {}}},
      {"psk", {"7-chars", {}}},
      {"psk", {std::string(64, 'p'), {}}},
      {"wep-key", {"0123456789A", {}}},
      {"root-key", {"XY", {}}},
      {"ssid", {"a Local> b", {}}},
      {"common-name", {"x%CFGERR:y", {}}},
      {"encryption", {0, "unrecognized"}}};
  for (const auto& [name, value] : refused)
    EXPECT_TRUE(SettingsCatalog::At(name).Refusal(value)) << name;
  EXPECT_FALSE(SettingsCatalog::At("subnet-mask").Refusal({"255.255.255.255", {}}));
  EXPECT_FALSE(SettingsCatalog::At("psk").Refusal({std::string(63, 'p'), {}}));
  EXPECT_FALSE(SettingsCatalog::At("ssid").Refusal({std::string(32, 's'), {}}));
  EXPECT_EQ(SettingsCatalog::At("encryption").WordList(), "disabled, tkip, wpa2, wep64, wep128");
  EXPECT_FALSE(SettingsCatalog::At("auth-type").Refusal({OpenSystem | Peap, {}}));
}

}  // namespace
}  // namespace pelmora
