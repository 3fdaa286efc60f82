#include "pelmora/reports/IPInfo.h"

#include <gtest/gtest.h>

#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

const std::string kExampleHead =
    "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)\rSubnet Mask 255.255.255.0\r"
    "IP Gateway 10.1.2.1\rBoot Method DHCP";

TEST(IPInfoTest, ParsesTheScreensOfTheTable) {
  struct Case {
    std::string screen;
    std::string ipAddress, subnetMask, defaultRouter;
    std::int32_t bootMethod, actual;
  };
  const std::vector<Case> cases{
      {kExampleHead + "\rHost Name PS-0A1B2C", "10.1.2.3", "255.255.255.0", "10.1.2.1", Dhcp, Dhcp},
      // A value needs a blank and then a CR behind it: the last line gives no word.
      {kExampleHead, "10.1.2.3", "255.255.255.0", "10.1.2.1", 0, Dhcp},
      {"IP Address  # 192.168.0.50 (set manually)\rSubnet Mask 255.255.255.0\r"
       "IP Gateway 192.168.0.1\rBoot Method STATIC\rHost Name PS",
       "192.168.0.50 (duplicate address!)", "255.255.255.0", "192.168.0.1", Static, Static},
      {"IP Address # 192.168.0.50\rSubnet Mask 255.255.255.0\rIP Gateway 192.168.0.1\r"
       "Boot Method STATIC\rHost Name PS",
       " (duplicate address!)", "255.255.255.0", "192.168.0.1", Static, 0},
      {"IP ADDRESS 10.1.2.3 (VIA RARP)\rSUBNET MASK 255.255.0.0\rIP GATEWAY ROUTER.LAN\r"
       "BOOT METHOD RARP\rHOST NAME PS",
       "10.1.2.3", "255.255.0.0", "router.lan", Rarp, Rarp},
      // The annotations' own order decides, not their order in the text.
      {"IP Address 10.1.2.3 (set manually)\rSubnet Mask 255.0.0.0\rIP Gateway 10.0.0.1\r"
       "Boot Method BOOTP\rNote (via BOOTP server 10.0.0.9)\rHost Name PS",
       "10.1.2.3", "255.0.0.0", "10.0.0.1", Bootp, Bootp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    IPInfo info;
    info.Parse(c.screen);
    EXPECT_EQ(info.IPAddress(), c.ipAddress);
    EXPECT_EQ(info.SubnetMask(), c.subnetMask);
    EXPECT_EQ(info.DefaultRouter(), c.defaultRouter);
    EXPECT_EQ(info.BootMethod(), c.bootMethod);
    EXPECT_EQ(info.ActualIPAssignment(), c.actual);
  }
}

TEST(IPInfoTest, MissingKeyFailsAfterTheEarlierFieldsWereSet) {
  IPInfo info;
  info.SetDefaultRouter("old router");
  const AutomationError error = CatchError([&] {
    info.Parse("IP Address 10.1.2.3 (via DHCP)\rIP Gateway 10.1.2.1\rBoot Method DHCP\rHost x");
  });
  EXPECT_EQ(error.Number(), 5);
  EXPECT_EQ(error.Source(), "IPInfo.Parse");
  EXPECT_EQ(info.IPAddress(), "10.1.2.3");
  EXPECT_EQ(info.DefaultRouter(), "old router");
  EXPECT_EQ(info.ActualIPAssignment(), 0);
}

TEST(IPInfoTest, ParseKeepsTheCodesItDoesNotRecognise) {
  IPInfo info;
  info.SetBootMethod(static_cast<IPAssignmentMethod>(77));
  info.Parse(kExampleHead + ",BOOTP\rHost Name PS");
  EXPECT_EQ(info.BootMethod(), 77);
  // No annotation and an empty word: the codes stay, the texts are overwritten.
  info.Parse("IP Address 10.9.9.9\rSubnet Mask\rIP Gateway 10.0.0.1\rBoot Method\rHost Name PS");
  EXPECT_EQ(info.IPAddress(), "10.9.9.9");
  EXPECT_EQ(info.SubnetMask(), "");
  EXPECT_EQ(info.BootMethod(), 77);
  EXPECT_EQ(info.ActualIPAssignment(), Dhcp);
  // A search in progress is an annotation of its own: it resets what an earlier screen said.
  info.Parse(
      "IP Address 0.0.0.0 (searching...)\rSubnet Mask 0.0.0.0\rIP Gateway 0.0.0.0\r"
      "Boot Method AUTO\rHost Name PS");
  EXPECT_EQ(info.ActualIPAssignment(), 0);
  EXPECT_EQ(info.BootMethod(), Auto);
}

// A parsed report's text is the tool's exact "show ip" output (CommandsTest).
TEST(IPInfoTest, ToStringOfANewReportListsEmptyValuesAndMethodZero) {
  EXPECT_EQ(IPInfo().ToString(),
            "IPAddress: \r\nDefaultRouter: \r\nSubnetMask: \r\nBootMethod: 0\r\n");
}

}  // namespace
}  // namespace pelmora
