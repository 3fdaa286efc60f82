#include "pelmora/simulator/ShellCommandSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

using Error = ShellReply::Error;

ShellReply Exec(PrintServerState& device, const std::string& line, bool readOnly = false) {
  return ShellCommandSet::Run(device, line, readOnly);
}

struct RoundTrip {
  std::string set;
  std::string show;
  std::string answer;
};

TEST(ShellCommandSetTest, SettingsReadBackAsSet) {
  const std::vector<RoundTrip> trips = {
      {"SET NW MO AD_HOC", "SH NW MO", "Wifi mode = Ad-Hoc (802.11)"},
      {"set nw mo infra", "SH NW MO", "Wifi mode = Infrastructure"},
      {"SET NW APDEN HIGH", "SH NW APDEN", "AP density = High"},
      {"SET NW BSSID 00:A0:C9:12:34:56", "SH NW BSSID", "Wifi BSSID: 00:A0:C9:12:34:56"},
      {"SET NW BSSID NONE", "SH NW BSSID", "Wifi BSSID: none"},
      {"SET NW SSID  Two Words ", "SH NW SSID", "WiFi SSID:  Two Words "},
      {"SET NW CH 11", "SH NW CH", "Channel: 11"},
      {"SET NW RTS 1", "SH NW RTS", "WiFi RTS Threshold = 1"},
      {"SET NW ENC 64", "SH NW WEP", "WiFi Encryption is WEP 64 bit encryption"},
      {"SET NW ENC 128", "SH NW WEP", "WiFi Encryption is WEP 128 bit encryption"},
      {"SET NW ENC TKIP", "SH NW WEP", "WiFi Encryption is TKIP"},
      {"SET NW KEY# 3", "SH NW KEY#", "WEP Key # 3"},
      {"SET NW AUTH SHARED", "SH NW AUTH", "Authentication type= SHARED KEY"},
      {"SET NW AUTH PEAP", "SH NW AUTH", "Authentication type= PEAP"},
      {"SET NW INAP MSCHAP_V2", "SH NW INAP", "Authentication protocol = MSCHAP_V2"},
      {"SET NW CERTCN printer.example.com", "SH NW CERTCN", "printer.example.com"},
      {"SET NW CERTCN2 radius.example.com", "SH NW CERTCN2", "radius.example.com"},
      {"SET NW CERTEXP 3", "SH NW CERTEXP", "3 (0x3)"},
      {"SET NW CERTEXP 4294967296", "SH NW CERTEXP", "4294967296 (0x100000000)"},
      {"SET NW CERTKEY \\x9F86D081884C7D659A2FEAA0C55AD015", "SH NW CERTKEY",
       "9F86D081884C7D659A2FEAA0C55AD015"},
      {"SET NW ID printer01", "SH NW ID", "printer01"},
      {"SET NW REALM example.com", "SH NW REALM", "example.com"},
      {"SET IP ME STATIC", "SH IP ME", "STATIC"},
      {"SET IP AD  192.168.0.50 ", "SH IP AD", "192.168.0.50"},
      {"SET IP SU 255.255.0.0", "SH IP SU", "255.255.0.0"},
      {"SET IP RO 0.0.0.0", "SH IP RO", "0.0.0.0"},
  };
  PrintServerState device;
  for (const RoundTrip& trip : trips) {
    const ShellReply set = Exec(device, trip.set);
    EXPECT_FALSE(set.error) << trip.set;
    EXPECT_TRUE(set.lines.empty()) << trip.set;
    EXPECT_EQ(Exec(device, trip.show).lines, std::vector<std::string>{trip.answer}) << trip.set;
  }
}

TEST(ShellCommandSetTest, KeyValueGoesIntoTheSelectedSlot) {
  PrintServerState device;
  EXPECT_FALSE(Exec(device, "SET NW KEY# 2").error);
  EXPECT_FALSE(Exec(device, "SET NW KEYVAL 5D2A0C7E91").error);
  EXPECT_FALSE(Exec(device, "SET NW KEYVAL 00112233445566778899aabbcc").error);
  const auto keys = device.Running().wepKeys;
  EXPECT_EQ(keys[1], "00112233445566778899aabbcc");
  EXPECT_TRUE(keys[0].empty() && keys[2].empty() && keys[3].empty());
  EXPECT_EQ(device.Running().activeKey, 2);
}

struct Refusal {
  std::string line;
  Error error;
};

