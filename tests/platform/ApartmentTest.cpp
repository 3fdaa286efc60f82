#include "pelmora/platform/Apartment.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using Clock = Apartment::Clock;
using std::chrono::milliseconds;

TEST(ApartmentTest, PumpRunsReadyWorkOneAtATimeAndSleepsUntilTheEarliestDeadline) {
  auto& apartment = Apartment::Current();
  apartment.PumpReady();  // nothing left over from before
  int ran = 0;
  apartment.Post([&] { ++ran; });
  apartment.Post([&] { ++ran; });
  apartment.Pump();
  EXPECT_EQ(ran, 1);
  apartment.Pump();
  EXPECT_EQ(ran, 2);

  // Nothing ready: the pump wakes at the earlier deadline, not at the later one and not before.
  const Apartment::Deadline late(Clock::now() + milliseconds(5000));
  const Apartment::Deadline early(Clock::now() + milliseconds(40));
  const auto start = Clock::now();
  apartment.Pump();
  const auto slept = Clock::now() - start;
  EXPECT_GE(slept, milliseconds(30));
  EXPECT_LT(slept, milliseconds(2500));
}

}  // namespace
}  // namespace pelmora
