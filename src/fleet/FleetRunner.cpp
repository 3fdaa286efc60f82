#include "pelmora/fleet/FleetRunner.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kRunnerSource = "FleetRunner";

AutomationError CancelledError() {
  return AutomationError(errors::kCommandCancelled, kRunnerSource,
                         ErrorMessages::Current().ErrorText(errors::kCommandCancelled));
}

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

}  // namespace

FleetRunner::FleetRunner(Options options) : options_(options) {
  options_.workers = std::max<std::size_t>(options_.workers, 1);
}

std::vector<FleetRunner::HostReport> FleetRunner::Run(std::size_t count, const Job& job,
                                                      const Finished& finished) {
  {
    std::lock_guard lock(mutex_);
    reports_.assign(count, HostReport{});
    for (std::size_t i = 0; i < count; ++i) reports_[i].index = i;
    next_ = 0;
    counts_ = Counts{count, 0, 0, 0};
  }
  std::vector<std::thread> workers;
  const std::size_t size = std::min(options_.workers, count);
  for (std::size_t i = 0; i < size; ++i) {
    try {
      workers.emplace_back([this, count, &job, &finished] { Work(count, job, finished); });
    } catch (const std::system_error&) {
      // Out of threads: the workers that did start share the hosts.
      if (workers.empty()) throw;
      break;
    }
  }
  for (auto& worker : workers) worker.join();
  std::lock_guard lock(mutex_);
  return reports_;
}

// The worker's token is made on the worker, so that it wakes the worker's own event loop.
void FleetRunner::Work(std::size_t count, const Job& job, const Finished& finished) {
  const auto cancel = std::make_shared<CancelToken>();
  const CancelGroup::Member member(workers_, cancel);
  for (;;) {
    std::size_t index = 0;
    {
      std::lock_guard lock(mutex_);
      if (cancel->Requested() || next_ >= count) break;
      index = next_++;
      ++counts_.running;
    }
    const HostReport report = RunHost(index, job, cancel);
    {
      std::lock_guard lock(mutex_);
      reports_[index] = report;
      --counts_.running;
      ++counts_.done;
      if (report.outcome != Outcome::Succeeded) ++counts_.failed;
    }
    // Outside the runner's lock, so that `finished` may ask for the progress; its own lock
    // keeps the reports of two workers from interleaving.
    if (finished) {
      std::lock_guard lock(finishedMutex_);
      finished(report);
    }
  }
}

FleetRunner::HostReport FleetRunner::RunHost(std::size_t index, const Job& job,
                                             const std::shared_ptr<CancelToken>& cancel) {
  HostReport report;
  report.index = index;
  const auto start = Clock::now();
  for (;;) {
    ++report.attempts;
    report.error.reset();
    try {
      AttemptResult result = job(Attempt{index, report.attempts, cancel});
      report.outcome = result.outcome;
      report.error = std::move(result.error);
    } catch (const AutomationError& error) {
      report.outcome = Outcome::Failed;
      report.error = error;
    } catch (...) {  // kept for the caller: a worker thread must not end the process
      report.outcome = Outcome::Failed;
      report.exception = std::current_exception();
    }
    if (report.outcome != Outcome::NotOpened || report.attempts > options_.retries) break;
    if (!cancel->SleepFor(PauseBefore(options_.backoff, report.attempts))) {
      report.outcome = Outcome::Cancelled;
      report.error = CancelledError();
      break;
    }
  }
  report.elapsed = Since(start);
  return report;
}

std::chrono::milliseconds FleetRunner::PauseBefore(std::chrono::milliseconds backoff,
                                                   std::int32_t retry) {
  auto pause = backoff;
  for (std::int32_t i = 1; i < retry && pause < kMaxBackoff; ++i) pause *= 2;
  return std::min(pause, kMaxBackoff);
}

void FleetRunner::Cancel() {
  workers_.CancelAll();
}

bool FleetRunner::Cancelled() const {
  return workers_.Closed();
}

FleetRunner::Counts FleetRunner::Progress() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

}  // namespace pelmora
