#pragma once

#include "pelmora/catalog/Profile.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/metrics/DeviceState.h"

namespace pelmora {

// Reads what a probe reports from a device whose session is open (and logged in where the
// profile's settings need it): the version, IP and wireless screens, the channel, the SSID and
// the discarded-messages counter, and, with a profile, the drift of each setting it names.
// Automation errors reach the caller; the duration and failure are the caller's to fill.
class DeviceReading {
 public:
  static DeviceState Read(PelmoraT2& device, const Profile* profile = nullptr);
};

}  // namespace pelmora
