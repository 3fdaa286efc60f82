#include "pelmora/reports/IPInfo.h"

#include <gtest/gtest.h>

#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

const std::string kExampleHead =
    "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)\rSubnet Mask 255.255.255.0\r"
    "IP Gateway 10.1.2.1\rBoot Method DHCP";

// "address|mask|router|boot method|actual assignment".
std::string Fields(const IPInfo& info) {
  return info.IPAddress() + "|" + info.SubnetMask() + "|" + info.DefaultRouter() + "|" +
         std::to_string(info.BootMethod()) + "|" + std::to_string(info.ActualIPAssignment());
}

TEST(IPInfoTest, ParsesTheScreensOfTheTable) {
  const std::string mask = "\rSubnet Mask 255.255.255.0\rIP Gateway 192.168.0.1\rBoot Method ";
  const std::vector<std::pair<std::string, std::string>> cases{
      // A value needs a blank and a CR behind it: the last line gives no word, blanks or not.
      {kExampleHead, "10.1.2.3|255.255.255.0|10.1.2.1|0|2"},
      {"IP Address 10.1.2.3 (set manually)\rSubnet Mask 255.0.0.0\rIP Gateway 10.0.0.1\r"
       "Boot Method STATIC now",
       "10.1.2.3|255.0.0.0|10.0.0.1|0|1"},
      {"IP Address  # 192.168.0.50 (set manually)" + mask + "STATIC\rHost Name PS",
       "192.168.0.50 (duplicate address!)|255.255.255.0|192.168.0.1|1|1"},
      {"IP Address # 192.168.0.50" + mask + "STATIC\rHost Name PS",
       " (duplicate address!)|255.255.255.0|192.168.0.1|1|0"},
      {"IP ADDRESS 10.1.2.3 (VIA RARP)\rSUBNET MASK 255.255.0.0\rIP GATEWAY ROUTER.LAN\r"
       "BOOT METHOD RARP\rHOST NAME PS",
       "10.1.2.3|255.255.0.0|router.lan|4|4"},
      // The annotations' own order decides, not their order in the text.
      {"IP Address 10.1.2.3 (set manually)\rSubnet Mask 255.0.0.0\rIP Gateway 10.0.0.1\r"
       "Boot Method BOOTP\rNote (via BOOTP server 10.0.0.9)\rHost Name PS",
       "10.1.2.3|255.0.0.0|10.0.0.1|3|3"},
  };
  for (const auto& [screen, fields] : cases) {
    IPInfo info;
    info.Parse(screen);
    EXPECT_EQ(Fields(info), fields) << screen;
  }
}

TEST(IPInfoTest, MissingKeyFailsAfterTheEarlierFieldsWereSet) {
  IPInfo info;
  info.SetDefaultRouter("old router");
  const char* noMask =
      "IP Address 10.1.2.3 (via DHCP)\rIP Gateway 10.1.2.1\rBoot Method DHCP\rHost x";
  EXPECT_EQ(CatchError([&] { info.Parse(noMask); }).Number(), 5);  // source: ReportRetrievalTest
  EXPECT_EQ(Fields(info), "10.1.2.3||old router|0|0");
}

TEST(IPInfoTest, ParseKeepsTheCodesItDoesNotRecognise) {
  IPInfo info;
  info.SetBootMethod(static_cast<IPAssignmentMethod>(77));
  info.Parse(kExampleHead + ",BOOTP\rHost Name PS");
  EXPECT_EQ(info.BootMethod(), 77);
  // No annotation and an empty word: the codes stay, the texts are overwritten.
  info.Parse("IP Address 10.9.9.9\rSubnet Mask\rIP Gateway 10.0.0.1\rBoot Method\rHost Name PS");
  EXPECT_EQ(Fields(info), "10.9.9.9||10.0.0.1|77|2");
  // A search in progress is an annotation of its own: it resets what an earlier screen said.
  info.Parse(
      "IP Address 0.0.0.0 (searching...)\rSubnet Mask 0.0.0.0\rIP Gateway 0.0.0.0\r"
      "Boot Method AUTO\rHost Name PS");
  EXPECT_EQ(Fields(info), "0.0.0.0|0.0.0.0|0.0.0.0|5|0");
}

}  // namespace
}  // namespace pelmora
