#include "FleetCommand.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

#include "CommandRunner.h"
#include "ExitCode.h"
#include "OpenFileLimit.h"
#include "OutputWriter.h"
#include "ProfileCommands.h"
#include "UsageError.h"
#include "pelmora/fleet/HostTarget.h"
#include "pelmora/fleet/Shard.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora::cli {

namespace {

constexpr std::chrono::milliseconds kProgressEvery{250};
// An event loop (epoll, its wake-up and timer descriptors), a socket, a transcript, a profile
// being written and a secret file being read, with room to spare.
constexpr std::size_t kFilesPerWorker = 8;

// A session that could not be opened (refused, unreachable, connect time limit) before anything
// was sent: trying again is safe. A connect that fails when the session is opened again after the
// device ended it follows sent lines, and is not retried.
bool NotOpened(const CommandRunner& command) {
  const auto& error = command.LastError();
  if (!error || command.SentAnything()) return false;
  const auto number = error->Number();
  return number == errors::kConnectFailed || number == errors::kConnectTimedOut ||
         number == errors::kSerialOpenFailed;
}

// A host that ended in an error its own run did not print (an error that is not the library's,
// or a cancel during the pause before a retry): shown in the same forms.
void ShowError(FleetOutput::HostResult& result, const AutomationError& error, bool json) {
  std::ostringstream out;
  std::ostringstream err;
  OutputWriter(json, out, err).Error(error);
  result.started = true;
  result.status = ExitCode::kFailed;
  result.out = out.str();
  result.err = err.str();
  result.entry.clear();
}

AutomationError Unexpected(const std::exception_ptr& exception) {
  std::string what = "unexpected error";
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception& error) {
    what = error.what();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the generic text stands
  }
  return AutomationError(errors::kInternalError, "pelmora", what);
}

