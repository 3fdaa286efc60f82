#include "Text.h"

#include <cstdint>
#include <limits>

namespace pelmora::python {

pybind11::str ToPython(const std::string& bytes) {
  return pybind11::reinterpret_steal<pybind11::str>(
      PyUnicode_DecodeLatin1(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), nullptr));
}

std::string WholeNumberText(pybind11::handle number) {
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (value == -1 && PyErr_Occurred() != nullptr) throw pybind11::error_already_set();
  if (overflow != 0 || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    throw pybind11::value_error(std::string(pybind11::str(number)) +
                                " is out of range: a setting's numbers fit 32 bits");
  }
  return std::to_string(value);
}

}  // namespace pelmora::python
