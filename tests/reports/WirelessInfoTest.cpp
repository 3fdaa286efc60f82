#include "pelmora/reports/WirelessInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "pelmora/platform/AutomationError.h"
#include "reports/ScreenText.h"

namespace pelmora {
namespace {

using test::CrScreen;

// The device's 128-bit screen; the variants below replace or add lines.
const std::vector<std::string> kWep128Lines{"WiFi SSID: PrintNet",
                                            "Wifi mode = Infrastructure",
                                            "Regulatory Domain = FCC",
                                            "WiFi FW Ver = 1.7.4",
                                            "WiFi Encryption is WEP 128 bit encryption",
                                            "WEP Key #1: **************************",
                                            "WEP Key #2: ",
                                            "WEP Key #3: **************************",
                                            "WEP Key #4: ",
                                            "AP MAC Address = 00:11:22:33:44:55",
                                            "EAP state is Authenticated"};

std::vector<std::string> WithLine(std::vector<std::string> lines, std::size_t index,
                                  const std::string& replacement) {
  lines[index] = replacement;
  return lines;
}

std::vector<std::string> WithoutLine(std::vector<std::string> lines, std::size_t index) {
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  return lines;
}

std::vector<std::string> WithExtraLine(std::vector<std::string> lines, const std::string& line) {
  lines.insert(lines.begin() + 5, line);
  return lines;
}

struct WirelessScreenCase {
  const char* name;
  std::vector<std::string> lines;
  std::int32_t encryption;
  std::array<bool, 4> keys;
};

const std::vector<WirelessScreenCase> kScreens{
    {"128-bit WEP with two keys set", kWep128Lines, Wep128, {true, false, true, false}},
    {"dynamic WEP leaves the key lines unread",
     WithExtraLine(kWep128Lines, "Dynamic WEP Keys are in use"),
     DynamicWep,
     {}},
    {"no encryption line", WithoutLine(kWep128Lines, 4), Disabled, {}},
    {"WEP off matches no word",
     WithLine(kWep128Lines, 4, "WiFi Encryption is WEP off"),
     Disabled,
     {}},
    {"encryption disabled", WithLine(kWep128Lines, 4, "WiFi Encryption is disabled"), Disabled, {}},
    {"64-bit WEP",
     WithLine(kWep128Lines, 4, "WiFi Encryption is WEP 64 bit"),
     Wep64,
     {true, false, true, false}},
    {"a number found inside a word counts",
     WithLine(kWep128Lines, 4, "Encryption is WEP 6"),
     Wep64,
     {true, false, true, false}},
};

TEST(WirelessInfoTest, ParsesTheScreensOfTheTable) {
  for (const WirelessScreenCase& screen : kScreens) {
    SCOPED_TRACE(screen.name);
    WirelessInfo info;
    info.Parse(CrScreen(screen.lines));
    EXPECT_EQ(info.RegulatoryDomain(), "FCC");
    EXPECT_EQ(info.WiFiFWVersion(), "1.7.4");
    EXPECT_EQ(info.APMacAddress(), "00:11:22:33:44:55");
    EXPECT_EQ(info.WepEncryption(), screen.encryption);
    EXPECT_EQ((std::array<bool, 4>{info.WepKey1Set(), info.WepKey2Set(), info.WepKey3Set(),
                                   info.WepKey4Set()}),
              screen.keys);
    EXPECT_EQ(info.EAPState(), Authenticated);
  }
}

// Every guarded property with the source its not-parsed error names.
const std::vector<std::pair<std::string, std::function<void(const WirelessInfo&)>>> kGuarded{
    {"WirelessInfo.WepKey1Set", [](const WirelessInfo& i) { i.WepKey1Set(); }},
    {"WirelessInfo.WepKey2Set", [](const WirelessInfo& i) { i.WepKey2Set(); }},
    {"WirelessInfo.WepKey3Set", [](const WirelessInfo& i) { i.WepKey3Set(); }},
    {"WirelessInfo.WepKey4Set", [](const WirelessInfo& i) { i.WepKey4Set(); }},
    {"WirelessInfo.RegulatoryDomain", [](const WirelessInfo& i) { i.RegulatoryDomain(); }},
    {"WirelessInfo.APMacAddress", [](const WirelessInfo& i) { i.APMacAddress(); }},
    {"WirelessInfo.WiFiFWVersion", [](const WirelessInfo& i) { i.WiFiFWVersion(); }},
    {"WirelessInfo.WepEncryption", [](const WirelessInfo& i) { i.WepEncryption(); }},
    {"WirelessInfo.WepEncryption", [](const WirelessInfo& i) { i.ToString(); }},
};

void ExpectEveryPropertyGuarded(const WirelessInfo& info) {
  for (const auto& [source, read] : kGuarded) {
    try {
      read(info);
      ADD_FAILURE() << "no error from " << source;
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.Number(), 9999);
      EXPECT_EQ(error.Source(), source);
      EXPECT_EQ(error.Description(), "Data must be parsed before reading property values");
    }
  }
}

TEST(WirelessInfoTest, NewObjectRefusesItsValuesButTheEapState) {
  WirelessInfo info;
  EXPECT_EQ(info.EAPState(), EAPStateUnrecognized);
  ExpectEveryPropertyGuarded(info);
}

void ExpectParseFailsWithInvalidArgument(WirelessInfo& info, const std::string& data) {
  try {
    info.Parse(data);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Number(), 5);
    EXPECT_EQ(error.Source(), "WirelessInfo.Parse");
  }
}

