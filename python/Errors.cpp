#include "Errors.h"

#include <pybind11/eval.h>

#include "Text.h"
#include "pelmora/catalog/CatalogError.h"

namespace pelmora::python {

namespace py = pybind11;

namespace {

constexpr const char* kAutomationErrorSource = R"(
class AutomationError(Exception):
    """A failure of the device, the protocol or the connection, as the library reports it."""

    changes = None  # set when Device.apply stopped: the changes made and not made

    def __init__(self, number, source, description):
        super().__init__(number, source, description)
        self.number = number
        self.source = source
        self.description = description

    def __str__(self):
        return f"error {self.number} ({self.source}): {self.description}"
)";

// The class lives as long as the module, which is never unloaded.
py::handle gAutomationError;

void Translate(std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const AutomationError& error) {
    const py::object raised = Errors::ToPython(error);
    PyErr_SetObject(gAutomationError.ptr(), raised.ptr());
  } catch (const CatalogError& error) {
    const py::str message = python::ToPython(error.Message());
    PyErr_SetObject(
        error.ErrorKind() == CatalogError::Kind::UnknownSetting ? PyExc_KeyError : PyExc_ValueError,
        message.ptr());
  }
}

}  // namespace

void Errors::Register(py::module_& module) {
  py::dict scope;
  scope["__name__"] = module.attr("__name__");
  scope["__builtins__"] = py::module_::import("builtins");
  py::exec(kAutomationErrorSource, scope);
  gAutomationError = py::object(scope["AutomationError"]).release();
  module.attr("AutomationError") = gAutomationError;
  py::register_exception_translator(&Translate);
}

py::object Errors::ToPython(const AutomationError& error) {
  return gAutomationError(error.Number(), python::ToPython(error.Source()),
                          python::ToPython(error.Description()));
}

void Errors::Raise(const py::object& exception) {
  PyErr_SetObject(gAutomationError.ptr(), exception.ptr());
  throw py::error_already_set();
}

}  // namespace pelmora::python
