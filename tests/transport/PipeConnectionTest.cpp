#include "pelmora/transport/PipeConnection.h"

#include <gtest/gtest.h>

#include "pelmora/components/ConnectionLibrary.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

TEST(PipeConnectionTest, PeerAnswersArriveAsynchronouslyInChosenChunks) {
  PipeConnection pipe;
  pipe.SetPeer([&](std::string_view bytes) { pipe.PeerWrite(std::string(bytes) + "\r\nLocal> "); });
  pipe.SetDelivery(milliseconds(0), 4, milliseconds(1));
  int chunks = 0;
  auto token = pipe.OnReceive.Subscribe([&] { ++chunks; });
  pipe.SetIsOpen(true);
  pipe.SendText("SH NW\r", nullptr);
  EXPECT_EQ(pipe.PendingCount(), 0U);
  EXPECT_EQ(testing::ReceiveText(pipe, 15), "SH NW\r\r\nLocal> ");
  EXPECT_EQ(chunks, 4);
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
