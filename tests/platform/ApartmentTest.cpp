#include "pelmora/platform/Apartment.h"

#include <gtest/gtest.h>
#include <asio/post.hpp>

#include <thread>

#include "support/CpuTime.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

TEST(ApartmentTest, IdlePumpingSleepsInsteadOfSpinning) {
  const auto cpuBefore = testing::ProcessCpuTime();
  testing::PumpFor(std::chrono::milliseconds(200));
  const auto cpuSpent = testing::ProcessCpuTime() - cpuBefore;
  EXPECT_LT(cpuSpent, std::chrono::milliseconds(20));
}

TEST(ApartmentTest, PumpRunsReadyWorkAtOnce) {
  int ran = 0;
  asio::post(Apartment::Current().Context(), [&] { ++ran; });
  asio::post(Apartment::Current().Context(), [&] { ++ran; });
  const auto start = std::chrono::steady_clock::now();
  Apartment::Current().Pump();
  EXPECT_EQ(ran, 2);
  EXPECT_LT(std::chrono::steady_clock::now() - start, Apartment::Slice());
}

TEST(ApartmentTest, EachThreadHasItsOwnApartment) {
  Apartment* mine = &Apartment::Current();
  Apartment* theirs = nullptr;
  std::thread([&] { theirs = &Apartment::Current(); }).join();
  EXPECT_NE(mine, theirs);
}

}  // namespace
}  // namespace pelmora
