#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include <asio/io_context.hpp>

namespace pelmora {

// Takes one job to many print servers with a bounded pool of worker threads. Each worker is a
// thread with its own apartment, so the sessions it opens wait on their own event loop; each
// host is one call of the job, which opens its session, runs the command and tears it down.
//
// The runner knows nothing of the command: the job tells how a host ended. A host whose session
// could not be opened is tried again, after a growing pause, up to `retries` more times; a host
// whose job sent anything is never tried again. One host's failure never stops the others.
class FleetRunner {
 public:
  enum class Outcome {
    Succeeded,
    Failed,
    NotOpened,  // the session could not be opened: nothing was sent, trying again is safe
    Cancelled,  // the run was cancelled before or while this host ran
  };

  struct Options {
    std::size_t workers = 16;
    std::int32_t retries = 0;
    // The pause before the first retry; it doubles with each further one, up to kMaxBackoff.
    std::chrono::milliseconds backoff{250};
  };
  static constexpr std::chrono::milliseconds kMaxBackoff{8000};

  struct HostReport {
    std::size_t index = 0;
    Outcome outcome = Outcome::Cancelled;
    std::int32_t attempts = 0;
    std::chrono::milliseconds elapsed{0};  // of the last attempt
    std::exception_ptr exception;          // what the job threw (the host then Failed)
  };

  struct Counts {
    std::size_t total = 0;
    std::size_t done = 0;
    std::size_t failed = 0;
    std::size_t running = 0;
  };

  // Runs for host `index`, on a worker thread; `attempt` counts from 1.
  using Job = std::function<Outcome(std::size_t index, std::int32_t attempt)>;
  // Told of each host as it finishes, one at a time, on the worker that ran it.
  using Finished = std::function<void(const HostReport&)>;

  explicit FleetRunner(Options options);

  // Runs the job for hosts 0 .. count-1 and returns their reports in that order. Hosts that the
  // run never started (it was cancelled) are reported as Cancelled, with 0 attempts, and are
  // not passed to `finished`.
  std::vector<HostReport> Run(std::size_t count, const Job& job, const Finished& finished = {});

  // Starts no further host and wakes every worker's event loop, so that a job waiting there
  // notices the cancellation at once. Safe from any thread (not from a signal handler).
  void Cancel();
  bool Cancelled() const;

  Counts Progress() const;

 private:
  void Work(std::size_t count, const Job& job, const Finished& finished);
  HostReport RunHost(std::size_t index, const Job& job);
  bool PauseBeforeRetry(std::int32_t attempt);
  void Enlist(asio::io_context* loop, bool present);

  Options options_;
  mutable std::mutex mutex_;
  std::mutex finishedMutex_;
  std::condition_variable cancelledSignal_;
  std::vector<HostReport> reports_;
  std::vector<asio::io_context*> loops_;
  std::size_t next_ = 0;
  Counts counts_;
  bool cancel_ = false;
};

}  // namespace pelmora
