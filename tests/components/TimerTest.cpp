#include "pelmora/components/Timer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

TEST(TimerTest, CreatedDisarmedAndTicksOncePerArmingWhenTheHandlerDisarms) {
  Timer timer;
  EXPECT_FALSE(timer.Enabled());
  timer.SetInterval(10);
  int ticks = 0;
  auto token = timer.OnTimer.Subscribe([&] {
    timer.SetEnabled(false);
    ++ticks;
  });
  timer.SetEnabled(true);
  testing::PumpFor(milliseconds(60));
  EXPECT_EQ(ticks, 1);
  timer.SetEnabled(true);
  testing::PumpFor(milliseconds(60));
  EXPECT_EQ(ticks, 2);
}

TEST(TimerTest, TicksRepeatWhileArmedAndOnlyWhileThePumpRuns) {
  Timer timer;
  timer.SetInterval(10);
  int ticks = 0;
  auto token = timer.OnTimer.Subscribe([&] { ++ticks; });
  timer.SetEnabled(true);
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(ticks, 0);
  testing::PumpFor(milliseconds(55));
  EXPECT_GE(ticks, 3);
  timer.SetEnabled(false);
  const int ticksWhenDisarmed = ticks;
  testing::PumpFor(milliseconds(30));
  EXPECT_EQ(ticks, ticksWhenDisarmed);
}

TEST(TimerTest, ArmingAnArmedTimerKeepsTheFirstDeadline) {
  Timer timer;
  timer.SetInterval(40);
  std::chrono::steady_clock::time_point tickedAt;
  auto token = timer.OnTimer.Subscribe([&] {
    timer.SetEnabled(false);
    tickedAt = std::chrono::steady_clock::now();
  });
  const auto armedAt = std::chrono::steady_clock::now();
  timer.SetEnabled(true);
  testing::PumpFor(milliseconds(25));
  timer.SetEnabled(true);
  ASSERT_TRUE(testing::PumpUntil([&] { return tickedAt.time_since_epoch().count() != 0; }));
  EXPECT_LT(tickedAt - armedAt, milliseconds(60));
}

TEST(TimerTest, ThrowingHandlerIsDroppedAndTheTimerKeepsWorking) {
  Timer timer;
  timer.SetInterval(5);
  int ticks = 0;
  auto token = timer.OnTimer.Subscribe([&] {
    ++ticks;
    throw std::runtime_error("handler fault");
  });
  timer.SetEnabled(true);
  EXPECT_NO_THROW(testing::PumpUntil([&] { return ticks >= 2; }));
  EXPECT_GE(ticks, 2);
}

TEST(TimerTest, DestroyingAnArmedTimerCancelsItsTick) {
  int ticks = 0;
  {
    Timer timer;
    timer.SetInterval(5);
    auto token = timer.OnTimer.Subscribe([&] { ++ticks; });
    timer.SetEnabled(true);
  }
  testing::PumpFor(milliseconds(20));
  EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace pelmora
