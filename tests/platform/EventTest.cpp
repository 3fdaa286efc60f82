#include "pelmora/platform/Event.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pelmora {
namespace {

TEST(EventTest, TokenDestructionUnsubscribesAndThrowingHandlersAreDropped) {
  Event<int> event;
  int sum = 0;
  auto thrower = event.Subscribe([](int) { throw std::runtime_error("client fault"); });
  {
    auto adder = event.Subscribe([&](int v) { sum += v; });
    EXPECT_NO_THROW(event.Raise(2));
    EXPECT_EQ(sum, 2);
  }
  event.Raise(5);
  EXPECT_EQ(sum, 2);
}

TEST(EventTest, HandlerMayUnsubscribeAnotherDuringRaise) {
  Event<> event;
  int secondCalls = 0;
  Event<>::Subscription second;
  auto first = event.Subscribe([&] { second.Reset(); });
  second = event.Subscribe([&] { ++secondCalls; });
  event.Raise();
  EXPECT_EQ(secondCalls, 0);
}

}  // namespace
}  // namespace pelmora
