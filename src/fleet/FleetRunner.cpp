#include "pelmora/fleet/FleetRunner.h"

#include <algorithm>
#include <asio/post.hpp>
#include <system_error>
#include <thread>

#include "pelmora/platform/Apartment.h"

namespace pelmora {

using Clock = std::chrono::steady_clock;

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

void FleetRunner::Work(std::size_t count, const Job& job, const Finished& finished) {
  asio::io_context* loop = &Apartment::Current().Context();
  Enlist(loop, true);
  for (;;) {
    std::size_t index = 0;
    {
      std::lock_guard lock(mutex_);
      if (cancel_ || next_ >= count) break;
      index = next_++;
      ++counts_.running;
    }
    const HostReport report = RunHost(index, job);
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
  Enlist(loop, false);
}

FleetRunner::HostReport FleetRunner::RunHost(std::size_t index, const Job& job) {
  HostReport report;
  report.index = index;
  for (;;) {
    ++report.attempts;
    const auto start = Clock::now();
    try {
      report.outcome = job(index, report.attempts);
    } catch (...) {  // kept for the caller: a worker thread must not end the process
      report.outcome = Outcome::Failed;
      report.exception = std::current_exception();
    }
    report.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (report.outcome != Outcome::NotOpened || report.attempts > options_.retries) break;
    if (!PauseBeforeRetry(report.attempts)) {
      report.outcome = Outcome::Cancelled;
      break;
    }
  }
  return report;
}

// False when the run was cancelled during the pause.
bool FleetRunner::PauseBeforeRetry(std::int32_t attempt) {
  auto pause = options_.backoff;
  for (std::int32_t i = 1; i < attempt && pause < kMaxBackoff; ++i) pause *= 2;
  pause = std::min(pause, kMaxBackoff);
  std::unique_lock lock(mutex_);
  return !cancelledSignal_.wait_for(lock, pause, [this] { return cancel_; });
}

void FleetRunner::Cancel() {
  std::lock_guard lock(mutex_);
  cancel_ = true;
  for (auto* loop : loops_) asio::post(*loop, [] {});
  cancelledSignal_.notify_all();
}

bool FleetRunner::Cancelled() const {
  std::lock_guard lock(mutex_);
  return cancel_;
}

FleetRunner::Counts FleetRunner::Progress() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

// A worker's loop is known to Cancel only while the worker lives, since the loop ends with it.
void FleetRunner::Enlist(asio::io_context* loop, bool present) {
  std::lock_guard lock(mutex_);
  if (present) {
    loops_.push_back(loop);
  } else {
    loops_.erase(std::remove(loops_.begin(), loops_.end(), loop), loops_.end());
  }
}

}  // namespace pelmora
