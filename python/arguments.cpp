// The checks of the kora module's arguments (see arguments.h).

#include "arguments.h"

#include <cstring>
#include <string>
#include <vector>

namespace py = pybind11;

namespace kora_python {

namespace {

std::string argument_name(const char *name, std::ptrdiff_t index) {
  return index < 0 ? name : std::string(name) + "[" + std::to_string(index) + "]";
}

[[noreturn]] void wrong_type(py::handle value, const std::string &name, const char *wanted) {
  throw py::type_error(name + " must be " + wanted + ", not " + Py_TYPE(value.ptr())->tp_name);
}

void refuse_nul(const char *bytes, size_t length, const std::string &name) {
  if (std::memchr(bytes, '\0', length) != nullptr)
    throw py::value_error(name + " contains a NUL character");
}

}  // namespace

std::string text_argument(py::handle value, const char *name, std::ptrdiff_t index) {
  if (!PyUnicode_Check(value.ptr())) wrong_type(value, argument_name(name, index), "str");
  // The UTF-8 form that the str keeps is used when there is one (it has no surrogates).
  Py_ssize_t length = 0;
  const char *utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &length);
  std::string bytes;
  if (utf8 != nullptr) {
    bytes.assign(utf8, static_cast<size_t>(length));
  } else {
    PyErr_Clear();
    py::object escaped = py::reinterpret_steal<py::object>(
        PyUnicode_AsEncodedString(value.ptr(), "utf-8", "surrogateescape"));
    if (!escaped) throw py::error_already_set();  // a surrogate that escapes no byte
    bytes = std::string(PyBytes_AS_STRING(escaped.ptr()),
                        static_cast<size_t>(PyBytes_GET_SIZE(escaped.ptr())));
  }
  refuse_nul(bytes.data(), bytes.size(), argument_name(name, index));
  return bytes;
}

std::vector<std::string> text_list_argument(py::handle value, const char *name) {
  if (PyUnicode_Check(value.ptr()) || !py::isinstance<py::iterable>(value))
    wrong_type(value, name, "an iterable of str");
  std::vector<std::string> texts;
  for (py::handle item : value) texts.push_back(text_argument(item, name, texts.size()));
  return texts;
}

std::string path_argument(py::handle value, const char *name) {
  py::object path = py::reinterpret_steal<py::object>(PyOS_FSPath(value.ptr()));
  if (!path) {
    PyErr_Clear();
    wrong_type(value, name, "a str, bytes or os.PathLike");
  }
  py::object bytes = path;
  if (PyUnicode_Check(path.ptr())) {
    bytes = py::reinterpret_steal<py::object>(PyUnicode_EncodeFSDefault(path.ptr()));
    if (!bytes) throw py::error_already_set();
  }
  std::string file(PyBytes_AS_STRING(bytes.ptr()),
                   static_cast<size_t>(PyBytes_GET_SIZE(bytes.ptr())));
  refuse_nul(file.data(), file.size(), name);
  return file;
}

std::string bytes_argument(py::handle value, const char *name) {
  if (!PyObject_CheckBuffer(value.ptr())) wrong_type(value, name, "bytes-like");
  Py_buffer view;
  if (PyObject_GetBuffer(value.ptr(), &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
  std::string bytes(static_cast<const char *>(view.buf), static_cast<size_t>(view.len));
  PyBuffer_Release(&view);
  return bytes;
}

long long integer_argument(py::handle value, const char *name, long long low, long long high) {
  if (!PyIndex_Check(value.ptr())) wrong_type(value, name, "an int");
  py::object number = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!number) throw py::error_already_set();
  int overflow = 0;
  long long integer = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (integer == -1 && PyErr_Occurred()) throw py::error_already_set();
  std::string shown = py::str(number);
  if (overflow < 0 || (overflow == 0 && integer < low))
    throw py::value_error(std::string(name) + " must be " + std::to_string(low) +
                          " or more, not " + shown);
  if (overflow > 0 || integer > high)
    throw py::value_error(std::string(name) + " must be at most " + std::to_string(high) +
                          ", not " + shown);
  return integer;
}

}  // namespace kora_python
