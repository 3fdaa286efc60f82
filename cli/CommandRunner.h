#pragma once

#include <functional>
#include <memory>

#include "CommandLine.h"
#include "DeviceSession.h"
#include "OutputWriter.h"
#include "TargetFactory.h"

namespace pelmora::cli {

// Carries out one invocation of the tool (every command but sim) and returns the exit status:
// 0 success, 1 an automation error, 2 a usage error (or a bad profile), 3 a diff that would
// change something. Usage is checked in full before the session opens, so a bad command line
// sends nothing.
class CommandRunner {
 public:
  static constexpr int kSuccess = 0;
  static constexpr int kAutomationError = 1;
  static constexpr int kUsageError = 2;

  explicit CommandRunner(Invocation invocation);
  int Run();

 private:
  using Action = std::function<int(DeviceSession&)>;

  // The command, checked and bound to its arguments; throws UsageError.
  Action Prepare();
  Action PrepareGet();
  Action PrepareSet();
  Action PrepareShow();
  int GetAll(DeviceSession& session);
  int Execute(const Action& action);
  std::unique_ptr<DeviceSession> OpenSession();

  Invocation invocation_;
  OutputWriter writer_;
  TargetFactory targets_;
};

}  // namespace pelmora::cli
