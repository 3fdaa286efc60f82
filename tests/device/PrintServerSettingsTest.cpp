#include "pelmora/device/PrintServerSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "FakeRoad.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;
using Lines = std::vector<std::string>;
using Call = std::function<std::string(PrintServerSettings&)>;

const std::string CR = "\r";
const Lines kAny = {"(any two lines)"};

std::string Shown(std::int32_t value) {
  return std::to_string(value);
}
std::string Shown(const std::string& text) {
  return text;
}

// A getter call shows its result as text; a setter call shows nothing.
#define GET(member) [](PrintServerSettings& s) { return Shown(s.member()); }
#define SET(...) [](PrintServerSettings& s) { return s.__VA_ARGS__, std::string{}; }

// What a call gives: its result, or the number and source of the error it raised.
std::string Outcome(const Call& call, PrintServerSettings& settings) {
  try {
    return call(settings);
  } catch (const AutomationError& error) {
    return std::to_string(error.Number()) + " " + error.Source();
  }
}

TEST(PrintServerSettingsTest, EveryMemberSendsItsLinesAndReadsItsValue) {
  // Each row: the call, the shell's reply to the last line, every line sent in order (or any
  // two), and what the call gives. One word per setter: SettingsCatalog reads every word back.
  const std::vector<std::tuple<Call, std::string, Lines, std::string>> dialogues = {
      {GET(GetMode), "Wifi mode = Ad-Hoc (802.11)", {CR, "SH NW MO\r"}, "2"},
      {SET(SetMode(1)), "", {CR, "SET NW MO INFRA\r\r"}, ""},
      {SET(SetMode(3)), "", {CR, CR}, ""},
      {GET(GetAPDensity), "AP density = Medium", {CR, "SH NW APDEN\r"}, "2"},
      {SET(SetAPDensity(1)), "", {CR, "SET NW APDEN LOW\r"}, ""},
      {SET(SetEncryption(0)), "", {"SET NW ENC DISABLE\r"}, ""},
      {SET(SetEncryption(1)), "", {CR}, ""},
      {SET(SetEncryption(2)), "", {"SET NW ENC TKIP\r"}, ""},
      {SET(SetEncryption(128)), "", {"SET NW ENC 128\r"}, ""},
      {GET(GetEncryption), "WiFi Encryption is WEP 128 bit encryption", {CR, "SH NW WEP\r"}, "128"},
      {SET(SetBSSID("00:A0:C9:12:34:56")), "", {"SET NW BSSID 00:A0:C9:12:34:56\r"}, ""},
      {GET(GetAuthProtocol), "Authentication protocol = MSCHAP_V2", {CR, "SH NW INAP\r"}, "2"},
      {SET(SetAuthProtocol(1)), "", {"SET NW INAP PAP\r"}, ""},
      {SET(SetAuthProtocol(3)), "", {CR}, ""},
      {SET(SetCommonName("a b")), "", {"SET NW CERTCN a b\r"}, ""},
      {SET(SetCommonName2("r")), "", {"SET NW CERTCN2 r\r"}, ""},
      {SET(SetExponent(-17)), "", {"SET NW CERTEXP -17\r"}, ""},
      {SET(SetRootKey("9F86")), "", {CR, "SET NW CERTKEY \\x9F86\r"}, ""},
      {SET(SetUser("printer01")), "", {"SET NW ID printer01\r"}, ""},
      {SET(SetPassword(" pass word ")), "", {"SET NW PW  pass word \r"}, ""},
      {SET(SetRealm("example.com")), "", {"SET NW REALM example.com\r"}, ""},
      {SET(SetWepKey(2, "")), "", {CR, "SET NW KEY# 2\r", "SET NW KEYVAL 5D2A0C7E91\r"}, ""},
      {SET(SetActiveKey(4)), "", {CR, "SET NW KEY# 4\r"}, ""},
      {GET(GetAuthenticationType), "Authentication type= PSK", {CR, "SH NW AUTH\r"}, "34"},
      {SET(SetAuthenticationType(2)), "", {CR, "SET NW AUTH OPEN\r"}, ""},
      {GET(GetIPAssignmentMethod), "DHCP", {CR, "SH IP ME\r"}, "2"},
      {SET(SetIpAssignmentMethod(1)), "", {CR, "SET IP ME STATIC\r"}, ""},
      {SET(SetIpAddress(" 10.1.2.3 ")), "", {CR, "SET IP AD  10.1.2.3 \r"}, ""},
      {SET(SetIpAddress("010.1.2.254")), "", {CR, "SET IP AD 010.1.2.254\r"}, ""},
      {SET(SetSubnetAddress("255.255.255.255")), "", {CR, "SET IP SU 255.255.255.255\r"}, ""},
      {SET(SetDefaultRouterAddress("0.0.0.0")), "", {CR, "SET IP RO 0.0.0.0\r"}, ""},
      {SET(SetSSID("Print Net")), "", {CR, "SET NW SSID Print Net\r"}, ""},
      {SET(SetWiFiChannel(-1)), "", {CR, "SET NW CH -1\r"}, ""},
      {GET(GetPSK), "", {}, ""},
      {SET(SetPSK("pass phrase")), "", {CR, "SET NW WPAPSK pass phrase\r"}, ""},
      {GET(GetDiscardedMessagesCount),
       "RX packets: 120\r\nRX Discards WEP undecr: 17\r\nTX packets: 99",
       {CR, "SH NW STATS\r"},
       "17"},
      {SET(SetRTSTreshold(2347)), "", {CR, "SET NW RTS 2347\r"}, ""},
      // The member's own texts, ranges, search orders and errors (the reading rules themselves
      // are ReplyReading's); a getter fails only after both of its lines went out.
      {GET(GetBSSID), "Wifi BSSID: NONE", kAny, ""},
      {GET(GetMode), "Wifi mode = infrastructure", kAny, "1"},
      {GET(GetAPDensity), "AP density = HIGH", kAny, "3"},
      {GET(GetEncryption), "WiFi encryption is WEP 64 bit encryption", kAny, "64"},
      {GET(GetAuthenticationType), "Authentication type= WPA-TTLS", kAny, "10"},
      {GET(GetAuthenticationType), "Authentication type= WPA-LEAP", kAny, "18"},
      {GET(GetWiFiChannel), "Channel: 13", kAny, "0"},
      {GET(GetRTSTreshold), "WiFi RTS Threshold = 3001", kAny, "0"},
      {GET(GetEncryption), "WiFi Encryption is Dynamic WEP", kAny, "1"},
      {GET(GetActiveKey), "WEP Key # 5", kAny, "0"},
      {GET(GetAuthenticationType), "Authentication type= WPA-PEAP", kAny, "66"},
      {GET(GetAuthenticationType),
       "Authentication type= OPEN SYSTEM\r\nAuthentication type= SHARED KEY", kAny, "4"},
      {GET(GetIPAssignmentMethod), "AUTO (DHCP)", kAny, "5"},
      {GET(GetIPAssignmentMethod), "BOOTP or RARP", kAny, "4"},
      {GET(GetAuthenticationType), "authentication type= psk", kAny, "9999 GetAuthenticationType"},
      {GET(GetIPAssignmentMethod), "dhcp", kAny, "9999 GetIPAssignmentMethod"},
      {GET(GetSubnetAddress), "255.255.255", kAny, "9999 GetIpAddress"},
      {GET(GetDefaultRouterAddress), "10.1.2.255", kAny, "9999 GetDefaultRouterAddress"},
      {GET(GetIpAddress), "10.1.2.255", kAny, "9999 GetIpAddress"},
      {GET(GetRTSTreshold), "WiFi RTS Threshold = off", kAny, "13 GetRTSTreshold"},
      {GET(GetExponent), "0x10001 (65537)", kAny, "13 GetExponent"},
      {GET(GetDiscardedMessagesCount), "RX Discards WEP undecr: 2147483648", kAny,
       "6 GetDiscardedMessagesCount"},
  };
  for (const auto& [call, answer, lines, result] : dialogues) {
    SCOPED_TRACE(answer + " " + (lines.empty() ? "(nothing sent)" : lines.back()));
    FakeRoad road;
    road.otherwise = answer;
    PrintServerSettings settings(road);
    EXPECT_EQ(Outcome(call, settings), result);
    EXPECT_EQ(lines == kAny ? Lines(road.sent.size(), "") : road.sent,
              lines == kAny ? Lines(2, "") : lines);
  }
}

