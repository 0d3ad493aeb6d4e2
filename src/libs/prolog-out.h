// Networks written as Prolog facts: write_prolog and write_prolog_nets, declared in kora.h, and
// what the reader of the format (prolog-in.h) shares with the writer. The format and the method
// are described in prolog-out.cpp. Tested in tests/formats/prolog_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "kora.h"

namespace kora {

// The characters that end an atom of the format (a network's Prolog name or a state number):
// blanks and the other control characters, and the punctuation , . : ( ) ! (a comment) and "
// (a quoted symbol).
inline bool ends_prolog_atom(uint32_t c) {
  return c <= ' ' || c == ',' || c == '.' || c == ':' || c == '(' || c == ')' || c == '!' ||
         c == '"';
}

// Whether the `length` bytes at `name` are "net_" followed only by hexadecimal digits (at least
// one): the Prolog name of a network without a name of its own.
bool is_generated_prolog_name(const char *name, size_t length);

// The numbers in the names "net_%llx" of the networks written without a name of their own: each
// network keeps its number while it lives, so that it has the same name in every file, and no
// two networks share one while the library runs. Defined in globals.cpp with the rest of the
// library's state.
struct PrologNumbers {
  std::unordered_map<const NET *, unsigned long long> numbers;
  unsigned long long next = 1;
};
extern PrologNumbers prolog_numbers;

// Forgets the number of a network being freed: the network-freed hook that initialize_kora
// installs.
void forget_prolog_number(NET *net);

// Forgets every number and starts again from 1 (part of reclaiming the library).
void forget_prolog_numbers();

}  // namespace kora