TEST(WirelessInfoTest, FailedParseLeavesTheObjectUnparsed) {
  WirelessInfo info;
  info.Parse(CrScreen(kWep128Lines));
  const auto wep64 = WithLine(kWep128Lines, 4, "WiFi Encryption is WEP 64 bit");
  ExpectParseFailsWithInvalidArgument(info, CrScreen(WithoutLine(wep64, 7)));  // no key #3
  ExpectEveryPropertyGuarded(info);

  // A key that needs a CR behind it but stands on the last line fails the same way.
  WirelessInfo lastLine;
  ExpectParseFailsWithInvalidArgument(lastLine, CrScreen({"EAP", "Regulatory Domain = FCC"}));
  ExpectEveryPropertyGuarded(lastLine);
}

TEST(WirelessInfoTest, ParseNeverClearsWhatAnEarlierParseSet) {
  WirelessInfo info;
  info.Parse(CrScreen(kWep128Lines));
  // WEP off gives a word no encryption matches, so 128 stands and the (empty) key lines are read.
  info.Parse(CrScreen({"WiFi Encryption is WEP off",
                       "WEP Key #1:", "WEP Key #2:", "WEP Key #3:", "WEP Key #4: **", "Host x"}));
  EXPECT_EQ(info.WepEncryption(), Wep128);
  EXPECT_TRUE(info.WepKey1Set());
  EXPECT_TRUE(info.WepKey3Set());
  EXPECT_TRUE(info.WepKey4Set());
  EXPECT_EQ(info.RegulatoryDomain(), "FCC");
  EXPECT_EQ(info.EAPState(), Authenticated);
}

TEST(WirelessInfoTest, EapStateFollowsTheTextAfterStateIs) {
  const std::vector<std::pair<std::string, EAPStateCode>> cases{
      {"EAP state is \r", EAPStateEmpty},
      {"EAP state is ", EAPStateEmpty},
      {"EAP state is Connecting\r", Connecting},
      {"EAP state is connecting\r", EAPStateUnrecognized},
      {"EAP state is Authenticated  \r", Authenticated},
      {"Domain x\rEAP state is Authenticated", Authenticated},
      {"Domain x\rEAP state is Connecting\rHost y", Connecting},
      {"Link state is up\rEAP state is Authenticated", EAPStateUnrecognized},
  };
  for (const auto& [data, expected] : cases) {
    WirelessInfo info;
    info.Parse(data);
    EXPECT_EQ(info.EAPState(), expected) << data;
  }

  WirelessInfo info;
  info.Parse("EAP state is Connecting");
  info.Parse("EAP state: gone");
  EXPECT_EQ(info.EAPState(), Connecting);
}

TEST(WirelessInfoTest, ToStringShowsTheValuesWithoutTheEapState) {
  WirelessInfo wep64;
  wep64.Parse(CrScreen(WithLine(kWep128Lines, 4, "WiFi Encryption is WEP 64 bit")));
  EXPECT_EQ(wep64.ToString(),
            "AP MAC Address: 00:11:22:33:44:55\r\n"
            "Regulatory Domain: FCC\r\n"
            "WEP Encryption: 64 bit WEP Encryption\r\n"
            "WEP Key #1 Set: True\r\n"
            "WEP Key #2 Set: False\r\n"
            "WEP Key #3 Set: True\r\n"
            "WEP Key #4 Set: False\r\n"
            "WiFi Firmware version: 1.7.4\r\n");

  WirelessInfo disabled;
  disabled.Parse(CrScreen({"WiFi Encryption is disabled", "Host x"}));
  EXPECT_EQ(disabled.ToString(),
            "AP MAC Address: \r\n"
            "Regulatory Domain: \r\n"
            "WEP Encryption: 0 (0 = WEP disabled)\r\n"
            "WEP Key #1 Set: False\r\n"
            "WEP Key #2 Set: False\r\n"
            "WEP Key #3 Set: False\r\n"
            "WEP Key #4 Set: False\r\n"
            "WiFi Firmware version: \r\n");
}

}  // namespace
}  // namespace pelmora
