#include "pelmora/transport/PipeConnection.h"

#include <gtest/gtest.h>

#include "pelmora/platform/Apartment.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

// Each piece is its own event, in a turn of the event loop of its own, even without a gap.
TEST(PipeConnectionTest, PeerAnswersArriveAsynchronouslyInChosenChunks) {
  PipeConnection pipe;
  pipe.SetPeer([&](std::string_view bytes) { pipe.PeerWrite(std::string(bytes) + "\r\nLocal> "); });
  pipe.SetDelivery(milliseconds(0), 4, milliseconds(0));
  std::vector<std::string> pieces;
  auto token = pipe.OnReceive.Subscribe([&] { pieces.push_back(pipe.ReadText()); });
  pipe.SetIsOpen(true);
  Apartment::Current().PumpReady();  // nothing left over from before
  pipe.SendText("SH NW\r", nullptr);
  EXPECT_TRUE(pieces.empty());
  Apartment::Current().Context().run_one();
  EXPECT_EQ(pieces.size(), 1U);
  ASSERT_TRUE(testing::PumpUntil([&] { return pieces.size() == 4; }));
  EXPECT_EQ(pieces, (std::vector<std::string>{"SH N", "W\r\r\n", "Loca", "l> "}));
  EXPECT_EQ(pipe.Sent(), "SH NW\r");
}

// A device that streams while nobody reads cannot grow memory without bound.
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