TEST(ShellCommandSetTest, InvalidLinesAreRefusedAndChangeNothing) {
  const std::vector<Refusal> refusals = {
      {"SET NW CH 0", Error::InvalidChannel},
      {"SET NW CH 12", Error::InvalidChannel},
      {"SET NW CH six", Error::InvalidChannel},
      {"SET NW RTS 0", Error::InvalidValue},
      {"SET NW RTS 2348", Error::InvalidValue},
      {"SET NW RTS 100 bytes", Error::InvalidValue},
      {"SET NW KEY# 5", Error::InvalidKey},
      {"SET NW KEYVAL 5D2A0C7E9", Error::InvalidKey},
      {"SET NW KEYVAL 00112233445566778899AABBCCD", Error::InvalidKey},
      {"SET NW KEYVAL    ", Error::InvalidKey},
      {"SET NW SSID " + std::string(33, 's'), Error::InvalidValue},
      {"SET NW SSID ", Error::InvalidValue},
      {"SET NW SSID", Error::MissingArgument},
      {"SET NW WPAPSK 1234567", Error::InvalidValue},
      {"SET NW WPAPSK " + std::string(64, 'p'), Error::InvalidValue},
      {"SET NW MO BRIDGE", Error::InvalidValue},
      {"SET NW ENC 32", Error::InvalidValue},
      {"SET NW BSSID 00:11:22:33:44", Error::InvalidValue},
      {"SET NW CERTKEY 9F86", Error::InvalidKey},
      {"SET NW CERTKEY \\xZZ", Error::InvalidKey},
      {"SET NW CERTEXP 0", Error::InvalidValue},
      {"SET NW CERTEXP 65537 (0x10001)", Error::InvalidValue},
      {"SET IP AD 10.1.2", Error::InvalidValue},
      {"SET IP AD 10.1.2.3.4", Error::InvalidValue},
      {"SET IP AD 10.1..3", Error::InvalidValue},
      {"SET IP SU a.b.c.d", Error::InvalidValue},
      {"SET IP ME dhcp,bootp", Error::InvalidValue},
      {"SH NW CERTCN3", Error::UnknownCommand},
      {"SH NW CH 5", Error::UnknownCommand},
      {"SH", Error::UnknownCommand},
      {"SET NW", Error::UnknownCommand},
      {"SAVE ALL", Error::UnknownCommand},
  };
  PrintServerState device;
  const ShellSettings before = device.Running();
  for (const Refusal& refusal : refusals) {
    const ShellReply reply = Exec(device, refusal.line);
    EXPECT_EQ(reply.error, refusal.error) << refusal.line;
    EXPECT_TRUE(reply.lines.empty()) << refusal.line;
  }
  EXPECT_EQ(device.Running(), before);
}

TEST(ShellCommandSetTest, BoundaryValuesAreAccepted) {
  const std::vector<std::string> accepted = {
      "SET NW CH 1",        "SET NW CH 11",           "SET NW RTS 2347",
      "SET NW KEY# 4",      "SET NW KEY# 1",          "SET NW SSID " + std::string(32, 's'),
      "SET NW SSID x",      "SET NW WPAPSK 12345678", "SET NW WPAPSK " + std::string(63, 'p'),
      "SET NW CERTKEY \\x", "SET NW BSSID ",          "SET IP AD 255.255.255.255",
      "SET NW CERTCN ",     "SET NW ENC dynamic",     "SET IP ME auto"};
  PrintServerState device;
  for (const std::string& line : accepted) EXPECT_FALSE(Exec(device, line).error) << line;
}

TEST(ShellCommandSetTest, ProtectedSessionMayOnlyLook) {
  const std::vector<std::string> changes = {"SET NW CH 3", "SET NW SSID x", "SET IP AD 1.2.3.4",
                                            "SAVE",        "INI",           "SET NW SSID"};
  PrintServerState device;
  device.Running().ssid = "Unsaved";
  const ShellSettings before = device.Running();
  for (const std::string& line : changes) {
    EXPECT_EQ(Exec(device, line, true).error, Error::NotPermitted) << line;
  }
  EXPECT_EQ(device.Running(), before);
  EXPECT_EQ(device.Saved()->Load().ssid, "PrintNet");

  EXPECT_EQ(Exec(device, "SH NW CH", true).lines, std::vector<std::string>{"Channel: 6"});
  EXPECT_EQ(Exec(device, "FOO", true).error, Error::UnknownCommand);
}

TEST(ShellCommandSetTest, SessionCommandsReportTheirEffect) {
  PrintServerState device;
  EXPECT_EQ(Exec(device, "unpro", true).effect, ShellReply::Effect::AwaitPassword);
  EXPECT_EQ(Exec(device, "UNPRO", false).effect, ShellReply::Effect::None);

  const ShellReply exit = Exec(device, "Exit", true);
  EXPECT_EQ(exit.effect, ShellReply::Effect::EndSession);
  EXPECT_EQ(exit.lines, std::vector<std::string>{"Exit Configuration task"});

  device.Running().ssid = "Unsaved";
  const ShellReply reset = Exec(device, "INI");
  EXPECT_EQ(reset.effect, ShellReply::Effect::Restart);
  EXPECT_EQ(reset.lines,
            (std::vector<std::string>{"Resetting print server", "Exit Configuration task"}));
  EXPECT_EQ(device.Running().ssid, "PrintNet");
}

}  // namespace
}  // namespace pelmora
