// How a command waits: asleep until an event or its time limit, woken from outside by posted
// work, and safe to tear down after the thread it waited on has ended.
#include <gtest/gtest.h>

#include <thread>

#include "pelmora/platform/Apartment.h"
#include "protocol/ProtocolHarness.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using Clock = Apartment::Clock;
using std::chrono::milliseconds;
using testing::CatchError;
using testing::ProtocolHarness;

TEST(CommandWaitTest, AbortPostedFromAnotherThreadEndsTheWaitAtOnce) {
  ProtocolHarness h;
  const auto apartment = Apartment::Shared();
  std::thread requester([apartment, handler = h.handler] {
    std::this_thread::sleep_for(milliseconds(30));
    apartment->Post([handler] { handler->Abort(); });
  });
  const auto start = Clock::now();
  const auto error = CatchError([&] { h.Run("SH A\r", 20000); });
  requester.join();
  EXPECT_EQ(error.Number(), 113);
  EXPECT_LT(Clock::now() - start, milliseconds(10000));
  EXPECT_LE(h.passes, 3);
}

// A command run from an event handler inside another command's wait sleeps as well (a wait that
// woke on a slice would take a pass per slice), after the outer command's limit has passed too;
// the outer one notices its limit when the inner returns.
TEST(CommandWaitTest, NestedWaitSleepsPastTheOuterLimit) {
  ProtocolHarness outer;
  ProtocolHarness inner;
  std::int32_t innerError = 0;
  outer.duringWait = [&] {
    if (innerError == 0) innerError = CatchError([&] { inner.Run("SH B\r", 300); }).Number();
  };
  EXPECT_EQ(CatchError([&] { outer.Run("SH A\r", 50); }).Number(), 120);
  EXPECT_EQ(innerError, 120);
  EXPECT_LE(inner.passes, 5);
}

// Armed timers and a pending delivery are cancelled on the event loop of a thread that has
// ended; the loop stays until the last of them has gone, and no longer. Each object gets a
// thread of its own, so that it alone keeps that thread's loop.
TEST(CommandWaitTest, HandlerAndConnectionOutliveTheThreadThatCreatedThem) {
  std::weak_ptr<Apartment> handlersLoop;
  std::weak_ptr<Apartment> pipesLoop;
  std::shared_ptr<ProtocolHandler> handler;
  std::shared_ptr<PipeConnection> pipe;
  std::thread([&] {
    handlersLoop = Apartment::Shared();
    handler = std::make_shared<ProtocolHandler>();
    handler->ReceiveBytes(TextBytes::ToBytes("stray"));
  }).join();
  std::thread([&] {
    pipesLoop = Apartment::Shared();
    pipe = std::make_shared<PipeConnection>();
    pipe->SetIsOpen(true);
    pipe->SetDelivery(milliseconds(60000), 0, milliseconds(0));
    pipe->PeerWrite("late");
  }).join();
  EXPECT_FALSE(handlersLoop.expired() || pipesLoop.expired());
  handler.reset();
  pipe.reset();
  EXPECT_TRUE(handlersLoop.expired() && pipesLoop.expired());
}

}  // namespace
}  // namespace pelmora
