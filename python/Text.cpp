#include "Text.h"

namespace pelmora::python {

pybind11::str ToPython(const std::string& bytes) {
  return pybind11::reinterpret_steal<pybind11::str>(
      PyUnicode_DecodeLatin1(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), nullptr));
}

}  // namespace pelmora::python
