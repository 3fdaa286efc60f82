#include "pelmora/fleet/FleetRunner.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {
namespace {

using namespace std::chrono_literals;
using Outcome = FleetRunner::Outcome;

TEST(FleetRunner, BoundsTheWorkersGivesEachItsOwnApartmentAndReportsInHostOrderEvenAJobThatThrew) {
  FleetRunner runner({.workers = 3, .retries = 0, .backoff = 1ms});
  std::atomic<int> running{0}, mostRunning{0};
  std::mutex mutex;
  std::set<Apartment*> apartments;
  std::vector<std::size_t> finishedOrder;
  const auto reports = runner.Run(
      12,
      [&](const FleetRunner::Attempt& attempt) -> FleetRunner::AttemptResult {
        const std::size_t index = attempt.index;
        const int now = ++running;
        for (int seen = mostRunning; now > seen && !mostRunning.compare_exchange_weak(seen, now);) {
        }
        {
          std::lock_guard lock(mutex);
          apartments.insert(&Apartment::Current());
        }
        std::this_thread::sleep_for(5ms);
        --running;
        if (index == 5) throw std::runtime_error("job broke");  // that host alone fails
        return index % 4 == 0 ? Outcome::Failed : Outcome::Succeeded;
      },
      [&](const FleetRunner::HostReport& report) { finishedOrder.push_back(report.index); });
  EXPECT_EQ(mostRunning, 3);
  EXPECT_EQ(apartments.size(), 3u);
  EXPECT_EQ(finishedOrder.size(), 12u);
  ASSERT_EQ(reports.size(), 12u);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].index, i);
    EXPECT_EQ(reports[i].outcome, i % 4 == 0 || i == 5 ? Outcome::Failed : Outcome::Succeeded);
    EXPECT_EQ(reports[i].attempts, 1);
    EXPECT_EQ(reports[i].exception != nullptr, i == 5);
  }
  const auto counts = runner.Progress();
  EXPECT_EQ((std::array{counts.done, counts.failed, counts.running}),
            (std::array<std::size_t, 3>{12, 4, 0}));
}

TEST(FleetRunner, RetriesOnlySessionsThatWereNotOpenedWithAGrowingPause) {
  FleetRunner runner({.workers = 2, .retries = 3, .backoff = 20ms});
  std::vector<std::vector<std::chrono::steady_clock::time_point>> tries(3);
  const auto reports =
      runner.Run(3, [&](const FleetRunner::Attempt& attempt) -> FleetRunner::AttemptResult {
        tries[attempt.index].push_back(std::chrono::steady_clock::now());
        if (attempt.index == 0) return attempt.number < 3 ? Outcome::NotOpened : Outcome::Succeeded;
        if (attempt.index == 1) return Outcome::Failed;  // something was sent: never again
        return Outcome::NotOpened;
      });
  EXPECT_EQ((std::array{reports[0].outcome, reports[2].outcome}),
            (std::array{Outcome::Succeeded, Outcome::NotOpened}));
  EXPECT_EQ((std::array{reports[0].attempts, reports[1].attempts, reports[2].attempts}),
            (std::array{3, 1, 4}));
  const auto& t = tries[2];
  EXPECT_GE(t[1] - t[0], 20ms);
  EXPECT_GE(t[2] - t[1], 40ms);
  EXPECT_GE(t[3] - t[2], 80ms);
  // Doubling stops at 8 s, also for a first pause that is longer.
  EXPECT_EQ((std::array{FleetRunner::PauseBefore(3s, 2), FleetRunner::PauseBefore(3s, 3),
                        FleetRunner::PauseBefore(1s, 40), FleetRunner::PauseBefore(9s, 1)}),
            (std::array{6000ms, 8000ms, 8000ms, 8000ms}));
}

TEST(FleetRunner, CancelStartsNoMoreHostsAndEndsAPauseBeforeARetryWith113) {
  FleetRunner runner({.workers = 2, .retries = 5, .backoff = 10s});
  std::atomic<int> started{0};
  const auto start = std::chrono::steady_clock::now();
  const auto reports =
      runner.Run(10, [&](const FleetRunner::Attempt& attempt) -> FleetRunner::AttemptResult {
        if (++started == 2) runner.Cancel();
        if (attempt.index != 0) return Outcome::Succeeded;
        return {Outcome::NotOpened, AutomationError(errors::kConnectFailed, "Connection", "no")};
      });
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(started, 2);
  EXPECT_EQ(reports[0].outcome, Outcome::Cancelled);
  ASSERT_TRUE(reports[0].error);
  EXPECT_EQ(reports[0].error->Number(), errors::kCommandCancelled);
  for (std::size_t i = 2; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].outcome, Outcome::Cancelled);
    EXPECT_EQ(reports[i].attempts, 0);
  }
}

}  // namespace
}  // namespace pelmora
