#include "PendingSignal.h"

#include <pythread.h>

#include <utility>

#include "Interrupt.h"

namespace pelmora::python {

namespace {
unsigned long gMainThread = 0;
}  // namespace

void PendingSignal::NoteMainThread() {
  gMainThread = PyThread_get_thread_ident();
}

bool PendingSignal::Check() {
  if (raised_) return true;
  if (PyThread_get_thread_ident() != gMainThread) return false;
  pybind11::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() == 0) return false;
  raised_.emplace();  // takes the exception the handler raised
  return true;
}

PendingSignal::WakeWhileWaiting::WakeWhileWaiting() {
  if (PyThread_get_thread_ident() != gMainThread) return;
  const int fd = cli::Interrupt::WakeFd();
  if (fd < 0) return;
  namespace py = pybind11;
  previous_ = py::module_::import("signal")
                  .attr("set_wakeup_fd")(fd, py::arg("warn_on_full_buffer") = false)
                  .cast<int>();
  installed_ = true;
}

PendingSignal::WakeWhileWaiting::~WakeWhileWaiting() {
  if (!installed_) return;
  try {
    pybind11::module_::import("signal").attr("set_wakeup_fd")(previous_);
  } catch (const pybind11::error_already_set&) {  // a destructor has nobody to tell
  }
}

void PendingSignal::RaiseIfAny() {
  if (!raised_) return;
  pybind11::error_already_set error = std::move(*raised_);
  raised_.reset();
  throw error;
}

}  // namespace pelmora::python
