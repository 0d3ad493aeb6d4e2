// The label maps: interning of symbol names and tuples, the built-in symbols, the information
// kept per label, and the printing of labels.
//
// Interning looks the label up in the map's hash table and, when it is new, appends it to the
// map's label array, whose index is the id, recording its sides and arity beside it. Both steps
// are O(1) on average (see label.h for how the table and the arrays grow). Lookups of a thin
// name first decode it into a fat one, which costs O(length). Tested in
// tests/networks/label_test.cpp.

#include "label.h"

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "boundary.h"
#include "context.h"
#include "error.h"
#include "fat-print.h"
#include "heap.h"
#include "utf8.h"

namespace kora {
namespace {

constexpr unsigned kLabelsPerBlock = 1024;
// Hash of a tuple before its first component.
constexpr uint32_t kTupleHashSeed = 58;
constexpr uint32_t kNameHashSeed = 101;
// The characters that print_label escapes in a one-character name.
constexpr const char *kEscapedInLabels = " 0\n?%\t\r\v\b\f";

// Points label_sides at the current map's arrays, or at nothing.
void follow_current_map() {
  const LABEL_MAP *map = label_maps.current;
  label_sides = map != nullptr
                    ? LABEL_SIDES{map->count, map->upper_sides, map->lower_sides, map->arities}
                    : LABEL_SIDES{};
}

// Reallocates `array` to `size` items; `what` names the caller when memory runs out.
template <typename T>
void resize_array(T *&array, uint32_t size, const char *what) {
  auto *moved = static_cast<T *>(std::realloc(array, sizeof(T) * size));
  if (moved == nullptr) out_of_memory(what);
  array = moved;
}

// Gives the map's label array and its arrays of sides and arities room for `size` ids.
void resize_label_arrays(LABEL_MAP *map, uint32_t size, const char *what) {
  resize_array(map->labels, size, what);
  resize_array(map->upper_sides, size, what);
  resize_array(map->lower_sides, size, what);
  resize_array(map->arities, size, what);
  map->capacity = size - 1;
}

const char *const kFunctionSymbolNames[] = {
    "Explode(", "Implode(", "UpCase(",  "DownCase(", "OptUpCase(", "OptDownCase(",
    "Cap(",     "OptCap(",  "AnyCase(", "Latin1(",   "AND(",       "OR(",
    "LC(",      "RC(",      "NLC(",     "NRC(",      "EndTag("};

inline uint32_t rotate(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }

// The mixing and final rounds of lookup3.
inline void mix(uint32_t &a, uint32_t &b, uint32_t &c) {
  a -= c;
  a ^= rotate(c, 4);
  c += b;
  b -= a;
  b ^= rotate(a, 6);
  a += c;
  c -= b;
  c ^= rotate(b, 8);
  b += a;
  a -= c;
  a ^= rotate(c, 16);
  c += b;
  b -= a;
  b ^= rotate(a, 19);
  a += c;
  c -= b;
  c ^= rotate(b, 4);
  b += a;
}

inline void final_mix(uint32_t &a, uint32_t &b, uint32_t &c) {
  c ^= b;
  c -= rotate(b, 14);
  a ^= c;
  a -= rotate(c, 11);
  b ^= a;
  b -= rotate(a, 25);
  c ^= b;
  c -= rotate(b, 16);
  a ^= c;
  a -= rotate(c, 4);
  b ^= a;
  b -= rotate(a, 14);
  c ^= b;
  c -= rotate(b, 24);
}

int bit_length(uint32_t x) { return x == 0 ? 0 : 32 - __builtin_clz(x); }

// The hash of a label in the map's table. The tuple hash keeps the last component in its low
// bits, so pairs that share a lower side would crowd together; hash_mix spreads every bit of
// label_hash over the whole word.
uint64_t table_hash(const LABEL *label) { return hash_mix(label_hash(label)); }

// Equal names, or equal tuples.
bool same_label(const LABEL *x, const LABEL *y) {
  if (x->arity != y->arity) return false;
  if (x->arity == 1) return fat_strcmp(x->name, y->name) == 0;
  for (int i = 0; i < x->arity; i++)
    if (x->tuple->components[i] != y->tuple->components[i]) return false;
  return true;
}

// The label of `map` equal to `key`, or null.
LABEL *find_label(LABEL_MAP *map, const LABEL *key) {
  const uint32_t *id = map->table->find(
      table_hash(key), [map, key](uint32_t held) { return same_label(map->labels[held], key); });
  return id != nullptr ? map->labels[*id] : nullptr;
}

// The symbol of `map` named `name`, or null.
LABEL *find_name(LABEL_MAP *map, const uint32_t *name) {
  LABEL key{};
  key.arity = 1;
  key.name = const_cast<FAT_STR>(name);
  return find_label(map, &key);
}

// The tuple of `map` with these components, or null.
LABEL *find_tuple(LABEL_MAP *map, const uint32_t *components, int arity) {
  TUPLE tuple{const_cast<uint32_t *>(components), ID_NO_SYMBOL};
  LABEL key{};
  key.arity = static_cast<int16_t>(arity);
  key.tuple = &tuple;
  return find_label(map, &key);
}

// A record from the label heap with no id yet, both apply marks 1 and nothing else set.
LABEL *new_label(int arity) {
  auto *label = static_cast<LABEL *>(cell_alloc(label_maps.label_heap));
  if (label == nullptr) out_of_memory("INTERN_NEW_LABEL");
  *label = LABEL{};
  label->reserved = ID_NO_SYMBOL;
  label->arity = static_cast<int16_t>(arity);
  label->apply_mark_1 = 1;
  label->apply_mark_2 = 1;
  return label;
}

// A new symbol record that owns a copy of `name`.
LABEL *new_symbol_label(const uint32_t *name) {
  LABEL *label = new_label(1);
  label->name = fat_strdup(name);
  return label;
}

// The tuple record and its components are one allocation.
LABEL *new_tuple_label(const uint32_t *components, int arity) {
  LABEL *label = new_label(arity);
  auto *tuple = static_cast<TUPLE *>(allocate_or_die(sizeof(TUPLE) + sizeof(uint32_t) * arity, "FSTPAIR"));
  tuple->components = reinterpret_cast<uint32_t *>(tuple + 1);
  std::memcpy(tuple->components, components, sizeof(uint32_t) * arity);
  tuple->filler = ID_NO_SYMBOL;
  label->tuple = tuple;
  return label;
}

// Frees the record with its name or tuple and its flag record.
void free_label(LABEL *label) {
  if (label->arity == 1)
    std::free(label->name);
  else
    std::free(label->tuple);
  std::free(label->flag);
  free_cell(label, label_maps.label_heap);
}

// Gives `label` the map's next id and enters it. Returns 0; or, when no id is left, reports,
// frees the label and returns 7 with ID_NO_SYMBOL.
int intern_new_label(LABEL_MAP *map, LABEL *label, uint32_t *out) {
  if (map->count > MAX_LABEL) {
    error_printf("%s: Too many labels. (%d)", "intern_new_symbol", static_cast<int>(map->count));
    free_label(label);
    *out = ID_NO_SYMBOL;
    return 7;
  }
  if (map->count > map->capacity) {
    uint32_t size = map->capacity + 1;
    uint32_t step = map->increment > size / 2 ? map->increment : size / 2;
    uint32_t new_size = size + step > MAX_LABEL + 1 ? MAX_LABEL + 1 : size + step;
    resize_label_arrays(map, new_size, "INTERN_NEW_LABEL");
  }
  const uint32_t id = map->count++;
  label->id = id;
  map->labels[id] = label;
  map->upper_sides[id] = label->arity == 1 ? id : label->tuple->components[0];
  map->lower_sides[id] = label->arity == 1 ? id : label->tuple->components[1];
  map->arities[id] = label->arity;
  if (map == label_maps.current) follow_current_map();
  bool added;
  *map->table->insert(
      table_hash(label),
      [map, label](uint32_t held) { return same_label(map->labels[held], label); },
      &added) = id;
  *out = id;
  return 0;
}

// Interns a name in `map`; with `parse_flags`, a new name that is a well-formed flag
// diacritic gets its flag record and apply marks 0.
int intern_name(LABEL_MAP *map, uint32_t *out, const uint32_t *name, bool parse_flags) {
  if (LABEL *label = find_name(map, name)) {
    *out = label->id;
    return 0;
  }
  LABEL *label = new_symbol_label(name);
  int status = intern_new_label(map, label, out);
  if (status != 0 || !parse_flags || label_maps.flag_reader == nullptr) return status;
  FLAG_DIACRITIC *flag = label_maps.flag_reader(label->name);
  if (flag == nullptr) return status;
  label->apply_mark_1 = 0;
  label->apply_mark_2 = 0;
  label->flag = flag;
  return 0;
}

// Whether `map` is on the global list.
bool is_map(const LABEL_MAP *map) {
  for (LABEL_MAP *m = label_maps.first; m != nullptr; m = m->next)
    if (m == map) return true;
  return false;
}

// An id of the current map that is a tuple, else null.
const LABEL *tuple_label(uint32_t id) {
  const LABEL *label = label_record(id);
  return label != nullptr && label->arity > 1 ? label : nullptr;
}

// Reports ids that the current map never gave out and components that are tuples. Returns
// whether every component is a symbol of the map.
bool check_components(const uint32_t *components, int arity) {
  for (int i = 0; i < arity; i++) {
    uint32_t id = components[i];
    if (label_record(id) == nullptr) {
      error_printf("%d is not a legal symbol id", static_cast<int>(id));
      return false;
    }
    if (tuple_label(id) != nullptr) {
      FILE *stream = message_stream();
      print_label(id, stream, 0);
      std::fprintf(stream, ": Tuple as a tuple constituent in %s (%d)", "TUPLE_ERROR",
                   static_cast<int>(id));
      flush_message_as_error();
      return false;
    }
  }
  return true;
}

// The id of the tuple of the current map, interned when new; 1 when a component is refused.
int intern_tuple_components(uint32_t *out, const uint32_t *components, int arity) {
  *out = ID_NO_SYMBOL;
  if (!check_components(components, arity)) return 1;
  if (LABEL *label = find_tuple(label_maps.current, components, arity)) {
    *out = label->id;
    return 0;
  }
  return intern_new_label(label_maps.current, new_tuple_label(components, arity), out);
}

// Appends an ASCII name (at most 23 characters) to the "Default" map.
void intern_builtin(const char *name) {
  uint32_t codes[24];
  int n = 0;
  KORA_ASSERT(std::strlen(name) < 24);
  while (name[n] != '\0') {
    codes[n] = static_cast<unsigned char>(name[n]);
    n++;
  }
  codes[n] = 0;
  uint32_t id;
  intern_new_label(label_maps.default_map, new_symbol_label(codes), &id);
}

// Interns the built-in symbols 0-152 into the empty "Default" map and sets their apply marks.
void intern_builtins() {
  LABEL_MAP *label_map = label_maps.default_map;
  KORA_ASSERT(label_map && LIM_id_count(label_map) == 0);
  for (const char *name :
       {"**EPSILON**", "**OTHER**", "*ALTCHAIN*", "GUARDEDEPSILON", "_DET_EPSILON_"})
    intern_builtin(name);
  for (int code = 5; code < 128; code++) {
    const char name[2] = {static_cast<char>(code), '\0'};
    intern_builtin(name);
  }
  for (const char *name :
       {"**DUMMY_SYMBOL**", "**BOUNDARY_SYMBOL**", "*AND_CHECK*", "*OR_CHECK*", "*LEFT_CONTEXT*",
        "*RIGHT_CONTEXT*", "*NON_LEFT_CONTEXT*", "*NON_RIGHT_CONTEXT*"})
    intern_builtin(name);
  for (const char *name : kFunctionSymbolNames) intern_builtin(name);
  for (uint32_t id = 0; id < label_map->count; id++) {
    LABEL *label = label_map->labels[id];
    if (id <= ALTCHAIN_SYMBOL || id >= DUMMY_SYMBOL) label->apply_mark_1 = 0;
    if (id == GUARDED_EPSILON || id == DET_EPSILON ||
        (id >= BOUNDARY_SYMBOL && id <= NON_RIGHT_CONTEXT))
      label->apply_mark_2 = 0;
  }
  label_map->reserved_count = label_map->count;
}

// Gives the flag-name maps their id 0: the empty name, which no attribute or value can have.
void reserve_id_zero(LABEL_MAP *map) {
  const uint32_t empty[1] = {0};
  uint32_t id;
  intern_new_label(map, new_symbol_label(empty), &id);
  map->reserved_count = map->count;
}

// Frees the map, its labels, arrays and table.
void free_map(LABEL_MAP *map) {
  for (uint32_t id = 0; id < map->count; id++) free_label(map->labels[id]);
  std::free(map->labels);
  std::free(map->upper_sides);
  std::free(map->lower_sides);
  std::free(map->arities);
  delete map->table;
  std::free(map->name);
  std::free(map);
}

// The ids that thin names have without a lookup: EPSILON for "", and its code for a
// one-character name whose code is 2 to 127.
bool is_builtin_character(const char *name, uint32_t *out) {
  auto first = static_cast<unsigned char>(name[0]);
  if (first == 0) return *out = EPSILON, true;
  if (name[1] != '\0' || first < 2 || first > 127) return false;
  *out = first;
  return true;
}

// The one-code name of a character interned by intern_byte_symbol and intern_symbol.
int intern_code(uint32_t *out, uint32_t code) {
  uint32_t name[2] = {code, 0};
  return intern_fat_symbol(out, name);
}

}  // namespace

// --- Maps -------------------------------------------------------------------------------------

void set_flag_reader(FlagReader reader) { label_maps.flag_reader = reader; }

void make_label_maps() {
  label_maps.label_heap = init_heap(sizeof(LABEL), kLabelsPerBlock, "Labels");
  label_maps.attribute = make_label_map("Attribute", 10);
  label_maps.value = make_label_map("Value", 50);
  label_maps.default_map = make_label_map("Default", 32768);
  reserve_id_zero(label_maps.attribute);
  reserve_id_zero(label_maps.value);
  label_maps.current = label_maps.default_map;
  intern_builtins();
}

void free_label_maps() {
  while (label_maps.first != nullptr) {
    LABEL_MAP *next = label_maps.first->next;
    free_map(label_maps.first);
    label_maps.first = next;
  }
  free_heap(label_maps.label_heap);
  label_maps.label_heap = nullptr;
  label_maps.current = label_maps.attribute = label_maps.value = label_maps.default_map = nullptr;
  follow_current_map();
  label_maps.warned_undefined_bytes = 0;
}

LABEL_MAP *make_label_map(const char *name, uint32_t increment) {
  auto *map = static_cast<LABEL_MAP *>(allocate_or_die(sizeof(LABEL_MAP), "MAKE_SYMBOL_MAP"));
  map->name = strdup(name != nullptr ? name : "");
  if (map->name == nullptr) out_of_memory("MAKE_SYMBOL_MAP");
  map->increment = increment > 0 ? increment : 1;
  resize_label_arrays(map, map->increment, "MAKE_SYMBOL_MAP");
  map->table = new FlatHash<uint32_t>("INTERN_NEW_SYMBOL");
  LABEL_MAP **link = &label_maps.first;
  while (*link != nullptr) link = &(*link)->next;
  *link = map;
  return map;
}

LABEL_MAP *current_label_map() { return label_maps.current; }
LABEL_MAP *attribute_label_map() { return label_maps.attribute; }
LABEL_MAP *value_label_map() { return label_maps.value; }

int set_label_map(LABEL_MAP *map) {
  if (map == nullptr) map = label_maps.default_map;
  if (map == nullptr || !is_map(map)) {
    warning("Cannot set label map to a non-existing label map.");
    return 1;
  }
  label_maps.current = map;
  follow_current_map();
  return 0;
}

// --- Interning --------------------------------------------------------------------------------

int intern_symbol(uint32_t *out, const char *name) {
  if (context()->in_char_encoding == KORA_UTF8) return intern_utf8_symbol(out, name);
  *out = ID_NO_SYMBOL;
  if (name == nullptr) return 1;
  if (is_builtin_character(name, out)) return 0;
  FAT_STR fat = thin_to_fat(name);
  int status = intern_fat_symbol(out, fat);
  std::free(fat);
  return status;
}

int intern_utf8_symbol(uint32_t *out, const char *name) {
  *out = ID_NO_SYMBOL;
  if (name == nullptr) return 1;
  if (is_builtin_character(name, out)) return 0;
  size_t length = std::strlen(name);
  auto *fat =
      static_cast<uint32_t *>(allocate_or_die(sizeof(uint32_t) * (length + 1), "UTF8_THIN_TO_FAT"));
  utf8_decode(name, fat);
  // Each illegal byte decodes to ILLEGAL_UTF8_CODE; a real U+FDFF is the bytes EF B7 BF.
  int illegal = 0;
  for (const uint32_t *c = fat; *c != 0; c++) illegal += *c == ILLEGAL_UTF8_CODE;
  for (const char *p = name; (p = std::strstr(p, "\xEF\xB7\xBF")) != nullptr; p += 3) illegal--;
  int status = intern_fat_symbol(out, fat);
  std::free(fat);
  return status != 0 ? status : (illegal > 0 ? 1 : 0);
}

uint32_t symbol_id(const char *name) {
  uint32_t id;
  intern_symbol(&id, name);
  return id;
}

int intern_fat_symbol(uint32_t *out, FAT_STR name) {
  *out = ID_NO_SYMBOL;
  if (name == nullptr || label_maps.current == nullptr) return 1;
  if (name[0] == 0) return *out = EPSILON, 0;
  if (parameter(KORA_REPORT_BAD_CHARS)) convert_cp1252_in_place(name);
  return intern_name(label_maps.current, out, name, true);
}

int intern_symbol_in_map(LABEL_MAP *map, uint32_t *out, const uint32_t *name) {
  *out = ID_NO_SYMBOL;
  if (map == nullptr || name == nullptr) return 1;
  return intern_name(map, out, name, false);
}

uint32_t input_character_code(uint32_t code, bool from_byte) {
  if (code < 0x80 || code > 0x9F || !parameter(KORA_REPORT_BAD_CHARS)) return code;
  uint32_t converted = code;
  cp1252_to_unicode(&converted, code);
  uint32_t bit = 1u << (code - 0x80);
  if (from_byte && !is_cp1252_defined(code) && parameter(KORA_VERBOSE) &&
      !(label_maps.warned_undefined_bytes.fetch_or(bit) & bit))
    warning_printf("'0x%X' is an undefined code\n in ISO-8859-1 and in CP1252.", code);
  return converted;
}

int intern_byte_symbol(uint32_t *out, unsigned char byte) {
  if (byte > 1 && byte < 128) return *out = byte, 0;
  return intern_code(out, input_character_code(byte, true));
}

uint32_t find_character_symbol(uint32_t code) {
  if (code > 1 && code < 128) return code;
  uint32_t name[2] = {code, 0};
  uint32_t id = ID_NO_SYMBOL;
  lookup_symbol(&id, name);
  return id;
}

int intern_pair(uint32_t *out, uint32_t upper, uint32_t lower) {
  if (upper == lower && upper != OTHER && label_record(upper) != nullptr &&
      tuple_label(upper) == nullptr) {
    *out = upper;
    return 0;
  }
  const uint32_t components[2] = {upper, lower};
  uint32_t count_before = label_count();
  int status = intern_tuple_components(out, components, 2);
  if (status != 0 || label_count() == count_before) return status;
  const LABEL *u = label_record(upper);
  const LABEL *l = label_record(lower);
  if (u->flag != nullptr && l->flag != nullptr) {
    FILE *stream = message_stream();
    std::fputs("Label '", stream);
    print_label(*out, stream, 0);
    std::fputs("' is illegal: flag diacritics  on both sides of the symbol pair.", stream);
    flush_message_as_warning();
  }
  return 0;
}

uint32_t pair_id(uint32_t upper, uint32_t lower) {
  for (uint32_t id : {upper, lower}) {
    if (id >= ID_NO_SYMBOL) {
      error_printf("%d is not a legal symbol id", static_cast<int>(id));
      return ID_NO_SYMBOL;
    }
  }
  uint32_t id;
  intern_pair(&id, upper, lower);
  return id;
}

int intern_tuple(uint32_t *out, const uint32_t *components, int arity) {
  *out = ID_NO_SYMBOL;
  if (components == nullptr || arity < 2 || arity > INT16_MAX || label_maps.current == nullptr)
    return 1;
  return intern_tuple_components(out, components, arity);
}

int lookup_symbol(uint32_t *out, const uint32_t *name) {
  *out = ID_NO_SYMBOL;
  if (name == nullptr || label_maps.current == nullptr) return 2;
  if (name[0] == 0) return *out = EPSILON, 0;
  LABEL *label = find_name(label_maps.current, name);
  if (label == nullptr) return 2;
  *out = label->id;
  return 0;
}

// --- Hashing ----------------------------------------------------------------------------------

uint32_t hashword(const uint32_t *words, size_t length, uint32_t initval) {
  uint32_t a, b, c;
  a = b = c = 0xDEADBEEF + (static_cast<uint32_t>(length) << 2) + initval;
  while (length > 3) {
    a += words[0];
    b += words[1];
    c += words[2];
    mix(a, b, c);
    length -= 3;
    words += 3;
  }
  switch (length) {
    case 3: c += words[2]; [[fallthrough]];
    case 2: b += words[1]; [[fallthrough]];
    case 1:
      a += words[0];
      final_mix(a, b, c);
      break;
    default: break;
  }
  return c;
}

uint32_t fat_hash(const uint32_t *name) {
  return hashword(name, static_cast<size_t>(fat_strlen(name)), kNameHashSeed);
}

uint32_t label_hash(const LABEL *label) {
  if (label->arity == 1) return fat_hash(label->name);
  uint32_t h = kTupleHashSeed;
  for (int i = 0; i < label->arity; i++) {
    uint32_t id = label->tuple->components[i];
    int shift = bit_length(id);
    h = (shift < 32 ? h << shift : 0) + id;
  }
  return h;
}

// --- Label information ------------------------------------------------------------------------

LABEL *label_record(uint32_t id) {
  LABEL_MAP *map = label_maps.current;
  return map != nullptr && id < map->count ? map->labels[id] : nullptr;
}

uint32_t label_count() { return label_maps.current != nullptr ? label_maps.current->count : 0; }

int is_special_symbol(uint32_t id) {
  return id == OTHER || id == GUARDED_EPSILON || id == DET_EPSILON ||
         (id >= BOUNDARY_SYMBOL && id <= NON_RIGHT_CONTEXT);
}

int is_multichar_symbol(uint32_t id) {
  const LABEL *record = label_record(id);
  if (record == nullptr || record->arity != 1) return 0;
  const uint32_t *name = record->name;
  return name[0] != 0 && name[1] != 0 && name[0] != '*' && name[0] != '@';
}

// --- Printing ---------------------------------------------------------------------------------

namespace {

int append_symbol(std::string &text, uint32_t id, int escape) {
  const char *fixed = id == EPSILON           ? "0"
                      : id == OTHER           ? "?"
                      : id == BOUNDARY_SYMBOL ? ".#."
                                              : nullptr;
  if (fixed != nullptr) {
    text += fixed;
    return static_cast<int>(std::strlen(fixed));
  }
  const uint32_t *name = label_record(id)->name;
  if (escape && name[0] != 0 && name[1] == 0)
    return append_fat_escaped(text, name, kEscapedInLabels);
  return append_fat(text, name);
}

}  // namespace

int append_label(std::string &text, uint32_t id, int escape) {
  const LABEL *record = label_record(id);
  if (record == nullptr) return 0;
  if (record->arity == 1) return append_symbol(text, id, escape);
  int columns = 0;
  for (int i = 0; i < record->arity; i++) {
    if (i > 0) {
      text += ':';
      columns++;
    }
    columns += append_symbol(text, record->tuple->components[i], escape);
  }
  return columns;
}

int print_label(uint32_t id, FILE *stream, int escape) {
  std::string text;
  int columns = append_label(text, id, escape);
  std::fwrite(text.data(), 1, text.size(), stream != nullptr ? stream : stdout);
  return columns;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API char *label_side_name(uint32_t label, int side) {
  return guarded(__func__, nullptr, [&]() -> char * {
    const LABEL *record = label_record(label);
    if (record == nullptr || (side != 0 && side != 1)) {
      error_printf("label_side_name: No label %u or no side %d.", static_cast<unsigned>(label), side);
      return nullptr;
    }
    uint32_t symbol = side == 0 ? upper_id(label) : lower_id(label);
    std::string text;
    if (symbol != EPSILON) append_symbol(text, symbol, 0);
    char *name = static_cast<char *>(allocate_or_die(text.size() + 1, "LABEL_SIDE_NAME"));
    std::memcpy(name, text.c_str(), text.size() + 1);
    return name;
  });
}

}  // extern "C"
