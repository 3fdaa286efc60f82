#include "pelmora/platform/Apartment.h"

#include <gtest/gtest.h>

#include <chrono>

namespace pelmora {
namespace {

TEST(ApartmentTest, PumpRunsReadyWorkOneAtATime) {
  auto& apartment = Apartment::Current();
  apartment.PumpReady();  // nothing left over from before
  int ran = 0;
  apartment.Post([&] { ++ran; });
  apartment.Post([&] { ++ran; });
  apartment.Pump();
  EXPECT_EQ(ran, 1);
  apartment.Pump();
  EXPECT_EQ(ran, 2);
}

// The wake of a deadline whose wait has ended is no event: the pump sleeps on to the next one.
TEST(ApartmentTest, AWakeLeftByAnEndedDeadlineDoesNotEndTheNextWait) {
  using namespace std::chrono_literals;
  auto& apartment = Apartment::Current();
  apartment.PumpReady();
  const auto start = Apartment::Clock::now();
  { const Apartment::Deadline ended(start + 20ms); }
  const Apartment::Deadline limit(start + 80ms);
  apartment.Pump();
  EXPECT_GE(Apartment::Clock::now(), start + 80ms);
}

}  // namespace
}  // namespace pelmora
