#pragma once

#include <vector>

#include "pelmora/metrics/DeviceState.h"
#include "pelmora/metrics/MetricFamily.h"

namespace pelmora {

// A probe's values as the pelmora_* metric families. A pure function: the same state gives the
// same families, in the same order.
//
// A failed probe gives pelmora_up 0, its duration and pelmora_probe_error_info{number,source};
// a probe that read the device gives pelmora_up 1 and every family of the device, plus the
// drift families when the state carries a comparison with a profile. Texts from the device
// become UTF-8, so a scraper can read any byte the device sends.
class DeviceMetrics {
 public:
  static std::vector<MetricFamily> Families(const DeviceState& state);

  // "unrecognized", "empty", "connecting", "authenticated" (other codes: "unrecognized").
  static const char* EapStateWord(std::int32_t code) noexcept;
};

}  // namespace pelmora