// A member's own checks refuse before anything is sent; a failed line ends the member, and its
// error passes unchanged except through the choice setters, which prefix their name.
TEST(PrintServerSettingsTest, OwnChecksRefuseBeforeSendingAndDialogueErrorsPassOn) {
  const std::string badIp = ": Invalid Ip address";
  const std::string lineBreak = ": Invalid argument: line break in value";
  const std::string shellError = ": Device reported error: Invalid value";
  // Each row: the call, the line that fails ("" when none is sent) and the error it raises.
  const std::vector<std::tuple<Call, std::string, std::string>> cases = {
      {SET(SetAPDensity(4)), "", "9999 SetAPDensity: Invalid Authentication type"},
      {SET(SetAuthenticationType(10)), "",
       "9999 SetAuthenticationType: Invalid Authentication type"},
      {SET(SetIpAssignmentMethod(6)), "",
       "9999 SetIpAssignmentMethod: Invalid Ip Assignment Method"},
      {SET(SetIpAddress("10.1.2.255")), "", "9999 SetIpAddress" + badIp},
      {SET(SetIpAddress("10.1.2.3\r")), "", "9999 SetIpAddress" + badIp},
      {SET(SetSubnetAddress("255.255.256.0")), "", "9999 SetSubnetAddress" + badIp},
      {SET(SetDefaultRouterAddress("255.1.2.3")), "", "9999 SetDefaultRouterAddress" + badIp},
      {SET(SetBSSID("00:A0\rSAVE")), "", "9999 SetBSSID" + lineBreak},
      {SET(SetSSID("net\n")), "", "9999 SetSSID" + lineBreak},
      {SET(SetCommonName2("a\r\nb")), "", "9999 SetCommonName2" + lineBreak},
      {SET(SetWepKey(1, "12345\r67890")), "", "9999 SetWepKey" + lineBreak},
      {SET(SetPassword("p\nINI")), "", "9999 SetPassword" + lineBreak},
      {SET(SetAPDensity(2)), "SET NW APDEN MEDIUM\r",
       "9998 SetAuthenticationType: Command" + shellError},
      {SET(SetSSID("net")), "SET NW SSID net\r", "9998 Command" + shellError},
      {GET(GetMode), CR, "9998 Command" + shellError},
      // A failed key-slot line stops before the key-value line.
      {SET(SetWepKey(9, "0123456789")), "SET NW KEY# 9\r", "9998 Command" + shellError},
  };
  for (const auto& [call, failingLine, expected] : cases) {
    SCOPED_TRACE(expected);
    FakeRoad road;
    road.failures.emplace(failingLine, AutomationError(9998, "Command", shellError.substr(2)));
    PrintServerSettings settings(road);
    const AutomationError error = CatchError([&] { call(settings); });
    EXPECT_EQ(std::to_string(error.Number()) + " " + error.Source() + ": " + error.Description(),
              expected);
    EXPECT_EQ(road.sent.empty() ? "" : road.sent.back(), failingLine);
  }
}

}  // namespace
}  // namespace pelmora
