#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "Device.h"

namespace pelmora::python {

// The Device's members that go through the settings catalog: get, set, get_all and settings by
// the settings' names; backup, diff and apply with profiles. Names, words, conversions, checks
// and plans are the catalog's; values cross as the catalog's profile JSON.
class CatalogCalls {
 public:
  static void Bind(pybind11::class_<Device, std::shared_ptr<Device>>& device);
};

}  // namespace pelmora::python
