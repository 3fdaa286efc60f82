#include "pelmora/components/Timer.h"

#include <gtest/gtest.h>

#include <thread>

#include "pelmora/platform/Apartment.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

TEST(TimerTest, TicksRepeatWhileArmedAndOnlyWhileThePumpRuns) {
  Timer timer;
  timer.SetInterval(10);
  int ticks = 0;
  auto token = timer.OnTimer.Subscribe([&] { ++ticks; });
  timer.SetEnabled(true);
  // A thread that did not pump for several intervals gets one tick, not a burst.
  std::this_thread::sleep_for(milliseconds(45));
  EXPECT_EQ(ticks, 0);
  Apartment::Current().PumpReady();
  Apartment::Current().PumpReady();
  EXPECT_EQ(ticks, 1);
  ASSERT_TRUE(testing::PumpUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  const int ticksWhenDisarmed = ticks;
  testing::PumpFor(milliseconds(30));
  EXPECT_EQ(ticks, ticksWhenDisarmed);
  // A zero interval leaves the timer armed but silent.
  timer.SetInterval(0);
  timer.SetEnabled(true);
  testing::PumpFor(milliseconds(20));
  EXPECT_EQ(ticks, ticksWhenDisarmed);
}

TEST(TimerTest, TicksOncePerArmingWhenTheHandlerDisarmsAndReArmingKeepsTheFirstDeadline) {
  Timer timer;
  timer.SetInterval(100);
  int ticks = 0;
  std::chrono::steady_clock::time_point tickedAt;
  auto token = timer.OnTimer.Subscribe([&] {
    timer.SetEnabled(false);
    tickedAt = std::chrono::steady_clock::now();
    ++ticks;
  });
  const auto armedAt = std::chrono::steady_clock::now();
  timer.SetEnabled(true);
  testing::PumpFor(milliseconds(60));
  timer.SetEnabled(true);
  ASSERT_TRUE(testing::PumpUntil([&] { return ticks == 1; }));
  // Arming again would have moved the tick to 160 ms at the earliest.
  EXPECT_LT(tickedAt - armedAt, milliseconds(160));
  timer.SetInterval(10);
  timer.SetEnabled(true);
  ASSERT_TRUE(testing::PumpUntil([&] { return ticks == 2; }));
  testing::PumpFor(milliseconds(30));
  EXPECT_EQ(ticks, 2);
}

}  // namespace
}  // namespace pelmora
