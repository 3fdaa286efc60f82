#include "pelmora/platform/Event.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pelmora {
namespace {

TEST(EventTest, UnsubscribedHandlersAreNotCalledAndThrowingOnesAreDropped) {
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

  // A handler may unsubscribe another during the raise, which then is not called.
  Event<int>::Subscription second;
  auto first = event.Subscribe([&](int) { second.Reset(); });
  second = event.Subscribe([&](int v) { sum += v; });
  event.Raise(7);
  EXPECT_EQ(sum, 2);
}

}  // namespace
}  // namespace pelmora
