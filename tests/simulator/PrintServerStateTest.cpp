#include "pelmora/simulator/PrintServerState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

using Lines = std::vector<std::string>;
using AddressStatus = PrintServerState::AddressStatus;

TEST(PrintServerStateTest, WirelessScreenFollowsEncryptionKeysAndEapState) {
  PrintServerState device;
  device.Running().encryption = "128";
  device.Running().wepKeys[0] = "00112233445566778899AABBCC";
  device.Running().wepKeys[2] = "CCBBAA99887766554433221100";
  const std::string stars(26, '*');
  Lines screen = device.WirelessScreen();
  EXPECT_EQ(Lines(screen.begin() + 5, screen.end()),
            (Lines{"WiFi Encryption is WEP 128 bit encryption", "WEP Key #1: " + stars,
                   "WEP Key #2: ", "WEP Key #3: " + stars, "WEP Key #4: ",
                   "AP MAC Address = 00:11:22:33:44:55", "EAP state is Authenticated"}));

  // Dynamic WEP: the line behind the encryption says so; an empty EAP state keeps its blank.
  device.Running().encryption = "DYNAMIC";
  device.SetEapState("");
  screen = device.WirelessScreen();
  EXPECT_EQ(Lines(screen.begin() + 5, screen.begin() + 7),
            (Lines{"WiFi Encryption is Dynamic WEP", "Dynamic WEP Keys are in use"}));
  EXPECT_EQ(screen.back(), "EAP state is ");
}

TEST(PrintServerStateTest, IpScreenFollowsMethodAndAddressStatus) {
  struct IpVariant {
    std::string method;
    AddressStatus status;
    std::string address;
  };
  const std::vector<IpVariant> variants = {
      {"DHCP", AddressStatus::Assigned, "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)"},
      {"STATIC", AddressStatus::Assigned, "IP Address 10.1.2.3 (set manually)"},
      {"BOOTP", AddressStatus::Assigned, "IP Address 10.1.2.3 (via BOOTP server 10.1.2.1)"},
      {"RARP", AddressStatus::Assigned, "IP Address 10.1.2.3 (via RARP server 10.1.2.1)"},
      {"AUTO", AddressStatus::Assigned, "IP Address 10.1.2.3"},
      {"STATIC", AddressStatus::Duplicate, "IP Address  # 10.1.2.3 (set manually)"},
  };
  for (const IpVariant& variant : variants) {
    PrintServerState device;
    device.Running().ipMethod = variant.method;
    device.SetAddress(variant.status);
    EXPECT_EQ(device.IpScreen(),
              (Lines{variant.address, "Subnet Mask 255.255.255.0", "IP Gateway 10.1.2.1",
                     "Boot Method " + variant.method, "Host Name PS-0A1B2C"}));
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
