// The "Names" table: the shared key strings of property lists, and the test that tells a shared
// string (never copied, never freed by the property code) from one that a property owns.
//
// The table holds one fat string for every standard property key (NETWORKNAME, SIGMA,
// EQV-VECTOR, ...) and for "0", "?", "NIL" and "OTHER". A property stored under a standard key
// points at the table's string, so the thousands of networks that carry a NETWORKNAME share one
// key. The table is a hash table of 101 buckets; a lookup costs one hash of the name and a short
// chain walk.
#pragma once

#include <cstdint>

#include "fat-str.h"

namespace kora {

struct HASH_TABLE;

// The table, from make_names_table to free_names_table. Defined in globals.cpp with the rest of
// the library's state.
extern HASH_TABLE *property_names;

// Makes the table and fills it. Called by initialize_kora after the label maps exist; a second
// call without free_names_table in between changes nothing.
void make_names_table();

// Frees the table and its strings. Called by reclaim_kora before the cell heaps are freed (the
// table's entries are heap cells). Every key that pointed into the table becomes invalid.
void free_names_table();

// The table's string equal to `name`, or null when `name` is not in the table (or the table does
// not exist). The string belongs to the table.
FAT_STR shared_name(const uint32_t *name);

// shared_name of an ASCII name, for code that names a standard key: standard_name("SIGMA").
FAT_STR standard_name(const char *name);

// Whether `s` is the very string held in the table, or the very name string of a symbol interned
// in the current label map: such a string is shared and the property code neither copies nor
// frees it. Equal contents at another address are not shared. Null is not shared.
bool is_shared_string(const uint32_t *s);

}  // namespace kora
