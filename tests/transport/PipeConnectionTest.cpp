#include "pelmora/transport/PipeConnection.h"

#include <gtest/gtest.h>

#include "pelmora/platform/Apartment.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

// The session rules are the shared base's (TelnetConnectionTest, SerialConnectionTest); the
// device's drop is EmbeddedPrintServerTest's. Each piece is its own event, in a turn of the event
// loop of its own, even without a gap.
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

}  // namespace
}  // namespace pelmora
