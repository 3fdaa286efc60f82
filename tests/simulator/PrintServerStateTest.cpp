#include "pelmora/simulator/PrintServerState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

using Lines = std::vector<std::string>;
using AddressStatus = PrintServerState::AddressStatus;

// The default screens are the tool's exact "show" output; the wireless screen in its other forms
// is read back by RoundTripTest and by the reports fuzz target.
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
