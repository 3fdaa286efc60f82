#pragma once

#include <chrono>
#include <memory>

#include "pelmora/catalog/Profile.h"
#include "pelmora/fleet/InventoryHost.h"
#include "pelmora/metrics/DeviceState.h"
#include "pelmora/metrics/ExporterFigures.h"
#include "pelmora/session/CancelGroup.h"

namespace pelmora::cli {

// One probe of one host in a session of its own, run on the calling thread and ended by its
// deadline: whatever the device still owes then is abandoned and the probe reports a time-out.
// A failure is a value of the result, never an exception.
class HostProbe {
 public:
  using Clock = std::chrono::steady_clock;

  // `cancels` holds the running probes' sessions: stopping the exporter cancels them.
  HostProbe(ExporterFigures& figures, CancelGroup& cancels)
      : figures_(figures), cancels_(cancels) {}

  DeviceState Run(const InventoryHost& host, const Profile* profile, Clock::time_point deadline);

 private:
  DeviceState Read(const InventoryHost& host, const Profile* profile, Clock::time_point deadline);

  ExporterFigures& figures_;
  CancelGroup& cancels_;
};

}  // namespace pelmora::cli
