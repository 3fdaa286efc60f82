#include "WaitingStudy.h"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "LatencySamples.h"
#include "ProcessMeter.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/protocol/ProtocolHandler.h"
#include "pelmora/transport/PipeConnection.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

// One session of the burst: made before the start, then waits once until its limit.
class Waiter {
 public:
  virtual ~Waiter() = default;
  // How long the wait ran past its limit, in milliseconds, as its caller sees it.
  virtual double Overrun(std::chrono::milliseconds limit) = 0;
};

// A command that waits on a device that never answers, as the device object would run it.
class SilentDevice : public Waiter, public IProtocolHndCallback {
 public:
  SilentDevice() {
    handler->SetCallback(this);
    pipe->SetPeer([this](std::string_view) { sentAt = Clock::now(); });
  }
  ~SilentDevice() override { handler->SetCallback(nullptr); }
  SilentDevice(const SilentDevice&) = delete;
  SilentDevice& operator=(const SilentDevice&) = delete;

  void ProcessEvents() override { pipe->Poll(); }

  // How long the command ran past its limit, in milliseconds. The limit counts, as the command
  // counts it, from the moment its line has been sent.
  double Overrun(std::chrono::milliseconds limit) override {
    try {
      handler->Command("\r", pipe, nullptr, static_cast<std::int32_t>(limit.count()));
    } catch (const AutomationError& error) {
      if (error.Number() != errors::kReplyTimeout) throw;
      return Milliseconds(Clock::now() - sentAt - limit);
    }
    throw std::runtime_error("a silent device answered");
  }

  std::shared_ptr<PipeConnection> pipe = std::make_shared<PipeConnection>();
  std::shared_ptr<ProtocolHandler> handler = std::make_shared<ProtocolHandler>();
  Clock::time_point sentAt;
};

// The floor: a bare event-loop timer, and the error a command raises at its limit.
class BareTimer : public Waiter {
 public:
  double Overrun(std::chrono::milliseconds limit) override {
    const auto start = Clock::now();
    timer_.expires_at(start + limit);
    bool fired = false;
    timer_.async_wait([&fired](const std::error_code&) { fired = true; });
    while (!fired) context_.run_one();
    try {
      ErrorMessages::Current().RaiseNumberedError(errors::kReplyTimeout,
                                                  "ProtocolHandler:Query Method");
    } catch (const AutomationError&) {
      return Milliseconds(Clock::now() - start - limit);
    }
    throw std::runtime_error("the time-out error was not raised");
  }

 private:
  asio::io_context context_{1};
  asio::steady_timer timer_{context_};
};

WaitingStudy::Outcome MeasureBurst(int sessions, std::chrono::milliseconds limit,
                                   const std::function<std::unique_ptr<Waiter>()>& make) {
  std::latch ready(sessions + 1);
  std::latch go(1);
  // Threads end only when every session has been measured: ending a thread (its stack, its
  // event loop) is work of this study, not of noticing a limit, and must not delay the others.
  // They wait on a condition variable, which sleeps at once (a latch spins and yields first,
  // taking the CPU from the sessions still waking).
  std::condition_variable allMeasured;
  int measured = 0;
  double cpuAfter = 0;
  Clock::time_point end;
  std::mutex guard;
  LatencySamples overruns;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < sessions; ++i) {
    threads.emplace_back([&] {
      const auto waiter = make();
      ready.count_down();
      go.wait();
      try {
        const double overrun = waiter->Overrun(limit);
        const std::lock_guard lock(guard);
        overruns.Add(overrun);
      } catch (const std::exception&) {
        ++failures;
      }
      std::unique_lock lock(guard);
      if (++measured == sessions) {
        // The last session has ended: this is the end of the wait.
        cpuAfter = ProcessMeter::CpuSeconds();
        end = Clock::now();
        allMeasured.notify_all();
      }
      allMeasured.wait(lock, [&] { return measured == sessions; });
    });
  }
  ready.arrive_and_wait();
  const double cpuBefore = ProcessMeter::CpuSeconds();
  const auto start = Clock::now();
  go.count_down();
  for (auto& thread : threads) thread.join();
  const double wall = std::chrono::duration<double>(end - start).count();
  const double cpu = cpuAfter - cpuBefore;
  if (failures > 0) throw std::runtime_error("a waiting command ended otherwise than by its limit");

  WaitingStudy::Outcome outcome;
  outcome.sessions = sessions;
  outcome.waitCpuShare = cpu / wall;
  outcome.lateMedianMs = overruns.Median();
  outcome.lateMaxMs = overruns.Percentile(1.0);
  return outcome;
}

}  // namespace

WaitingStudy::Outcome WaitingStudy::MeasureWaiting(int sessions, std::chrono::milliseconds limit) {
  return MeasureBurst(sessions, limit, [] { return std::make_unique<SilentDevice>(); });
}

WaitingStudy::Outcome WaitingStudy::MeasureFloor(int sessions, std::chrono::milliseconds limit) {
  return MeasureBurst(sessions, limit, [] { return std::make_unique<BareTimer>(); });
}

}  // namespace pelmora::bench
