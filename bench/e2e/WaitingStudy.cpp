#include "WaitingStudy.h"

#include <atomic>
#include <condition_variable>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "LatencySamples.h"
#include "ProcessMeter.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/protocol/ProtocolHandler.h"
#include "pelmora/transport/PipeConnection.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;

// A command that waits on a device that never answers, as the device object would run it.
class SilentDevice : public IProtocolHndCallback {
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
  double Overrun(std::chrono::milliseconds limit) {
    try {
      handler->Command("\r", pipe, nullptr, static_cast<std::int32_t>(limit.count()));
    } catch (const AutomationError& error) {
      if (error.Number() != errors::kReplyTimeout) throw;
      return std::chrono::duration<double, std::milli>(Clock::now() - sentAt - limit).count();
    }
    throw std::runtime_error("a silent device answered");
  }

  std::shared_ptr<PipeConnection> pipe = std::make_shared<PipeConnection>();
  std::shared_ptr<ProtocolHandler> handler = std::make_shared<ProtocolHandler>();
  Clock::time_point sentAt;
};

}  // namespace

WaitingStudy::Outcome WaitingStudy::MeasureWaiting(int sessions, std::chrono::milliseconds limit) {
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
      SilentDevice device;
      ready.count_down();
      go.wait();
      try {
        const double overrun = device.Overrun(limit);
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

  Outcome outcome;
  outcome.sessions = sessions;
  outcome.waitCpuShare = cpu / wall;
  outcome.lateMedianMs = overruns.Median();
  outcome.lateMaxMs = overruns.Percentile(1.0);
  return outcome;
}

}  // namespace pelmora::bench
