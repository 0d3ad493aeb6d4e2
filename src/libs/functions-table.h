// The table of user-defined regex functions: for each function name (a symbol whose name ends
// with "("), the record of its parameters and body text, as the regex compiler stored them.
//
// The table is a hash table "Function table" of 61 buckets keyed by the name's label id, and
// the records are cells of the heap "Function records" (24 per block); both are made on first
// use. Lookups cost O(1). Compiling and calling the functions is the regex compiler's work.
#pragma once

#include <cstdint>
#include <cstdio>

#include "lab-vect.h"

namespace kora {

struct FUNCTION_RECORD {
  uint32_t name;           // label id of the name, which ends with "("
  LAB_VECTOR *parameters;  // the label ids of the parameter names; owned
  char *body;              // the body text (malloc); owned
  int encoding;            // the library's character encoding (parameter word 44) when defined
};

struct HASH_TABLE;
struct HEAP;

// The table and the heap of its records, both made on first use. Defined in globals.cpp with the
// rest of the library's state.
struct UserFunctions {
  HASH_TABLE *table = nullptr;
  HEAP *records = nullptr;
};
extern UserFunctions user_functions;

// Defines the function `id` with `parameters` and `body` (malloc'ed text), both of which the
// record owns from then on, and the current library encoding; returns the record (the table's).
// An existing record of `id` is reused: its old parameters and body are freed, and when verbose
// the warning "Function '<signature>' is being redefined." is given.
FUNCTION_RECORD *define_function_record(uint32_t id, LAB_VECTOR *parameters, char *body);

// The record of the function `id` (the table's), or null.
FUNCTION_RECORD *lookup_function(uint32_t id);

// Prints the name of `id`, the names of the parameters separated by ", ", and ")" on `stream`
// (standard output when null).
void print_function_signature(uint32_t id, const LAB_VECTOR *parameters, FILE *stream);

// Frees every record, the table and the record heap. Part of freeing the definitions.
void free_function_table();

}  // namespace kora
