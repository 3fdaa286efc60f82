#include "pelmora/simulator/PrintServerState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

using Lines = std::vector<std::string>;
using AddressStatus = PrintServerState::AddressStatus;

TEST(PrintServerStateTest, DefaultScreens) {
  const PrintServerState device;
  EXPECT_EQ(device.VersionScreen(),
            (Lines{"Pelmora T2 Wireless Print Server", "6.02 (2006-03-14)", "1.10"}));
  EXPECT_EQ(device.IpScreen(),
            (Lines{"IP Address 10.1.2.3 (via DHCP server 10.1.2.1)", "Subnet Mask 255.255.255.0",
                   "IP Gateway 10.1.2.1", "Boot Method DHCP", "Host Name PS-0A1B2C"}));
  EXPECT_EQ(device.StatsScreen(), (Lines{"TX Frames: 10234", "RX Frames: 20411",
                                         "RX Discards WEP undecr: 17", "RX Discards other: 3"}));
  EXPECT_EQ(device.ExponentLine(), "65537 (0x10001)");
  EXPECT_EQ(device.BssidLine(), "Wifi BSSID: none");
}

TEST(PrintServerStateTest, WirelessScreenMasksSetKeysAndEndsWithTheEapState) {
  PrintServerState device;
  device.Running().encryption = "128";
  device.Running().wepKeys[0] = "00112233445566778899AABBCC";
  device.Running().wepKeys[2] = "CCBBAA99887766554433221100";
  const std::string stars(26, '*');
  EXPECT_EQ(device.WirelessScreen(),
            (Lines{"WiFi SSID: PrintNet", "Wifi mode = Infrastructure", "Channel: 6",
                   "Regulatory Domain = FCC", "WiFi FW Ver = 1.7.4",
                   "WiFi Encryption is WEP 128 bit encryption", "WEP Key #1: " + stars,
                   "WEP Key #2: ", "WEP Key #3: " + stars, "WEP Key #4: ",
                   "AP MAC Address = 00:11:22:33:44:55", "EAP state is Authenticated"}));
}

TEST(PrintServerStateTest, WirelessScreenVariants) {
  PrintServerState device;
  device.Running().encryption = "DYNAMIC";
  device.SetEapState("");
  const Lines screen = device.WirelessScreen();
  ASSERT_GE(screen.size(), 7u);
  EXPECT_EQ(screen[5], "WiFi Encryption is Dynamic WEP");
  EXPECT_EQ(screen[6], "Dynamic WEP Keys are in use");
  EXPECT_EQ(screen.back(), "EAP state is ");

  device.SetEapState("Connecting");
  EXPECT_EQ(device.WirelessScreen().back(), "EAP state is Connecting");
}

struct IpVariant {
  std::string method;
  AddressStatus status;
  Lines screen;
};

TEST(PrintServerStateTest, IpScreenFollowsMethodAndAddressStatus) {
  const std::string mask = "Subnet Mask 255.255.255.0";
  const std::string gateway = "IP Gateway 10.1.2.1";
  const std::string host = "Host Name PS-0A1B2C";
  const std::vector<IpVariant> variants = {
      {"STATIC",
       AddressStatus::Assigned,
       {"IP Address 10.1.2.3 (set manually)", mask, gateway, "Boot Method STATIC", host}},
      {"BOOTP",
       AddressStatus::Assigned,
       {"IP Address 10.1.2.3 (via BOOTP server 10.1.2.1)", mask, gateway, "Boot Method BOOTP",
        host}},
      {"RARP",
       AddressStatus::Assigned,
       {"IP Address 10.1.2.3 (via RARP server 10.1.2.1)", mask, gateway, "Boot Method RARP", host}},
      {"AUTO",
       AddressStatus::Assigned,
       {"IP Address 10.1.2.3", mask, gateway, "Boot Method AUTO", host}},
      {"AUTO",
       AddressStatus::Searching,
       {"IP Address 0.0.0.0 (searching...)", "Subnet Mask 0.0.0.0", "IP Gateway 0.0.0.0",
        "Boot Method AUTO", host}},
      {"STATIC",
       AddressStatus::Duplicate,
       {"IP Address  # 10.1.2.3 (set manually)", mask, gateway, "Boot Method STATIC", host}},
  };
  for (const IpVariant& variant : variants) {
    PrintServerState device;
    device.Running().ipMethod = variant.method;
    device.SetAddress(variant.status);
    EXPECT_EQ(device.IpScreen(), variant.screen) << variant.method;
  }
}

TEST(PrintServerStateTest, SessionsShareOnlyTheSavedConfiguration) {
  PrintServerState first;
  first.SetShellPassword("pw");
  first.Fixed().hostName = "PS-123456";
  first.Running().ssid = "Running";
  const auto second = first.NewSession();

  EXPECT_EQ(second->Saved(), first.Saved());
  EXPECT_EQ(second->ShellPassword(), std::optional<std::string>("pw"));
  EXPECT_EQ(second->Fixed().hostName, "PS-123456");
  EXPECT_EQ(second->Running().ssid, "PrintNet");

  first.Save();
  EXPECT_EQ(second->Running().ssid, "PrintNet");
  second->Running().channel = 1;
  second->Restore();
  EXPECT_EQ(second->Running().ssid, "Running");
  EXPECT_EQ(second->Running().channel, 6);
}

}  // namespace
}  // namespace pelmora
