// The arguments of the kora module checked and converted for the library, so that a wrong
// argument raises a Python exception naming it instead of reaching the library as something
// else: a string with a NUL character would be cut short at it by the library's C strings, a
// negative count would wrap around. Each function raises TypeError when `value` is not of the
// kind asked for and ValueError when it is but the library cannot take it; `name` (with
// `index`, when it is 0 or more, as "name[index]") names the argument in the message.
//
// Tested by tests/python/test_arguments.py.
#ifndef KORA_PYTHON_ARGUMENTS_H
#define KORA_PYTHON_ARGUMENTS_H

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <vector>

namespace kora_python {

// A str as UTF-8 bytes (a surrogate escape, as the module writes undecodable bytes of the
// library's text, back as its byte); ValueError for a NUL character.
std::string text_argument(pybind11::handle value, const char *name, std::ptrdiff_t index = -1);

// An iterable of str, but not a str itself (whose characters are not what is meant), as the
// list of their UTF-8 bytes, each checked as text_argument checks it, named "name[i]".
std::vector<std::string> text_list_argument(pybind11::handle value, const char *name);

// A path (str, bytes or os.PathLike) as the bytes the file system is given, as open() takes
// it; ValueError for a NUL byte.
std::string path_argument(pybind11::handle value, const char *name);

// A bytes-like object (bytes, bytearray, memoryview ...) as its bytes.
std::string bytes_argument(pybind11::handle value, const char *name);

// An int (or an object with __index__) from `low` to `high`.
long long integer_argument(pybind11::handle value, const char *name, long long low,
                           long long high);

}  // namespace kora_python

#endif  // KORA_PYTHON_ARGUMENTS_H
