#include "pelmora/reports/WirelessInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

const std::string kWep128Line = "WiFi Encryption is WEP 128 bit encryption";
const std::string kWep128Screen =
    "WiFi SSID: PrintNet\rWifi mode = Infrastructure\rRegulatory Domain = FCC\r"
    "WiFi FW Ver = 1.7.4\r" +
    kWep128Line +
    "\rWEP Key #1: **************************\rWEP Key #2: \r"
    "WEP Key #3: **************************\rWEP Key #4: \r"
    "AP MAC Address = 00:11:22:33:44:55\rEAP state is Authenticated";

std::string Replaced(std::string screen, const std::string& from, const std::string& to) {
  return screen.replace(screen.find(from), from.size(), to);
}

std::string WithEncryption(const std::string& line) {
  return Replaced(kWep128Screen, kWep128Line, line);
}

TEST(WirelessInfoTest, ParsesTheScreensOfTheTable) {
  const std::array<bool, 4> keys13{true, false, true, false};
  const std::vector<std::tuple<std::string, std::int32_t, std::array<bool, 4>>> cases{
      {kWep128Screen, Wep128, keys13},
      // Dynamic WEP reads no key line: those present stay unset, and missing ones are no fault.
      {Replaced(WithEncryption(kWep128Line + "\rDynamic WEP Keys are in use"), "WEP Key #2",
                "WEP Kee"),
       DynamicWep,
       {}},
      {WithEncryption(""), Disabled, {}},
      {WithEncryption("WiFi Encryption is WEP off"), Disabled, {}},
      {WithEncryption("Encryption is WEP 6"), Wep64, keys13},  // a number inside a word counts
      // The word is the number unrounded without redundant zeros: "1.5" lies in no word, while "2"
      // would lie in "128".
      {WithEncryption("WiFi Encryption is WEP 1.5 bit"), Disabled, {}},
      {WithEncryption("WiFi Encryption is WEP 06 4.0 bit"), Wep64, keys13},
  };
  for (const auto& [screen, encryption, keys] : cases) {
    SCOPED_TRACE(screen);
    WirelessInfo info;
    info.Parse(screen);
    EXPECT_EQ(info.RegulatoryDomain() + info.WiFiFWVersion() + info.APMacAddress(),
              "FCC1.7.400:11:22:33:44:55");
    EXPECT_EQ(info.WepEncryption(), encryption);
    EXPECT_EQ((std::array{info.WepKey1Set(), info.WepKey2Set(), info.WepKey3Set(),
                          info.WepKey4Set(), info.EAPState() == Authenticated}),
              (std::array{keys[0], keys[1], keys[2], keys[3], true}));
  }
}

void ExpectEveryPropertyGuarded(const WirelessInfo& info) {
  const std::vector<std::pair<std::string, std::function<void()>>> guarded{
      {"WepKey1Set", [&] { info.WepKey1Set(); }},
      {"WepKey2Set", [&] { info.WepKey2Set(); }},
      {"WepKey3Set", [&] { info.WepKey3Set(); }},
      {"WepKey4Set", [&] { info.WepKey4Set(); }},
      {"RegulatoryDomain", [&] { info.RegulatoryDomain(); }},
      {"APMacAddress", [&] { info.APMacAddress(); }},
      {"WiFiFWVersion", [&] { info.WiFiFWVersion(); }},
      {"WepEncryption", [&] { info.WepEncryption(); }},
      {"WepEncryption", [&] { info.ToString(); }},
  };
  for (const auto& [property, read] : guarded) {
    const AutomationError error = CatchError(read);
    EXPECT_EQ(
        std::to_string(error.Number()) + error.Source() + error.Description(),
        "9999WirelessInfo." + property + "Data must be parsed before reading property values");
  }
}

TEST(WirelessInfoTest, UnparsedObjectRefusesItsValuesButTheEapState) {
  WirelessInfo info;
  EXPECT_EQ(info.EAPState(), EAPStateUnrecognized);
  ExpectEveryPropertyGuarded(info);

  info.Parse(kWep128Screen);
  const std::string noKey3 =
      Replaced(WithEncryption("WiFi Encryption is WEP 64 bit"), "WEP Key #3", "WEP Key 3");
  EXPECT_EQ(CatchError([&] { info.Parse(noKey3); }).Number(), 5);
  ExpectEveryPropertyGuarded(info);
  // A key that needs a CR behind it but stands on the last line fails the same way.
  EXPECT_EQ(CatchError([&] { info.Parse("EAP\rRegulatory Domain = FCC"); }).Number(), 5);
}

TEST(WirelessInfoTest, ParseNeverClearsWhatAnEarlierParseSet) {
  WirelessInfo info;
  info.Parse(kWep128Screen);
  // WEP off gives a word no encryption matches, so 128 stands and the (empty) key lines are read.
  info.Parse(
      "WiFi Encryption is WEP off\rWEP Key #1:\rWEP Key #2:\rWEP Key #3:\rWEP Key #4: **\r"
      "EAP state: gone\rHost x");
  EXPECT_EQ(info.WepEncryption(), Wep128);
  EXPECT_TRUE(info.WepKey1Set() && info.WepKey4Set());
  EXPECT_EQ(info.RegulatoryDomain(), "FCC");
  EXPECT_EQ(info.EAPState(), Authenticated);
}

TEST(WirelessInfoTest, EapStateFollowsTheTextAfterStateIs) {
  const std::vector<std::pair<std::string, EAPStateCode>> cases{
      {"EAP state is \r", EAPStateEmpty},
      {"EAP state is ", EAPStateEmpty},
      {"EAP state is connecting\r", EAPStateUnrecognized},
      {"EAP state is Authenticated  \r", Authenticated},
      {"Domain x\rEAP state is Connecting\rHost y", Connecting},
      {"Link state is up\rEAP state is Authenticated", EAPStateUnrecognized},
  };
  for (const auto& [data, expected] : cases) {
    WirelessInfo info;
    info.Parse(data);
    EXPECT_EQ(info.EAPState(), expected) << data;
  }
}

}  // namespace
}  // namespace pelmora
