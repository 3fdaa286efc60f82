#include "pelmora/transport/PipeConnection.h"

#include <gtest/gtest.h>

#include "pelmora/components/ConnectionLibrary.h"
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

TEST(PipeConnectionTest, SessionOutlivesLogicalClosesUntilTeardownOrADrop) {
  auto pipe = std::make_shared<PipeConnection>();
  pipe->SetIsOpen(true);
  pipe->SetIsOpen(false);
  pipe->SetIsOpen(true);
  EXPECT_EQ(pipe->SessionsOpened(), 1);
  ConnectionLibrary::TeardownConnection(pipe);
  EXPECT_FALSE(pipe->SessionActive());
  pipe->SetIsOpen(true);
  EXPECT_EQ(pipe->SessionsOpened(), 2);

  // A dropped session makes the next Poll raise; a new open recovers.
  pipe->PeerDrop();
  const AutomationError dropped = testing::LostSessionError(*pipe);
  EXPECT_EQ(dropped.Number(), 3004);
  EXPECT_EQ(dropped.Source(), "Connection");
  EXPECT_THROW(pipe->SendText("x", nullptr), AutomationError);
  pipe->SetIsOpen(false);
  pipe->SetIsOpen(true);
  EXPECT_EQ(pipe->SessionsOpened(), 3);
  EXPECT_NO_THROW(pipe->SendText("x", nullptr));
  EXPECT_NO_THROW(pipe->Poll());
}

}  // namespace
}  // namespace pelmora
