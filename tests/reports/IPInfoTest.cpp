#include "pelmora/reports/IPInfo.h"

#include <gtest/gtest.h>

#include "pelmora/platform/AutomationError.h"
#include "reports/ScreenText.h"

namespace pelmora {
namespace {

using test::CrScreen;

struct IPScreenCase {
  const char* name;
  std::vector<std::string> lines;
  std::string ipAddress;
  std::string subnetMask;
  std::string defaultRouter;
  std::int32_t bootMethod;
  std::int32_t actual;
};

const std::vector<IPScreenCase> kScreens{
    {"example screen with a last line holding a blank",
     {"IP Address 10.1.2.3 (via DHCP server 10.1.2.1)", "Subnet Mask 255.255.255.0",
      "IP Gateway 10.1.2.1", "Boot Method DHCP", "Host Name PS-0A1B2C"},
     "10.1.2.3",
     "255.255.255.0",
     "10.1.2.1",
     Dhcp,
     Dhcp},
    {"last line without a blank leaves the method word empty",
     {"IP Address 10.1.2.3 (via DHCP)", "Subnet Mask 255.255.255.0", "IP Gateway 10.1.2.1",
      "Boot Method DHCP", "PS-0A1B2C"},
     "10.1.2.3",
     "255.255.255.0",
     "10.1.2.1",
     0,
     Dhcp},
    {"method line last",
     {"IP Address 10.1.2.3 (via DHCP)", "Subnet Mask 255.255.255.0", "IP Gateway 10.1.2.1",
      "Boot Method DHCP"},
     "10.1.2.3",
     "255.255.255.0",
     "10.1.2.1",
     0,
     Dhcp},
    {"duplicate address marked after two blanks",
     {"IP Address  # 192.168.0.50 (set manually)", "Subnet Mask 255.255.255.0",
      "IP Gateway 192.168.0.1", "Boot Method STATIC", "Host Name PS"},
     "192.168.0.50 (duplicate address!)",
     "255.255.255.0",
     "192.168.0.1",
     Static,
     Static},
    {"duplicate marker after one blank loses the address",
     {"IP Address # 192.168.0.50", "Subnet Mask 255.255.255.0", "IP Gateway 192.168.0.1",
      "Boot Method STATIC", "Host Name PS"},
     " (duplicate address!)",
     "255.255.255.0",
     "192.168.0.1",
     Static,
     0},
    {"upper-case screen gives lower-case values",
     {"IP ADDRESS 10.1.2.3 (VIA RARP)", "SUBNET MASK 255.255.0.0", "IP GATEWAY ROUTER.LAN",
      "BOOT METHOD RARP", "HOST NAME PS"},
     "10.1.2.3",
     "255.255.0.0",
     "router.lan",
     Rarp,
     Rarp},
    {"search order of the annotations beats their order in the text",
     {"IP Address 10.1.2.3 (set manually)", "Subnet Mask 255.0.0.0", "IP Gateway 10.0.0.1",
      "Boot Method BOOTP", "Note (via BOOTP server 10.0.0.9)", "Host Name PS"},
     "10.1.2.3",
     "255.0.0.0",
     "10.0.0.1",
     Bootp,
     Bootp},
    {"labels with a colon become the value",
     {"IP Address: 10.1.2.3", "Subnet Mask: 255.0.0.0", "IP Gateway: 10.0.0.1", "Boot Method: DHCP",
      "Host Name PS"},
     ":",
     ":",
     ":",
     0,
     0},
};

TEST(IPInfoTest, ParsesTheScreensOfTheTable) {
  for (const IPScreenCase& screen : kScreens) {
    for (bool endsInCR : {false, true}) {
      // A CR after the last line changes nothing: each value still needs a blank behind it.
      IPInfo info;
      info.Parse(CrScreen(screen.lines, endsInCR));
      SCOPED_TRACE(screen.name);
      EXPECT_EQ(info.IPAddress(), screen.ipAddress);
      EXPECT_EQ(info.SubnetMask(), screen.subnetMask);
      EXPECT_EQ(info.DefaultRouter(), screen.defaultRouter);
      EXPECT_EQ(info.BootMethod(), screen.bootMethod);
      EXPECT_EQ(info.ActualIPAssignment(), screen.actual);
    }
  }
}

TEST(IPInfoTest, MethodWordNeedsABlankInsideALaterLine) {
  const std::vector<std::string> head{"IP Address 10.1.2.3", "Subnet Mask 255.0.0.0",
                                      "IP Gateway 10.0.0.1", "Boot Method DHCP"};
  // Blanks at the very end are trimmed away with the rest of the value's text.
  for (const auto& [lastLine, expected] :
       std::vector<std::pair<std::string, std::int32_t>>{{" ", 0}, {"x  ", 0}, {"x y", Dhcp}}) {
    std::vector<std::string> lines = head;
    lines.push_back(lastLine);
    IPInfo info;
    info.Parse(CrScreen(lines));
    EXPECT_EQ(info.BootMethod(), expected) << "last line '" << lastLine << "'";
  }
}

TEST(IPInfoTest, MissingKeyFailsAfterTheEarlierFieldsWereSet) {
  const std::vector<std::string> lines{"IP Address 10.1.2.3 (via DHCP)", "IP Gateway 10.1.2.1",
                                       "Boot Method DHCP", "Host Name PS"};
  IPInfo info;
  info.SetDefaultRouter("old router");
  try {
    info.Parse(CrScreen(lines));
    FAIL() << "no error without a subnet mask";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Number(), 5);
    EXPECT_EQ(error.Source(), "IPInfo.Parse");
  }
  EXPECT_EQ(info.IPAddress(), "10.1.2.3");
  EXPECT_EQ(info.DefaultRouter(), "old router");
  EXPECT_EQ(info.BootMethod(), 0);
  EXPECT_EQ(info.ActualIPAssignment(), 0);
}

TEST(IPInfoTest, ParseKeepsTheCodesItDoesNotRecognise) {
  IPInfo info;
  info.SetBootMethod(static_cast<IPAssignmentMethod>(77));
  info.Parse(CrScreen({"IP Address 10.1.2.3 (via RARP)", "Subnet Mask 255.0.0.0",
                       "IP Gateway 10.0.0.1", "Boot Method DHCP,BOOTP", "Host Name PS"}));
  EXPECT_EQ(info.BootMethod(), 77);
  EXPECT_EQ(info.ActualIPAssignment(), Rarp);

  // No annotation and an empty word: the codes stay, the texts are overwritten.
  info.Parse(CrScreen({"IP Address 10.9.9.9", "Subnet Mask", "IP Gateway 10.0.0.1", "Boot Method",
                       "Host Name PS"}));
  EXPECT_EQ(info.IPAddress(), "10.9.9.9");
  EXPECT_EQ(info.SubnetMask(), "");
  EXPECT_EQ(info.BootMethod(), 77);
  EXPECT_EQ(info.ActualIPAssignment(), Rarp);
}

TEST(IPInfoTest, ToStringListsAddressRouterMaskAndMethod) {
  IPInfo info;
  EXPECT_EQ(info.ToString(), "IPAddress: \r\nDefaultRouter: \r\nSubnetMask: \r\nBootMethod: 0\r\n");
  info.SetIPAddress("10.1.2.3");
  info.SetSubnetMask("255.0.0.0");
  info.SetDefaultRouter("10.0.0.1");
  info.SetBootMethod(static_cast<IPAssignmentMethod>(-3));
  EXPECT_EQ(info.ToString(),
            "IPAddress: 10.1.2.3\r\nDefaultRouter: 10.0.0.1\r\nSubnetMask: 255.0.0.0\r\n"
            "BootMethod: -3\r\n");
}

}  // namespace
}  // namespace pelmora
