#pragma once

#include <chrono>
#include <memory>

#include "ProbeCancels.h"
#include "pelmora/catalog/Profile.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/fleet/InventoryHost.h"
#include "pelmora/metrics/DeviceState.h"
#include "pelmora/metrics/ExporterFigures.h"

namespace pelmora::cli {

// Opens a session with an inventory host on the calling thread's apartment: telnet or serial,
// its time limit (never past `limit`) and framing delay, logged in with its password when it
// has one. The one place where the exporter gets a device, so that a session of the library can
// take its place.
std::shared_ptr<PelmoraT2> OpenProbeDevice(const InventoryHost& host,
                                           std::chrono::milliseconds limit);

// One probe of one host in a session of its own, run on the calling thread and ended by its
// deadline: whatever the device still owes then is abandoned and the probe reports a time-out.
// A failure is a value of the result, never an exception.
class HostProbe {
 public:
  using Clock = std::chrono::steady_clock;

  HostProbe(ExporterFigures& figures, ProbeCancels& cancels)
      : figures_(figures), cancels_(cancels) {}

  DeviceState Run(const InventoryHost& host, const Profile* profile, Clock::time_point deadline);

 private:
  DeviceState Read(const InventoryHost& host, const Profile* profile, Clock::time_point deadline);

  ExporterFigures& figures_;
  ProbeCancels& cancels_;
};

}  // namespace pelmora::cli
