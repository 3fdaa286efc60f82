// A connection whose owner does not read keeps at most Connection::kMaxPending received bytes:
// the newest, the oldest dropped. A device that streams while nobody reads cannot grow memory
// without bound.
#include <gtest/gtest.h>

#include <string>

#include "pelmora/transport/PipeConnection.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

TEST(UnreadBytesLimitTest, UnreadBytesBeyondTheLimitDropTheOldest) {
  PipeConnection pipe;
  pipe.SetIsOpen(true);
  std::size_t deliveries = 0;
  auto token = pipe.OnReceive.Subscribe([&] { ++deliveries; });
  // Three chunks that nobody reads: 3 MiB, 2 MiB, then a short marked tail.
  const std::string first(3 << 20, 'a');
  const std::string second(2 << 20, 'b');
  pipe.PeerWrite(first);
  pipe.PeerWrite(second);
  pipe.PeerWrite("newest");
  ASSERT_TRUE(testing::PumpUntil([&] { return deliveries == 3; }));

  ASSERT_EQ(pipe.PendingCount(), Connection::kMaxPending);
  const std::string kept = pipe.ReadText();
  ASSERT_EQ(kept.size(), Connection::kMaxPending);
  // Kept: the end of the first chunk, all of the second, the tail.
  const std::size_t ofFirst = Connection::kMaxPending - second.size() - 6;
  EXPECT_EQ(kept.find_first_not_of('a'), ofFirst);
  EXPECT_EQ(kept.substr(ofFirst, second.size()), second);
  EXPECT_EQ(kept.substr(kept.size() - 6), "newest");
  EXPECT_EQ(pipe.PendingCount(), 0U);
}

}  // namespace
}  // namespace pelmora