// Redraws the progress line until the run ends, on a thread of its own: the time left changes
// even while no host finishes.
class ProgressTicker {
 public:
  // `total` is known before the runner starts: its own count is 0 until then.
  ProgressTicker(FleetOutput& output, const FleetRunner& runner, std::size_t total, bool enabled) {
    if (!enabled) return;
    thread_ = std::thread([this, &output, &runner, total] {
      std::unique_lock lock(mutex_);
      do {
        auto counts = runner.Progress();
        counts.total = total;
        output.Progress(counts);
      } while (!ended_.wait_for(lock, kProgressEvery, [this] { return stop_; }));
    });
  }
  ~ProgressTicker() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    ended_.notify_all();
    thread_.join();
  }
  ProgressTicker(const ProgressTicker&) = delete;
  ProgressTicker& operator=(const ProgressTicker&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace

FleetCommand::FleetCommand(Invocation invocation) : invocation_(std::move(invocation)) {}

int FleetCommand::Run(SignalWatcher& watcher) {
  if (!PreparedOrExplained([this] { return Prepare(); })) return ExitCode::kUsageError;
  return Execute(watcher);
}

bool FleetCommand::Prepare() {
  if (invocation_.command == "shell") {
    throw UsageError("shell talks to one print server; it does not take --inventory");
  }
  if (invocation_.shard) {
    try {
      Shard::Parse(*invocation_.shard);
    } catch (const std::invalid_argument& error) {
      throw UsageError(error.what());
    }
  }
  // One file for every host would keep only the last host's profile, or mix their transcripts.
  if (invocation_.command == "backup" && !invocation_.arguments.empty() && !invocation_.outDir) {
    throw UsageError("backup FILE takes one print server; with --inventory use --out-dir DIR");
  }
  if (invocation_.logPath) {
    throw UsageError("--log FILE takes one print server; with --inventory use --log-dir DIR");
  }
  const auto& command = invocation_.command;
  if ((command == "diff" || command == "apply") && !invocation_.arguments.empty()) {
    invocation_.preparedProfile =
        std::make_shared<const Profile>(Profile::Load(invocation_.arguments.front()));
  }
  if (!CommandRunner(invocation_, std::cout, std::cerr).CheckUsage()) return false;
  inventory_ = Inventory::Load(*invocation_.inventory, Target::AddressProblem);
  SelectHosts();
  BoundWorkers();
  for (const auto& dir : {invocation_.logDir, invocation_.outDir}) {
    std::error_code error;
    if (dir) std::filesystem::create_directories(*dir, error);
    if (error) throw UsageError("cannot make " + *dir + ": " + error.message());
  }
  return true;
}

// Each worker holds its event loop's descriptors, a session's socket and the files of its host
// (transcript, profile, secrets); more workers than the open-file limit allows would fail hosts
// for want of descriptors rather than for anything wrong with them.
void FleetCommand::BoundWorkers() {
  OpenFileLimit::RaiseToMaximum();
  const std::size_t allowed = OpenFileLimit::WorkersAllowed(kFilesPerWorker);
  if (invocation_.workers <= allowed) return;
  std::cerr << "pelmora: --workers " << invocation_.workers << " lowered to " << allowed
            << ": the open-file limit (" << OpenFileLimit::Current() << ") allows no more\n";
  invocation_.workers = allowed;
}

void FleetCommand::SelectHosts() {
  std::vector<std::size_t> selected;
  try {
    selected = inventory_->Select(invocation_.limits);
  } catch (const std::invalid_argument& error) {
    throw UsageError(error.what());
  }
  const std::optional<Shard> shard =
      invocation_.shard ? std::optional(Shard::Parse(*invocation_.shard)) : std::nullopt;
  for (const std::size_t index : selected) {
    const InventoryHost& host = inventory_->Hosts()[index];
    if (shard && !shard->Holds(host.name)) continue;
    hosts_.push_back(&host);
    targets_.push_back(HostTarget(host));
    FleetOutput::HostResult result;
    result.name = host.name;
    result.target = targets_.back().Describe();
    results_.push_back(std::move(result));
  }
}

int FleetCommand::Execute(SignalWatcher& watcher) {
  OpenFileLimit::RaiseToMaximum();
  const bool drawProgress = !invocation_.noProgress && isatty(STDERR_FILENO) == 1;
  FleetOutput output(invocation_.json, drawProgress, std::cout, std::cerr);
  FleetRunner runner({.workers = invocation_.workers, .retries = invocation_.retries});
  watcher.OnSignal([&runner] { runner.Cancel(); });
  {
    const ProgressTicker ticker(output, runner, hosts_.size(), drawProgress);
    runner.Run(
        hosts_.size(), [this](const FleetRunner::Attempt& attempt) { return RunHost(attempt); },
        [&](const FleetRunner::HostReport& report) {
          auto& result = results_[report.index];
          result.elapsed = report.elapsed;
          if (report.exception) {
            ShowError(result, Unexpected(report.exception), invocation_.json);
          } else if (report.outcome == FleetRunner::Outcome::Cancelled && report.error) {
            ShowError(result, *report.error, invocation_.json);
          }
          output.Finished(result);
        });
  }
  watcher.OnSignal(nullptr);
  output.Summary(results_);
  int status = runner.Cancelled() ? ExitCode::kFailed : ExitCode::kSuccess;
  for (const auto& result : results_) {
    if (!FleetOutput::Succeeded(result)) return ExitCode::kFailed;
    if (result.status == ExitCode::kWouldChange) status = std::max(status, result.status);
  }
  return status;
}

FleetRunner::AttemptResult FleetCommand::RunHost(const FleetRunner::Attempt& attempt) {
  const std::size_t index = attempt.index;
  std::ostringstream out;
  std::ostringstream err;
  CommandRunner command(HostInvocation(*hosts_[index], targets_[index]), out, err, attempt.cancel);
  const int status = command.Run();
  auto& result = results_[index];
  result.started = true;
  result.status = status;
  result.out = out.str();
  result.err = err.str();
  result.entry = invocation_.json ? FleetOutput::RenderEntry(result) : std::string();
  if (FleetOutput::Succeeded(result)) return FleetRunner::Outcome::Succeeded;
  return {NotOpened(command) ? FleetRunner::Outcome::NotOpened : FleetRunner::Outcome::Failed,
          command.LastError()};
}

// What the command line gives holds for every host; the inventory's settings serve where the
// command line is silent.
Invocation FleetCommand::HostInvocation(const InventoryHost& host, const Target& target) const {
  Invocation one = invocation_;
  one.inventory.reset();
  one.target = target;
  if (!one.password) one.password = host.password;
  if (!one.timeoutMs) one.timeoutMs = host.timeoutMs;
  if (!one.framingDelayMs) one.framingDelayMs = host.framingDelayMs;
  if (invocation_.logDir) {
    one.logPath = (std::filesystem::path(*invocation_.logDir) / (host.name + ".log")).string();
  }
  if (invocation_.outDir) {
    one.arguments = {(std::filesystem::path(*invocation_.outDir) / (host.name + ".toml")).string()};
  }
  one.noProgress = true;
  return one;
}

}  // namespace pelmora::cli
