#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/Event.h"
#include "pelmora/platform/NumberText.h"

namespace pelmora {
namespace {

using Row = std::pair<const char*, std::int64_t>;

// Leading skips blanks anywhere, stops at other characters, rounds halves to the even neighbour
// and saturates a long digit run instead of overflowing.
TEST(NumberTextTest, LeadingSkipsBlanksStopsAtOtherCharactersAndRoundsHalvesToEven) {
  const Row rows[] = {{"  17 bytes", 17}, {"1 2 3x4", 123}, {"- 5", -5},  {"abc", 0},   {"", 0},
                      {"0x10", 0},        {"1e3", 1},       {"\t5", 0},   {"2.5", 2},   {"3.5", 4},
                      {"2.51", 3},        {"-2.5", -2},     {"-3.5", -4}, {"0.4999", 0}};
  EXPECT_EQ(NumberText::Leading("-99999999999999999999999999"), -(std::int64_t{1} << 62));
  for (const auto& [text, value] : rows) EXPECT_EQ(NumberText::Leading(text), value) << text;
}

TEST(NumberTextTest, StrictAllowsOnlyBlanksAroundTheNumber) {
  for (const auto& [text, value] :
       {Row{" 2347 ", 2347}, {"+7", 7}, {"5.", 5}, {".5", 0}, {"1.5", 2}})
    EXPECT_EQ(NumberText::Strict(text), value) << text;
  for (const char* text : {"", "   ", "off", "2347 bytes", "1 2", "\t5", "-", "."})
    EXPECT_FALSE(NumberText::Strict(text)) << text;
}

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
