#include "pelmora/fleet/Shard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace pelmora {
namespace {

TEST(Shard, SharesOfEveryCountHoldEachHostExactlyOnceAndOnlyKOverNIsTaken) {
  for (std::uint32_t count = 1; count <= 9; ++count) {
    std::vector<int> holders(200, 0);
    for (std::uint32_t k = 1; k <= count; ++k) {
      const Shard shard = Shard::Parse(std::to_string(k) + "/" + std::to_string(count));
      for (int i = 0; i < 200; ++i) holders[i] += shard.Holds("printer-" + std::to_string(i));
    }
    for (int i = 0; i < 200; ++i) EXPECT_EQ(holders[i], 1) << i << " in " << count << " shares";
  }
  // Hosts spread over the shares instead of piling into one.
  int inFirst = 0;
  for (int i = 0; i < 200; ++i) inFirst += Shard(1, 4).Holds("printer-" + std::to_string(i));
  EXPECT_GT(inFirst, 25);
  EXPECT_LT(inFirst, 75);
  for (const char* bad : {"", "1", "0/3", "4/3", "1/0", "a/3", "1/3x", "-1/3", "1//3", " 1/3"}) {
    EXPECT_THROW(Shard::Parse(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
}  // namespace pelmora
