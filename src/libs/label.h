// Labels: the label map interns symbol names and symbol tuples and gives each a permanent id.
//
// A label is a symbol (arity 1, a fat name) or a tuple of symbol ids (arity 2 for the pair
// upper:lower of a transducer). Ids are never reused while the library is initialized. Three
// maps exist after initialization: "Attribute" and "Value" hold the attribute and value names
// of flag diacritics, "Default" holds everything else and is current. Interning is a hash
// lookup and an array append.
//
// Each map keeps its labels in an array indexed by id and their ids in a flat hash table
// (flat-hash.h) keyed by the label (a name, or a tuple of ids) through label_hash passed through
// hash_mix. The table doubles as it fills, so interning and lookup stay O(1) on average however
// many labels a big transducer brings; the label array grows by the map's increment, or by half
// its size when that is larger. Label records come from one cell heap shared by all maps.
//
// Beside the label array each map keeps, indexed by id, the upper side, the lower side and the
// arity of every label, filled when the label is interned and grown with the label array.
// label_sides points at the current map's three arrays, so that upper_id, lower_id and
// label_arity, which composition-like loops call for every arc, are an inline bounds check and
// one array read. Tested in tests/networks/label_test.cpp.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fat-str.h"
#include "flat-hash.h"
#include "kora.h"

