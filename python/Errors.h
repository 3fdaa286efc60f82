#pragma once

#include <pybind11/pybind11.h>

#include "pelmora/platform/AutomationError.h"

namespace pelmora::python {

// The module's errors: pelmora.AutomationError(number, source, description) for the library's
// automation errors; KeyError for an unknown setting name and ValueError for a value or a use
// that the settings catalog refuses, both raised before anything is sent.
class Errors {
 public:
  static void Register(pybind11::module_& module);

  // The Python exception for `error`, to raise or to add attributes to.
  static pybind11::object ToPython(const AutomationError& error);
  // Raises `exception` (made by ToPython) from C++.
  [[noreturn]] static void Raise(const pybind11::object& exception);
};

}  // namespace pelmora::python
