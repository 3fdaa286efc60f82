#include "pelmora/reports/VersionInfo.h"

#include <gtest/gtest.h>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/reports/ReportRetrieval.h"
#include "reports/FakeCommandRoad.h"

namespace pelmora {
namespace {

// The parse is internal to the library, so screens reach it the way the device hands them over.
std::shared_ptr<VersionInfo> VersionFromAnswer(const std::string& answer) {
  test::FakeCommandRoad road;
  road.Answer("SH VERSION\r", answer);
  return ReportRetrieval::GetVersion(road);
}

TEST(VersionInfoTest, TakesTheFirstThreeLinesAndIgnoresTheRest) {
  auto version =
      VersionFromAnswer("Pelmora T2 Wireless Print Server\r\n6.02 (2006-03-14)\r\n1.10\r\nextra");
  EXPECT_EQ(version->ProductName(), "Pelmora T2 Wireless Print Server");
  EXPECT_EQ(version->FirmwareVersion(), "6.02 (2006-03-14)");
  EXPECT_EQ(version->BootVersion(), "1.10");
}

TEST(VersionInfoTest, FewerThanThreeLinesFailWithSubscriptOutOfRange) {
  for (const std::string answer :
       {"", "Pelmora T2", "Pelmora T2\r\n6.02", "Pelmora T2\r\n\r\n6.02"}) {
    try {
      VersionFromAnswer(answer);
      ADD_FAILURE() << "no error for " << answer;
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.Number(), 9) << answer;
      EXPECT_EQ(error.Description(), "Subscript out of range");
    }
  }
}

TEST(VersionInfoTest, ToStringShowsEachValueOnACrLfLine) {
  VersionInfo version;
  EXPECT_EQ(version.ToString(), "ProductName: \r\nFirmwareVersion: \r\nBootVersion: \r\n");
  version.SetProductName("T2");
  version.SetFirmwareVersion("6.02");
  version.SetBootVersion(" 1.10 ");
  EXPECT_EQ(version.ToString(),
            "ProductName: T2\r\nFirmwareVersion: 6.02\r\nBootVersion:  1.10 \r\n");
}

}  // namespace
}  // namespace pelmora
