#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/CancelToken.h"
#include "pelmora/session/CancelGroup.h"

namespace pelmora {

// Takes one job to many print servers with a bounded pool of worker threads. Each worker is a
// thread with its own apartment, so the sessions it opens wait on their own event loop; each
// host is one call of the job, which opens its session (with the worker's cancel token), runs
// the command and tears it down.
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
  // The pause before retry `retry` (1 for the first).
  static std::chrono::milliseconds PauseBefore(std::chrono::milliseconds backoff,
                                               std::int32_t retry);

  struct HostReport {
    std::size_t index = 0;
    Outcome outcome = Outcome::Cancelled;
    std::int32_t attempts = 0;
    std::chrono::milliseconds elapsed{0};  // of all attempts together
    // The automation error that ended the host (the last attempt's, or 113 for a host cancelled
    // in its pause before a retry); none for a success.
    std::optional<AutomationError> error;
    std::exception_ptr exception;  // what else the job threw (the host then Failed)
  };

  // One call of the job: the host, the attempt (from 1) and the worker's cancel token, which
  // the host's session must use so that cancelling the run ends its waits.
  struct Attempt {
    std::size_t index = 0;
    std::int32_t number = 1;
    std::shared_ptr<CancelToken> cancel;
  };
  struct AttemptResult {
    AttemptResult(Outcome outcome, std::optional<AutomationError> error = std::nullopt)  // NOLINT
        : outcome(outcome), error(std::move(error)) {}
    Outcome outcome;
    std::optional<AutomationError> error;
  };

  struct Counts {
    std::size_t total = 0;
    std::size_t done = 0;
    std::size_t failed = 0;
    std::size_t running = 0;
  };

  // Runs on a worker thread. An AutomationError it throws fails the host with that error.
  using Job = std::function<AttemptResult(const Attempt& attempt)>;
  // Told of each host as it finishes, one at a time, on the worker that ran it.
  using Finished = std::function<void(const HostReport&)>;

  explicit FleetRunner(Options options);

  // Runs the job for hosts 0 .. count-1 and returns their reports in that order. Hosts that the
  // run never started (it was cancelled) are reported as Cancelled, with 0 attempts, and are
  // not passed to `finished`.
  std::vector<HostReport> Run(std::size_t count, const Job& job, const Finished& finished = {});

  // Starts no further host and cancels every worker's token: a session waiting on a command, a
  // lookup or a connect, and a host pausing before a retry, end at once with error 113. Safe
  // from any thread (not from a signal handler).
  void Cancel();
  bool Cancelled() const;

  Counts Progress() const;

 private:
  void Work(std::size_t count, const Job& job, const Finished& finished);
  HostReport RunHost(std::size_t index, const Job& job, const std::shared_ptr<CancelToken>& cancel);

  Options options_;
  mutable std::mutex mutex_;
  std::mutex finishedMutex_;
  std::vector<HostReport> reports_;
  CancelGroup workers_;
  std::size_t next_ = 0;
  Counts counts_;
};

}  // namespace pelmora
