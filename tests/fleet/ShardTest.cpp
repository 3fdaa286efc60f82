#include "pelmora/fleet/Shard.h"

#include <gtest/gtest.h>

#include <array>
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
  for (const char* bad : {"", "1", "0/3", "4/3", "1/0", "a/3", "1/3x", "-1/3", "1//3", " 1/3"})
    EXPECT_THROW(Shard::Parse(bad), std::invalid_argument) << bad;
}

// A host's share is promised to stay the same across machines and releases: these are pinned.
TEST(Shard, EachNameFallsIntoItsFixedShareOfTwoThreeAndSeven) {
  const std::vector<std::pair<std::string, std::array<std::uint32_t, 3>>> table{
      {"lobby", {2, 2, 6}},         {"floor1-east", {1, 2, 6}},
      {"floor1-west", {1, 3, 7}},   {"sim-01", {1, 2, 5}},
      {"sim-02", {2, 2, 7}},        {"sim-10", {1, 3, 3}},
      {"print.example", {1, 1, 7}}, {"a", {1, 2, 6}}};
  for (const auto& [name, shares] : table) {
    const std::array<std::uint32_t, 3> counts{2, 3, 7};
    for (std::size_t i = 0; i < counts.size(); ++i) {
      for (std::uint32_t k = 1; k <= counts[i]; ++k) {
        EXPECT_EQ(Shard(k, counts[i]).Holds(name), k == shares[i])
            << name << " in " << k << "/" << counts[i];
      }
    }
  }
}

}  // namespace
}  // namespace pelmora
