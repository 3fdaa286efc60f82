#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "CommandLine.h"
#include "DeviceSession.h"
#include "OutputWriter.h"
#include "SignalWatcher.h"
#include "pelmora/platform/CancelToken.h"

namespace pelmora::cli {

// Carries out one invocation of the tool (every command but sim) and returns the exit status:
// 0 success, 1 an automation error, 2 a usage error (or a bad profile), 3 a diff that would
// change something. Usage is checked in full before the session opens, so a bad command line
// sends nothing.
class CommandRunner {
 public:
  explicit CommandRunner(Invocation invocation);
  // Output to the given streams instead of stdout and stderr (a fleet collects each host's),
  // and the session cancelled through `cancel` (a fleet worker's), made on this thread.
  CommandRunner(Invocation invocation, std::ostream& out, std::ostream& err,
                std::shared_ptr<CancelToken> cancel = nullptr);
  // A signal cancels the run's session; the interactive shell goes on after one.
  void WatchSignals(SignalWatcher& watcher);
  int Run();
  // Checks the command and its arguments without opening a session; false after printing why.
  bool CheckUsage();
  // The automation error that ended the last Run, if one did.
  const std::optional<AutomationError>& LastError() const noexcept { return lastError_; }
  // Whether the last Run sent anything to the device (a failed connect sends nothing).
  bool SentAnything() const noexcept { return sentAnything_; }

 private:
  using Action = std::function<int(DeviceSession&)>;

  // The command, checked and bound to its arguments; throws UsageError.
  Action Prepare();
  // The action (empty for `settings`), or nothing after printing why the command line is refused.
  std::optional<Action> PrepareOrExplain();
  Action PrepareGet();
  Action PrepareSet();
  Action PrepareShow();
  int GetAll(DeviceSession& session);
  int Execute(const Action& action);
  std::unique_ptr<DeviceSession> OpenSession();

  Invocation invocation_;
  std::ostream& err_;
  OutputWriter writer_;
  std::optional<AutomationError> lastError_;
  bool sentAnything_ = false;
  std::shared_ptr<CancelToken> cancel_;
  SignalWatcher* watcher_ = nullptr;
};

}  // namespace pelmora::cli
