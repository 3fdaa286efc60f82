#include "pelmora/simulator/ShellCommandSet.h"

#include <gtest/gtest.h>

#include <array>

namespace pelmora {
namespace {

using Error = ShellReply::Error;

ShellReply Exec(PrintServerState& device, const std::string& line, bool readOnly = false) {
  return ShellCommandSet::Run(device, line, readOnly);
}

struct Check {
  std::string line;
  std::optional<Error> error;  // none: accepted
  bool readOnly = false;
  std::string show = {};  // read back after an accepted line
  std::string shown = {};
};

// Every setting is read back through the library by SettingsCatalogTest; the read-backs here are
// what the library cannot show.
TEST(ShellCommandSetTest, LinesAreCheckedAtTheBoundsOfTheirValuesReadBackAndRefusalsChangeNothing) {
  const std::string ssid32(32, 's');
  const std::vector<Check> checks = {
      {"SET NW BSSID NONE", {}, false, "SH NW BSSID", "Wifi BSSID: none"},
      {"SET NW SSID  Two Words ", {}, false, "SH NW SSID", "WiFi SSID:  Two Words "},
      {"SET NW CERTEXP 4294967296", {}, false, "SH NW CERTEXP", "4294967296 (0x100000000)"},
      {"SET NW CH 12", Error::InvalidChannel},
      {"SET NW CH six", Error::InvalidChannel},
      {"SET NW RTS 2348", Error::InvalidValue},
      {"SET NW RTS 100 bytes", Error::InvalidValue},
      {"SET NW KEY# 5", Error::InvalidKey},
      {"SET NW KEYVAL 5D2A0C7E91", {}},
      {"SET NW KEYVAL 5D2A0C7E9", Error::InvalidKey},
      {"SET NW KEYVAL 00112233445566778899AABBCCD", Error::InvalidKey},
      {"SET NW SSID " + ssid32, {}},
      {"SET NW SSID " + ssid32 + "s", Error::InvalidValue},
      {"SET NW SSID ", Error::InvalidValue},
      {"SET NW WPAPSK 12345678", {}},
      {"SET NW WPAPSK " + std::string(63, 'p'), {}},
      {"SET NW WPAPSK " + std::string(64, 'p'), Error::InvalidValue},
      {"SET NW WPAPSK 1234567", Error::InvalidValue},
      {"SET NW ENC 32", Error::InvalidValue},
      {"SET NW BSSID ", {}},
      {"SET NW BSSID 00:11:22:33:44", Error::InvalidValue},
      {"SET NW CERTKEY \\x", {}},
      {"SET NW CERTKEY 9F86", Error::InvalidKey},
      {"SET NW CERTKEY \\xZZ", Error::InvalidKey},
      {"SET NW CERTEXP 0", Error::InvalidValue},
      {"SET NW CERTEXP 65537 (0x10001)", Error::InvalidValue},
      {"SET IP AD 255.255.255.255", {}},
      {"SET IP AD 10.1.2", Error::InvalidValue},
      {"SET IP ME dhcp,bootp", Error::InvalidValue},
      {"SH NW CH 5", Error::UnknownCommand},
      // A protected session may only look (ShellEngineTest shows SH and SET).
      {"SAVE", Error::NotPermitted, true},
      {"INI", Error::NotPermitted, true},
  };
  PrintServerState device;
  device.Running().ssid = "Unsaved";
  for (const Check& check : checks) {
    const ShellSettings before = device.Running();
    const ShellReply reply = Exec(device, check.line, check.readOnly);
    EXPECT_EQ(reply.error, check.error) << check.line;
    if (check.error) {
      EXPECT_TRUE(reply.lines.empty()) << check.line;
      EXPECT_EQ(device.Running(), before) << check.line;
    } else if (!check.show.empty()) {
      EXPECT_TRUE(reply.lines.empty()) << check.line;
      EXPECT_EQ(Exec(device, check.show).lines, std::vector<std::string>{check.shown})
          << check.line;
    }
  }
  EXPECT_EQ(device.Saved()->Load().ssid, "PrintNet");
  // A key value goes into the slot that KEY# selected (the first until then).
  EXPECT_FALSE(Exec(device, "SET NW KEY# 3").error);
  EXPECT_FALSE(Exec(device, "SET NW KEYVAL 00112233445566778899aabbcc").error);
  EXPECT_EQ(device.Running().wepKeys,
            (std::array<std::string, 4>{"5D2A0C7E91", "", "00112233445566778899aabbcc", ""}));
}

using Lines = std::vector<std::string>;
using AddressStatus = PrintServerState::AddressStatus;

// The default screens are the tool's exact "show" output; the wireless screen in its other forms
// is read back by RoundTripTest and by the reports fuzz target.
TEST(PrintServerStateTest, IpScreenFollowsMethodAndAddressStatus) {
  const std::vector<std::tuple<std::string, AddressStatus, std::string>> variants = {
      {"DHCP", AddressStatus::Assigned, "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)"},
      {"STATIC", AddressStatus::Assigned, "IP Address 10.1.2.3 (set manually)"},
      {"BOOTP", AddressStatus::Assigned, "IP Address 10.1.2.3 (via BOOTP server 10.1.2.1)"},
      {"RARP", AddressStatus::Assigned, "IP Address 10.1.2.3 (via RARP server 10.1.2.1)"},
      {"AUTO", AddressStatus::Assigned, "IP Address 10.1.2.3"},
      {"STATIC", AddressStatus::Duplicate, "IP Address  # 10.1.2.3 (set manually)"},
  };
  for (const auto& [method, status, address] : variants) {
    PrintServerState device;
    device.Running().ipMethod = method;
    device.SetAddress(status);
    EXPECT_EQ(device.IpScreen(), (Lines{address, "Subnet Mask 255.255.255.0", "IP Gateway 10.1.2.1",
                                        "Boot Method " + method, "Host Name PS-0A1B2C"}));
  }
  PrintServerState searching;
  searching.Running().ipMethod = "AUTO";
  searching.SetAddress(AddressStatus::Searching);
  EXPECT_EQ(searching.IpScreen(),
            (Lines{"IP Address 0.0.0.0 (searching...)", "Subnet Mask 0.0.0.0", "IP Gateway 0.0.0.0",
                   "Boot Method AUTO", "Host Name PS-0A1B2C"}));
}

}  // namespace
}  // namespace pelmora
