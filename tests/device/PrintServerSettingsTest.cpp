#include "pelmora/device/PrintServerSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CaughtError.h"
#include "FakeRoad.h"

namespace pelmora {
namespace {

using Lines = std::vector<std::string>;
using Call = std::function<std::string(PrintServerSettings&)>;

const std::string CR = "\r";

std::string Shown(std::int32_t value) {
  return std::to_string(value);
}
std::string Shown(const std::string& text) {
  return text;
}

// A getter call shows its result as text; a setter call shows nothing.
#define GET(member) [](PrintServerSettings& s) { return Shown(s.member()); }
#define SET(...)               \
  [](PrintServerSettings& s) { \
    s.__VA_ARGS__;             \
    return std::string{};      \
  }

struct Dialogue {
  Call call;
  std::string answer;  // the shell's reply to the last line
  Lines lines;         // every line sent, in order
  std::string result;
};

TEST(PrintServerSettingsTest, EveryMemberSendsItsLinesAndReadsItsValue) {
  const std::vector<Dialogue> dialogues = {
      {GET(GetActiveKey), "WEP Key # 3", {CR, "SH NW KEY#\r"}, "3"},
      {GET(GetMode), "Wifi mode = Ad-Hoc (802.11)", {CR, "SH NW MO\r"}, "2"},
      {SET(SetMode(1)), "", {CR, "SET NW MO INFRA\r\r"}, ""},
      {SET(SetMode(2)), "", {CR, "SET NW MO AD_HOC\r\r"}, ""},
      {SET(SetMode(3)), "", {CR, CR}, ""},
      {GET(GetAPDensity), "AP density = Medium", {CR, "SH NW APDEN\r"}, "2"},
      {SET(SetAPDensity(1)), "", {CR, "SET NW APDEN LOW\r"}, ""},
      {SET(SetAPDensity(3)), "", {CR, "SET NW APDEN HIGH\r"}, ""},
      {SET(SetEncryption(0)), "", {"SET NW ENC DISABLE\r"}, ""},
      {SET(SetEncryption(4)), "", {"SET NW ENC WPA2\r"}, ""},
      {SET(SetEncryption(64)), "", {"SET NW ENC 64\r"}, ""},
      {SET(SetEncryption(1)), "", {CR}, ""},
      {GET(GetEncryption), "WiFi Encryption is WEP 128 bit encryption", {CR, "SH NW WEP\r"}, "128"},
      {SET(SetBSSID("00:A0:C9:12:34:56")), "", {"SET NW BSSID 00:A0:C9:12:34:56\r"}, ""},
      {GET(GetBSSID), "Wifi BSSID: 00:A0:C9:12:34:56", {CR, "SH NW BSSID\r"}, "00:A0:C9:12:34:56"},
      {GET(GetAuthProtocol), "Authentication protocol = MSCHAP_V2", {CR, "SH NW INAP\r"}, "2"},
      {SET(SetAuthProtocol(1)), "", {"SET NW INAP PAP\r"}, ""},
      {SET(SetAuthProtocol(3)), "", {CR}, ""},
      {GET(GetCommonName), "printer.example.com", {CR, "SH NW CERTCN\r"}, "printer.example.com"},
      {SET(SetCommonName("a b")), "", {"SET NW CERTCN a b\r"}, ""},
      {GET(GetCommonName2), "radius.example.com", {CR, "SH NW CERTCN2\r"}, "radius.example.com"},
      {SET(SetCommonName2("r")), "", {"SET NW CERTCN2 r\r"}, ""},
      {GET(GetExponent), "65537 (0x10001)", {CR, "SH NW CERTEXP\r"}, "65537"},
      {SET(SetExponent(-17)), "", {"SET NW CERTEXP -17\r"}, ""},
      {GET(GetRootKey), "9F86D081884C7D65", {CR, "SH NW CERTKEY\r"}, "9F86D081884C7D65"},
      {SET(SetRootKey("9F86")), "", {CR, "SET NW CERTKEY \\x9F86\r"}, ""},
      {GET(GetUser), "printer01", {CR, "SH NW ID\r"}, "printer01"},
      {SET(SetUser("printer01")), "", {"SET NW ID printer01\r"}, ""},
      {SET(SetPassword(" pass word ")), "", {"SET NW PW  pass word \r"}, ""},
      {GET(GetRealm), "example.com", {CR, "SH NW REALM\r"}, "example.com"},
      {SET(SetRealm("example.com")), "", {"SET NW REALM example.com\r"}, ""},
      {SET(SetWepKey(2, "")), "", {CR, "SET NW KEY# 2\r", "SET NW KEYVAL 5D2A0C7E91\r"}, ""},
      {SET(SetWepKey(1, "  ")), "", {CR, "SET NW KEY# 1\r", "SET NW KEYVAL   \r"}, ""},
      {SET(SetActiveKey(4)), "", {CR, "SET NW KEY# 4\r"}, ""},
      {GET(GetAuthenticationType), "Authentication type= PSK", {CR, "SH NW AUTH\r"}, "34"},
      {SET(SetAuthenticationType(2)), "", {CR, "SET NW AUTH OPEN\r"}, ""},
      {SET(SetAuthenticationType(4)), "", {CR, "SET NW AUTH SHARED\r"}, ""},
      {SET(SetAuthenticationType(8)), "", {CR, "SET NW AUTH TTLS\r"}, ""},
      {SET(SetAuthenticationType(16)), "", {CR, "SET NW AUTH LEAP\r"}, ""},
      {SET(SetAuthenticationType(32)), "", {CR, "SET NW AUTH PSK\r"}, ""},
      {SET(SetAuthenticationType(64)), "", {CR, "SET NW AUTH PEAP\r"}, ""},
      {GET(GetIPAssignmentMethod), "DHCP", {CR, "SH IP ME\r"}, "2"},
      {SET(SetIpAssignmentMethod(1)), "", {CR, "SET IP ME STATIC\r"}, ""},
      {SET(SetIpAssignmentMethod(3)), "", {CR, "SET IP ME BOOTP\r"}, ""},
      {SET(SetIpAssignmentMethod(4)), "", {CR, "SET IP ME RARP\r"}, ""},
      {SET(SetIpAssignmentMethod(5)), "", {CR, "SET IP ME AUTO\r"}, ""},
      {GET(GetIpAddress), " 10.1.2.3", {CR, "SH IP AD\r"}, "10.1.2.3"},
      {SET(SetIpAddress(" 10.1.2.3 ")), "", {CR, "SET IP AD  10.1.2.3 \r"}, ""},
      {SET(SetIpAddress("010.1.2.254")), "", {CR, "SET IP AD 010.1.2.254\r"}, ""},
      {GET(GetSubnetAddress), "255.255.255.0", {CR, "SH IP SU\r"}, "255.255.255.0"},
      {SET(SetSubnetAddress("255.255.255.255")), "", {CR, "SET IP SU 255.255.255.255\r"}, ""},
      {GET(GetDefaultRouterAddress), "10.1.2.1", {CR, "SH IP RO\r"}, "10.1.2.1"},
      {SET(SetDefaultRouterAddress("0.0.0.0")), "", {CR, "SET IP RO 0.0.0.0\r"}, ""},
      {GET(GetSSID), "WiFi SSID: PrintNet", {CR, "SH NW SSID\r"}, "PrintNet"},
      {SET(SetSSID("Print Net")), "", {CR, "SET NW SSID Print Net\r"}, ""},
      {GET(GetWiFiChannel), "Channel: 6", {CR, "SH NW CH\r"}, "6"},
      {SET(SetWiFiChannel(-1)), "", {CR, "SET NW CH -1\r"}, ""},
      {GET(GetPSK), "", {}, ""},
      {SET(SetPSK("pass phrase")), "", {CR, "SET NW WPAPSK pass phrase\r"}, ""},
      {GET(GetDiscardedMessagesCount),
       "RX packets: 120\r\nRX Discards WEP undecr: 17\r\nTX packets: 99",
       {CR, "SH NW STATS\r"},
       "17"},
      {GET(GetRTSTreshold), "WiFi RTS Threshold = 2347", {CR, "SH NW RTS\r"}, "2347"},
      {SET(SetRTSTreshold(2347)), "", {CR, "SET NW RTS 2347\r"}, ""},
  };
  for (const Dialogue& dialogue : dialogues) {
    SCOPED_TRACE(dialogue.lines.empty() ? "(nothing sent)" : dialogue.lines.back());
    FakeRoad road;
    if (!dialogue.lines.empty()) road.answers[dialogue.lines.back()] = dialogue.answer;
    PrintServerSettings settings(road);
    EXPECT_EQ(dialogue.call(settings), dialogue.result);
    EXPECT_EQ(road.sent, dialogue.lines);
  }
}

struct Reading {
  Call call;
  std::string answer;  // the reply to the command line
  std::string result;
};

// The member's own texts, ranges and search orders; the reading rules themselves are pure.
TEST(PrintServerSettingsTest, GettersApplyTheirOwnTextsRangesAndOrders) {
  const std::vector<Reading> readings = {
      {GET(GetBSSID), "Wifi BSSID: none", ""},
      {GET(GetBSSID), "Wifi BSSID: NONE", ""},
      {GET(GetWiFiChannel), "Channel: 13", "0"},
      {GET(GetRTSTreshold), "WiFi RTS Threshold = 3001", "0"},
      {GET(GetEncryption), "WiFi Encryption is Dynamic WEP", "1"},
      {GET(GetActiveKey), "WEP Key # 5", "0"},
      {GET(GetAuthProtocol), "Authentication protocol = PAP", "1"},
      {GET(GetAuthenticationType), "Authentication type= WPA-PEAP", "66"},
      {GET(GetAuthenticationType), "Authentication type= TTLS", "10"},
      {GET(GetAuthenticationType), "Authentication type= WPA-TTLS", "10"},
      {GET(GetAuthenticationType), "Authentication type= PEAP", "66"},
      {GET(GetAuthenticationType), "Authentication type= LEAP", "18"},
      {GET(GetAuthenticationType), "Authentication type= OPEN SYSTEM", "2"},
      {GET(GetAuthenticationType), "Authentication type= WPA-LEAP", "18"},
      {GET(GetAuthenticationType),
       "Authentication type= OPEN SYSTEM\r\nAuthentication type= SHARED KEY", "4"},
      {GET(GetIPAssignmentMethod), "AUTO (DHCP)", "5"},
      {GET(GetIPAssignmentMethod), "BOOTP or RARP", "4"},
      {GET(GetSubnetAddress), "255.255.255.255", "255.255.255.255"},
  };
  for (const Reading& reading : readings) {
    SCOPED_TRACE(reading.answer);
    FakeRoad road;
    road.otherwise = reading.answer;
    PrintServerSettings settings(road);
    EXPECT_EQ(reading.call(settings), reading.result);
  }
}

struct Refusal {
  std::function<void(PrintServerSettings&)> call;
  std::string source;
  std::string description;
};

#define DO(...) [](PrintServerSettings& s) { s.__VA_ARGS__; }

TEST(PrintServerSettingsTest, OwnChecksRefuseBeforeAnythingIsSent) {
  const std::string badIp = "Invalid Ip address";
  const std::string lineBreak = "Invalid argument: line break in value";
  const std::vector<Refusal> refusals = {
      {DO(SetAPDensity(4)), "SetAPDensity", "Invalid Authentication type"},
      {DO(SetAuthenticationType(10)), "SetAuthenticationType", "Invalid Authentication type"},
      {DO(SetAuthenticationType(0)), "SetAuthenticationType", "Invalid Authentication type"},
      {DO(SetIpAssignmentMethod(0)), "SetIpAssignmentMethod", "Invalid Ip Assignment Method"},
      {DO(SetIpAssignmentMethod(6)), "SetIpAssignmentMethod", "Invalid Ip Assignment Method"},
      {DO(SetIpAddress("10.1.2.255")), "SetIpAddress", badIp},
      {DO(SetIpAddress("")), "SetIpAddress", badIp},
      {DO(SetIpAddress("10.1.2.3\r")), "SetIpAddress", badIp},
      {DO(SetSubnetAddress("255.255.256.0")), "SetSubnetAddress", badIp},
      {DO(SetDefaultRouterAddress("255.1.2.3")), "SetDefaultRouterAddress", badIp},
      {DO(SetBSSID("00:A0\rSAVE")), "SetBSSID", lineBreak},
      {DO(SetSSID("net\n")), "SetSSID", lineBreak},
      {DO(SetCommonName("\ra")), "SetCommonName", lineBreak},
      {DO(SetCommonName2("a\r\nb")), "SetCommonName2", lineBreak},
      {DO(SetWepKey(1, "12345\r67890")), "SetWepKey", lineBreak},
      {DO(SetRootKey("\n")), "SetRootKey", lineBreak},
      {DO(SetUser("u\r")), "SetUser", lineBreak},
      {DO(SetPassword("p\nINI")), "SetPassword", lineBreak},
      {DO(SetRealm("r\r")), "SetRealm", lineBreak},
      {DO(SetPSK("k\n")), "SetPSK", lineBreak},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.source);
    FakeRoad road;
    PrintServerSettings settings(road);
    const auto error = CaughtError([&] { refusal.call(settings); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), 9999);
    EXPECT_EQ(error->Source(), refusal.source);
    EXPECT_EQ(error->Description(), refusal.description);
    EXPECT_TRUE(road.sent.empty());
  }
}

struct Failure {
  std::function<void(PrintServerSettings&)> call;
  std::string answer;
  std::int32_t number;
  std::string source;
};

TEST(PrintServerSettingsTest, GettersFailOnlyAfterBothLines) {
  const std::vector<Failure> failures = {
      {DO(GetAuthenticationType()), "authentication type= psk", 9999, "GetAuthenticationType"},
      {DO(GetAuthenticationType()), "Authentication type= WPA-PSK", 9999, "GetAuthenticationType"},
      {DO(GetIPAssignmentMethod()), "dhcp", 9999, "GetIPAssignmentMethod"},
      {DO(GetIpAddress()), "IP address 10.1.2.3", 9999, "GetIpAddress"},
      {DO(GetSubnetAddress()), "255.255.255", 9999, "GetIpAddress"},
      {DO(GetDefaultRouterAddress()), "10.1.2.255", 9999, "GetDefaultRouterAddress"},
      {DO(GetRTSTreshold()), "WiFi RTS Threshold = off", 13, "GetRTSTreshold"},
      {DO(GetRTSTreshold()), "no threshold here", 13, "GetRTSTreshold"},
      {DO(GetExponent()), "0x10001 (65537)", 13, "GetExponent"},
      {DO(GetExponent()), "", 9, "GetExponent"},
      {DO(GetExponent()), "4294967297 (0x100000001)", 6, "GetExponent"},
      {DO(GetDiscardedMessagesCount()), "RX Discards WEP undecr: 2147483648", 6,
       "GetDiscardedMessagesCount"},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.answer);
    FakeRoad road;
    road.otherwise = failure.answer;
    PrintServerSettings settings(road);
    const auto error = CaughtError([&] { failure.call(settings); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), failure.number);
    EXPECT_EQ(error->Source(), failure.source);
    EXPECT_EQ(road.sent.size(), 2u);
  }
}

