#include "pelmora/simulator/DeliveryPlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

using Pieces = std::vector<std::string>;

TEST(DeliveryPlanTest, SplitCutsBySizeAndAtOffsets) {
  const std::string chunk = "SH NW CH\r\nChannel: 6\r\nLocal> ";
  DeliveryPlan plan;
  EXPECT_EQ(plan.Split(chunk), Pieces{chunk});
  EXPECT_TRUE(plan.Split("").empty());

  plan.cutsAt = {5, 10, 0, 500};  // incomplete echo, echo complete, rest; 0 and 500 are outside
  EXPECT_EQ(plan.Split(chunk), (Pieces{"SH NW", " CH\r\n", "Channel: 6\r\nLocal> "}));

  plan.cutsAt.clear();
  plan.pieceSize = 8;
  EXPECT_EQ(plan.Split(chunk), (Pieces{"SH NW CH", "\r\nChanne", "l: 6\r\nLo", "cal> "}));

  plan.cutsAt = {10};
  EXPECT_EQ(plan.Split(chunk), (Pieces{"SH NW CH", "\r\n", "Channe", "l: 6\r\nLo", "cal> "}));
}

}  // namespace
}  // namespace pelmora
