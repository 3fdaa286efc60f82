#pragma once

#include <optional>
#include <vector>

#include "CommandLine.h"
#include "FleetOutput.h"
#include "SignalWatcher.h"
#include "pelmora/fleet/FleetRunner.h"
#include "pelmora/fleet/Inventory.h"

namespace pelmora::cli {

// A command run on the hosts of an inventory (--inventory): the inventory is read and checked,
// the hosts selected (--limit, --shard), and the command runs on each of them in a pool of
// --workers threads, each host through the same road as a single target. Exit status: 0 every
// host succeeded, 1 any failed or the run was interrupted, 2 a usage error or a bad inventory
// (nothing is sent then), 3 (diff) every host answered and some would change.
class FleetCommand {
 public:
  explicit FleetCommand(Invocation invocation);
  // A signal cancels the run: the running hosts end with 113 and no further host starts.
  int Run(SignalWatcher& watcher);

 private:
  // Reads the inventory and chooses the hosts; false after printing why the run cannot start.
  bool Prepare();
  void SelectHosts();
  void BoundWorkers();
  FleetRunner::AttemptResult RunHost(const FleetRunner::Attempt& attempt);
  Invocation HostInvocation(const InventoryHost& host, const Target& target) const;
  int Execute(SignalWatcher& watcher);

  Invocation invocation_;
  std::optional<Inventory> inventory_;
  std::vector<const InventoryHost*> hosts_;
  std::vector<Target> targets_;
  std::vector<FleetOutput::HostResult> results_;
};

}  // namespace pelmora::cli
