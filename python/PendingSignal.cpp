#include "PendingSignal.h"

#include <pythread.h>

#include <utility>

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

void PendingSignal::RaiseIfAny() {
  if (!raised_) return;
  pybind11::error_already_set error = std::move(*raised_);
  raised_.reset();
  throw error;
}

}  // namespace pelmora::python
