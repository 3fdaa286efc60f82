#include "pelmora/reports/VersionInfo.h"

#include <gtest/gtest.h>

#include "device/FakeRoad.h"
#include "pelmora/reports/ReportRetrieval.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

// The parse is internal to the library, so screens reach it the way the device hands them over.
std::shared_ptr<VersionInfo> VersionFromAnswer(const std::string& answer) {
  FakeRoad road;
  road.otherwise = answer;
  return ReportRetrieval::GetVersion(road);
}

TEST(VersionInfoTest, TakesTheFirstThreeLinesAndNeedsAllThree) {
  auto version = VersionFromAnswer("Pelmora T2\r\n6.02 (2006-03-14)\r\n1.10\r\nextra");
  EXPECT_EQ(version->ProductName(), "Pelmora T2");
  EXPECT_EQ(version->FirmwareVersion(), "6.02 (2006-03-14)");
  EXPECT_EQ(version->BootVersion(), "1.10");
  for (const char* answer : {"", "Pelmora T2", "Pelmora T2\r\n\r\n6.02"}) {
    const AutomationError error = CatchError([&] { VersionFromAnswer(answer); });
    EXPECT_EQ(error.Number(), 9) << answer;
    EXPECT_EQ(error.Description(), "Subscript out of range");
  }
}

TEST(VersionInfoTest, ToStringShowsEachValueOnACrLfLine) {
  EXPECT_EQ(VersionInfo().ToString(), "ProductName: \r\nFirmwareVersion: \r\nBootVersion: \r\n");
  EXPECT_EQ(VersionFromAnswer("T2\r6.02\r 1.10 ")->ToString(),
            "ProductName: T2\r\nFirmwareVersion: 6.02\r\nBootVersion:  1.10 \r\n");
}

}  // namespace
}  // namespace pelmora
