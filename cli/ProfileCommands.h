#pragma once

#include <functional>

#include "CommandLine.h"
#include "DeviceSession.h"
#include "OutputWriter.h"

namespace pelmora::cli {

// backup [FILE], diff FILE and apply FILE [--dry-run] [--save].
//
// A profile is read and checked in full while the command is prepared, before the session
// opens: a profile with problems ends the run with all of them listed and nothing sent.
class ProfileCommands {
 public:
  using Action = std::function<int(DeviceSession&)>;

  // The command bound to its profile; throws UsageError for a profile with problems, after
  // writing them on stderr.
  static Action Prepare(const Invocation& invocation, OutputWriter& writer);

 private:
  static Action Backup(const Invocation& invocation, OutputWriter& writer);
};

}  // namespace pelmora::cli