namespace kora {

struct HEAP;

// Built-in ids, fixed when the "Default" map is made.
constexpr uint32_t EPSILON = 0;
constexpr uint32_t OTHER = 1;
constexpr uint32_t ALTCHAIN_SYMBOL = 2;
constexpr uint32_t GUARDED_EPSILON = 3;
constexpr uint32_t DET_EPSILON = 4;
constexpr uint32_t SPACE_SYMBOL = 32;
constexpr uint32_t ASTERISK_SYMBOL = 42;
constexpr uint32_t DUMMY_SYMBOL = 128;
constexpr uint32_t BOUNDARY_SYMBOL = 129;
constexpr uint32_t AND_CHECK = 130;
constexpr uint32_t OR_CHECK = 131;
constexpr uint32_t LEFT_CONTEXT = 132;
constexpr uint32_t RIGHT_CONTEXT = 133;
constexpr uint32_t NON_LEFT_CONTEXT = 134;
constexpr uint32_t NON_RIGHT_CONTEXT = 135;
constexpr uint32_t FIRST_FUNCTION_SYMBOL = 136;  // "Explode(" .. "EndTag(" are 136 .. 152
constexpr uint32_t LAST_FUNCTION_SYMBOL = 152;

constexpr uint32_t ID_NO_SYMBOL = 0xFFFFFF;
constexpr uint32_t MAX_LABEL = 0xFFFFFE;

// Actions of flag diacritics, by their codes.
enum FlagAction {
  NO_FLAG_ACTION = 0,
  CLEAR_SETTING = 1,     // @C.attr@
  POSITIVE_SETTING = 2,  // @P.attr.value@
  NEGATIVE_SETTING = 3,  // @N.attr.value@
  UNIFY_TEST = 4,        // @U.attr.value@
  DISALLOW_TEST = 5,     // @D.attr@ or @D.attr.value@
  REQUIRE_TEST = 6,      // @R.attr@ or @R.attr.value@
  FAIL_ACTION = 7,       // @F@
  INSERT_SUBNET = 8,     // @I.name@
  SET_TO_ATTR = 9,       // @S.attr.attr@
  EQUAL_ATTR_TEST = 10,  // @E.attr.attr@
  LIST_ACTION = 11,      // @L.name@
  EXCLUDE_LIST = 12,     // @T.name@
  FUNCTION_ACTION = 13,  // @F.name(@
  EXTERNAL_ACTION = 14,  // @X.name@
};

struct FLAG_DIACRITIC {
  int32_t action;      // a FlagAction
  uint32_t attribute;  // id in the "Attribute" map (0 for @F@)
  uint32_t value;      // meaning by action: a "Value" id, an "Attribute" id, a symbol id or 0
};

struct TUPLE {
  uint32_t *components;  // arity ids
  uint32_t filler;       // ID_NO_SYMBOL
};

struct LABEL {
  uint32_t id;
  uint32_t reserved;     // ID_NO_SYMBOL at creation
  int16_t arity;         // 1 for a symbol, 2 or more for a tuple
  ALPH *definition;      // the symbol list defined under this name, or null
  FLAG_DIACRITIC *flag;  // for a flag-diacritic symbol, else null
  uint32_t apply_mark_1;
  uint32_t apply_mark_2;
  uint32_t definition_type;  // 0, or 2 when the name is defined as a symbol list
  union {
    FAT_STR name;  // arity 1: the symbol's name (owned by the label)
    TUPLE *tuple;  // arity 2 or more
  };
};

struct LABEL_MAP {
  char *name;
  FlatHash<uint32_t> *table;  // the ids, by label
  uint32_t count;           // ids given out; the next id
  uint32_t capacity;        // the largest id the label array has room for
  uint32_t increment;       // the least growth of the label array
  uint32_t reserved_count;  // the built-in ids
  LABEL **labels;           // indexed by id, like the three arrays below
  uint32_t *upper_sides;    // the first component of a tuple; a symbol's own id
  uint32_t *lower_sides;    // the second component of a tuple; a symbol's own id
  int16_t *arities;
  LABEL_MAP *next;
};

// The arrays of sides and arities of the current map and the number of ids they cover; all
// empty when there is no current map. Brought up to date by interning in the current map and
// by set_label_map; read through upper_id, lower_id and label_arity.
struct LABEL_SIDES {
  uint32_t count;
  const uint32_t *upper;
  const uint32_t *lower;
  const int16_t *arity;
};
extern LABEL_SIDES label_sides;

#define LIM_id_count(map) ((map)->count)

// --- Maps -------------------------------------------------------------------------------------

// Names interned with flag parsing pass through the flag reader, which gives the flag record of
// a well-formed flag diacritic (reporting an ill-formed one) and null for any other name. The
// flag-diacritic module installs it at start-up; without one no name is a flag.
using FlagReader = FLAG_DIACRITIC *(*)(const uint32_t *name);
void set_flag_reader(FlagReader reader);

// The label maps and what interning keeps beside them. Defined in globals.cpp with the rest of
// the library's state; label_sides above follows `current`.
struct LabelMaps {
  LABEL_MAP *first = nullptr;        // every map in creation order, linked through next
  LABEL_MAP *current = nullptr;      // the map that interning and the side arrays use
  LABEL_MAP *attribute = nullptr;    // "Attribute": the attributes of flag diacritics
  LABEL_MAP *value = nullptr;        // "Value": the values of flag diacritics
  LABEL_MAP *default_map = nullptr;  // "Default": the map of networks
  FlagReader flag_reader = nullptr;  // installed by the flag-diacritic module
  HEAP *label_heap = nullptr;        // the cells of every label record of every map
  // Bit b - 0x80 is set once the undefined Windows-1252 byte b has been warned about. Atomic
  // because applyers on several threads read bytes through input_character_code.
  std::atomic<uint32_t> warned_undefined_bytes{0};
};
extern LabelMaps label_maps;

// Makes "Attribute", "Value" and "Default" with the built-in symbols and makes "Default"
// current. In "Attribute" and "Value" the id 0 is held by the empty name, so that no real
// attribute or value has the id that flag records use for "none". Called by initialize_kora.
void make_label_maps();

// Frees every map, label, name, tuple and flag record, and the label heap. Must run before the
// cell heaps are freed (the label records live in one). A second call does nothing.
void free_label_maps();

// A new empty map named after a copy of `name` (null counts as ""), appended to the global list
// and owned by it until free_label_maps. An increment below 1 counts as 1.
LABEL_MAP *make_label_map(const char *name, uint32_t increment);
LABEL_MAP *current_label_map();
LABEL_MAP *attribute_label_map();
LABEL_MAP *value_label_map();

// Null makes "Default" current. A map that does not exist is warned about and gives 1.
int set_label_map(LABEL_MAP *map);

// --- Interning: each returns 0, or a nonzero status with *out = ID_NO_SYMBOL ------------------
// Statuses: 1 a bad argument (null name, id never given out, tuple component, bad arity),
// 2 not found (lookups), 7 no id left. `out` must not be null. Names are copied.

// A thin name in the context's input encoding: "" gives EPSILON and a one-character name whose
// code is 2 to 127 gives that code; anything else is decoded and interned as a fat name.
int intern_symbol(uint32_t *out, const char *name);
// The same for a name in UTF-8 whatever the input encoding; gives 1 (with the id of what could
// be decoded) when the name is not valid UTF-8.
int intern_utf8_symbol(uint32_t *out, const char *name);
// intern_symbol's id, or ID_NO_SYMBOL.
uint32_t symbol_id(const char *name);

// Interns a fat name in the current map. When parameter word 10 is set, the codes 0x80-0x9F of
// `name` are first replaced in place by their Windows-1252 characters. "" gives EPSILON. A new
// name that is a well-formed flag diacritic gets its flag record and apply marks 0 (an
// ill-formed one is reported and becomes an ordinary symbol); other new names get marks 1.
int intern_fat_symbol(uint32_t *out, FAT_STR name);

// Interns a fat name in `map` as a plain symbol (no flag parsing, no character conversion).
int intern_symbol_in_map(LABEL_MAP *map, uint32_t *out, const uint32_t *name);

// Bytes 2-127 give their code; 0x80-0x9F go through Windows-1252 when parameter word 10 is set
// (an undefined one is warned about once per byte when verbose); the result is interned.
int intern_byte_symbol(uint32_t *out, unsigned char byte);

// The character an input code stands for: 0x80-0x9F go through Windows-1252 when parameter word
// 10 is set; with from_byte an undefined one is warned about once per byte when verbose. Safe to
// call from several threads.
uint32_t input_character_code(uint32_t code, bool from_byte);

// The id of the one-character symbol of `code` (already converted by input_character_code) if
// the current map has it, else ID_NO_SYMBOL; codes 2-127 are their own ids. Only reads the map,
// so threads may call it while nothing is interned.
uint32_t find_character_symbol(uint32_t code);

// The label upper:lower. a:a is the symbol a itself, except OTHER:OTHER which is a pair. A
// component that is a tuple is reported and refused.
int intern_pair(uint32_t *out, uint32_t upper, uint32_t lower);
// intern_pair's id; an id of 0xFFFFFF or more is reported and gives ID_NO_SYMBOL.
uint32_t pair_id(uint32_t upper, uint32_t lower);
// A tuple of `arity` (2 to 32767) symbol ids, copied.
int intern_tuple(uint32_t *out, const uint32_t *components, int arity);

// 0 and the id, or 2 and ID_NO_SYMBOL when the name was never interned. "" gives EPSILON.
int lookup_symbol(uint32_t *out, const uint32_t *name);

// --- Hashing ----------------------------------------------------------------------------------

// Bob Jenkins' lookup3 hashword over `length` 32-bit words with the initial value `initval`.
uint32_t hashword(const uint32_t *words, size_t length, uint32_t initval);
// The hash of a name: hashword over its codes with initial value 101.
uint32_t fat_hash(const uint32_t *name);
// A symbol's fat_hash; for a tuple, starting from 58, each component in turn shifts the value
// left by the component's bit length and adds the component.
uint32_t label_hash(const LABEL *label);

// --- Label information ------------------------------------------------------------------------

// The label of an id of the current map (null for an id never given out). The record stays the
// map's.
LABEL *label_record(uint32_t id);
uint32_t label_count();

// The first and second component of a tuple; a symbol is its own upper and lower side. An id
// never given out gives ID_NO_SYMBOL.
inline uint32_t upper_id(uint32_t label) {
  return label < label_sides.count ? label_sides.upper[label] : ID_NO_SYMBOL;
}
inline uint32_t lower_id(uint32_t label) {
  return label < label_sides.count ? label_sides.lower[label] : ID_NO_SYMBOL;
}

// The arity of a label of the current map, 0 for an id never given out.
inline int label_arity(uint32_t label) {
  return label < label_sides.count ? label_sides.arity[label] : 0;
}

// OTHER, GUARDEDEPSILON, _DET_EPSILON_, the boundary, check and context symbols.
int is_special_symbol(uint32_t id);
// A name of two or more codes that starts with neither "*" nor "@".
int is_multichar_symbol(uint32_t id);

// --- Printing ---------------------------------------------------------------------------------

// Prints a label (tuples as upper:lower; EPSILON as 0, OTHER as ?, the boundary as .#.) on the
// stream (standard output when null) in the output encoding. With `escape`, a one-character
// name is printed with the escapes that keep it apart from those: the blank, "0", "?", "%" and
// the control characters. Returns the columns written; an id never given out prints nothing.
int print_label(uint32_t id, FILE *stream, int escape);

// Appends what print_label prints to `text` and returns its columns.
int append_label(std::string &text, uint32_t id, int escape);

}  // namespace kora
