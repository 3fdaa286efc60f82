#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace pelmora::python {

// A text of the library: one byte per character. In Python it is a str whose characters are
// those bytes (Latin-1), so every byte a device sends survives the way back unchanged.
struct Text {
  std::string bytes;
};

pybind11::str ToPython(const std::string& bytes);

// A Python int as the decimal text of a 32-bit whole number; ValueError beyond that range, where
// no setting has a value.
std::string WholeNumberText(pybind11::handle number);

}  // namespace pelmora::python

namespace pybind11::detail {

template <>
struct type_caster<pelmora::python::Text> {
  PYBIND11_TYPE_CASTER(pelmora::python::Text, const_name("str"));

  // A str with a character beyond U+00FF has no single-byte form: ValueError, nothing sent.
  bool load(handle source, bool /*convert*/) {
    if (!PyUnicode_Check(source.ptr())) return false;
    object bytes = reinterpret_steal<object>(PyUnicode_AsLatin1String(source.ptr()));
    if (!bytes) {
      PyErr_Clear();
      throw value_error("text " + std::string(repr(source)) +
                        " has a character beyond U+00FF; the device takes one byte per character");
    }
    value.bytes.assign(PyBytes_AsString(bytes.ptr()),
                       static_cast<std::size_t>(PyBytes_Size(bytes.ptr())));
    return true;
  }

  static handle cast(const pelmora::python::Text& text, return_value_policy, handle) {
    return pelmora::python::ToPython(text.bytes).release();
  }
};

}  // namespace pybind11::detail
