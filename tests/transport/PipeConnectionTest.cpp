#include "pelmora/transport/PipeConnection.h"

#include <gtest/gtest.h>

#include "pelmora/components/ConnectionLibrary.h"
#include "support/PumpUntil.h"

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
  std::string received;
  ASSERT_TRUE(testing::PumpUntil([&] {
    received += pipe.ReadText();
    return received.size() >= 15;
  }));
  EXPECT_EQ(received, "SH NW\r\r\nLocal> ");
  EXPECT_EQ(chunks, 4);
  EXPECT_EQ(pipe.Sent(), "SH NW\r");
}

TEST(PipeConnectionTest, SessionOutlivesLogicalClosesUntilTeardown) {
  auto pipe = std::make_shared<PipeConnection>();
  pipe->SetIsOpen(true);
  pipe->SetIsOpen(false);
  pipe->SetIsOpen(true);
  EXPECT_EQ(pipe->SessionsOpened(), 1);
  ConnectionLibrary::TeardownConnection(pipe);
  EXPECT_FALSE(pipe->SessionActive());
  pipe->SetIsOpen(true);
  EXPECT_EQ(pipe->SessionsOpened(), 2);
}

TEST(PipeConnectionTest, DroppedSessionMakesTheNextPollRaiseAndANewOpenRecovers) {
  PipeConnection pipe;
  pipe.SetIsOpen(true);
  pipe.PeerDrop();
  bool raised = false;
  testing::PumpUntil([&] {
    try {
      pipe.Poll();
    } catch (const AutomationError& e) {
      raised = e.Number() == 3004 && e.Source() == "Connection";
      return true;
    }
    return false;
  });
  EXPECT_TRUE(raised);
  EXPECT_THROW(pipe.SendText("x", nullptr), AutomationError);
  pipe.SetIsOpen(false);
  pipe.SetIsOpen(true);
  EXPECT_NO_THROW(pipe.SendText("x", nullptr));
  EXPECT_NO_THROW(pipe.Poll());
}

}  // namespace
}  // namespace pelmora
