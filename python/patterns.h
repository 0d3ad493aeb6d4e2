// Marking patterns in text from Python: Net.mark, Net.extract, Net.count and Net.patterns_many,
// over the pattern applyer of the public interface (init_apply_patterns in kora.h).
//
// A call makes one pattern applyer with the options of what it asks for, runs it over each text
// and frees it, all under the library's exclusive lock, since the options are read from the
// library's parameters when the applyer is made; patterns_many serves a whole batch (a Dask
// partition) with one applyer. The direction is the side without the closing tags unless it is
// given. Tested by tests/python/test_patterns.py.
#ifndef KORA_PYTHON_PATTERNS_H
#define KORA_PYTHON_PATTERNS_H

#include <pybind11/pybind11.h>

#include "library.h"

namespace kora_python {

// Adds mark, extract, count and patterns_many to the class Net.
void define_patterns(pybind11::class_<Net, NetPtr> &net);

}  // namespace kora_python

#endif  // KORA_PYTHON_PATTERNS_H
