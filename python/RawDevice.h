#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "Device.h"

namespace pelmora::python {

// Device.raw: the library's device object under its own member names (GetSSID(),
// SetWiFiChannel(6), ...). Each call runs through the Device, so it keeps the Device's thread,
// GIL and Ctrl-C rules; reports come back as VersionInfo, IPInfo and WirelessInfo objects.
struct RawDevice {
  std::shared_ptr<Device> device;

  static void Bind(pybind11::module_& module);
};

}  // namespace pelmora::python