TEST(PrintServerSettingsTest, DialogueErrorsPassUnchangedExceptThroughTheChoiceSetters) {
  const AutomationError shellError(9998, "Command", "Device reported error: Invalid value");
  const AutomationError overlap(9999, "Command", "Command is already active");
  struct Case {
    std::function<void(PrintServerSettings&)> call;
    std::string failingLine;
    const AutomationError& error;
    std::string source;
  };
  const std::vector<Case> cases = {
      {DO(SetAPDensity(2)), "SET NW APDEN MEDIUM\r", shellError, "SetAuthenticationType: Command"},
      {DO(SetAuthenticationType(8)), "SET NW AUTH TTLS\r", shellError,
       "SetAuthenticationType: Command"},
      {DO(SetIpAssignmentMethod(1)), CR, overlap, "SetAuthenticationType: Command"},
      {DO(SetSSID("net")), "SET NW SSID net\r", shellError, "Command"},
      {DO(SetEncryption(64)), "SET NW ENC 64\r", shellError, "Command"},
      {DO(GetMode()), CR, overlap, "Command"},
      {DO(GetAuthenticationType()), "SH NW AUTH\r", shellError, "Command"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failingLine);
    FakeRoad road;
    road.failures.emplace(c.failingLine, c.error);
    PrintServerSettings settings(road);
    const auto error = CaughtError([&] { c.call(settings); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), c.error.Number());
    EXPECT_EQ(error->Source(), c.source);
    EXPECT_EQ(error->Description(), c.error.Description());
    EXPECT_EQ(road.sent.back(), c.failingLine);
  }
}

TEST(PrintServerSettingsTest, SetWepKeyStopsWhenTheKeySlotLineFails) {
  FakeRoad road;
  road.failures.emplace("SET NW KEY# 9\r", AutomationError(9998, "Command", "Invalid key"));
  PrintServerSettings settings(road);
  const auto error = CaughtError([&] { settings.SetWepKey(9, "0123456789"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Source(), "Command");
  EXPECT_EQ(road.sent, (Lines{CR, "SET NW KEY# 9\r"}));
}

}  // namespace
}  // namespace pelmora
