#include "pelmora/platform/Apartment.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pelmora
