// Property lists and the typed objects they hold.
//
// Every network carries a property list: key/value cells in insertion order, the key a fat string
// and the value an OBJECT, a small tagged record (integer, character, string, symbol, array,
// list, byte block or a bare object). Arrays and lists hold a SEQUENCE whose elements are stored
// by type in one word each, so a sequence of integers is an array of integers and not of objects.
// The same model is what stored networks and properties files carry.
//
// Ownership: an object owns its value (string, symbol cell, sequence, byte block) and a sequence
// owns its elements, except shared strings (prop-names.h: the strings of the "Names" table and
// the name strings of interned symbols), which are never copied or freed here. A property cell
// owns its key (unless shared) and its value object.
//
// Lookups walk the list from its head, comparing keys code by code: O(number of properties).
// Copying and freeing nested arrays and lists walk them with an explicit stack, so nesting depth
// costs heap memory, not call depth.
#pragma once

#include <cstdint>

#include "fat-str.h"
#include "kora.h"

namespace kora {

// Type codes of objects and element types of sequences.
enum : int32_t {
  SYMBOL_PACKAGE_TYPE = -3,  // only as an element type: the elements are symbol names
  OBJECT_TYPE = -1,          // as an object's type, a bare object; as an element type, objects
  INTEGER_TYPE = 0,
  CHARACTER_TYPE = 1,
  STRING_TYPE = 2,
  SYMBOL_TYPE = 3,
  ARRAY_TYPE = 4,
  LIST_TYPE = 5,
  BYTE_BLOCK_TYPE = 6
};

struct OBJECT;
struct SEQUENCE;

// A symbol as a value: a one-word cell holding the symbol's name.
struct IO_SYMBOL {
  FAT_STR name;
};

struct BYTE_BLOCK {
  int length;             // bytes
  unsigned char *bytes;   // null when the length is 0
};

// The value word of an object, and one element of a sequence. Which member is in use follows from
// the type code: INTEGER_TYPE `integer`, CHARACTER_TYPE `character`, STRING_TYPE `string` (and
// the elements of a symbol package: the names), SYMBOL_TYPE `symbol`, ARRAY_TYPE and LIST_TYPE
// `sequence`, BYTE_BLOCK_TYPE `byte_block`, elements of type OBJECT_TYPE `object`.
union OBJ_VALUE {
  int32_t integer;
  uint32_t character;
  FAT_STR string;
  IO_SYMBOL *symbol;
  SEQUENCE *sequence;
  BYTE_BLOCK *byte_block;
  OBJECT *object;
};

struct OBJECT {
  int32_t type;
  OBJ_VALUE value;
};

struct SEQUENCE {
  int length;
  int32_t element_type;
  OBJ_VALUE *data;  // `length` elements; null when the length is 0
};

// A property: key, value, next cell of the list.
struct PROP {
  FAT_STR key;
  OBJECT *value;
  PROP *next;
};

// The name a type code is reported with: "Symbol package", "Object", "Integer", "Character",
// "String", "Symbol", "Array", "List", "Byte block"; any other code "*Unknown*".
const char *object_type_name(int32_t type);

// ---- Objects and their parts -------------------------------------------------------------------

// A new object of `type` holding `value`, which it owns from now on (a shared string stays
// shared). Owned by the caller (free_object).
OBJECT *MAKE_OBJECT(int32_t type, OBJ_VALUE value);

// A new symbol cell holding `name`, which it owns unless `name` is shared.
IO_SYMBOL *make_io_symbol(FAT_STR name);

// A new byte block with a copy of the `length` bytes at `bytes` (zeros when `bytes` is null).
BYTE_BLOCK *make_byte_block(const void *bytes, int length);

// A new sequence of `length` zero elements of `element_type`, owned by the caller until it is
// stored as the value of a property, which then owns it. An element type that is not one of the codes above is a fatal programming
// error.
SEQUENCE *NewSequence(int32_t element_type, int length);

// An array of `length` zero elements (null when `length` is 0), to be the `data` of a sequence
// of `element_type`. An unknown element type is the fatal programming error "Unrecognized data
// type: %d\n" in allocate_sequence_data.
OBJ_VALUE *allocate_sequence_data(int32_t element_type, int length);

// Deep copies, owned by the caller. Strings, symbol names and the names of a symbol package are
// duplicated unless shared; nested arrays, lists, objects and byte blocks are copied. Null gives
// null. copy_object of a symbol-package object is the fatal programming error "Cannot copy a
// symbol package outside of a sequence.\n"; an unknown type or element type is fatal too.
OBJECT *copy_object(const OBJECT *object);
IO_SYMBOL *COPY_IO_SYMBOL(const IO_SYMBOL *symbol);
BYTE_BLOCK *COPY_BYTE_BLOCK(const BYTE_BLOCK *block);

// Free the record and everything it owns (never a shared string). Null is ignored. The value of
// an object of an unknown type is not touched.
void free_object(OBJECT *object);
void free_io_symbol(IO_SYMBOL *symbol);
void free_byte_block(BYTE_BLOCK *block);

// The object naming a label of the current label map (owned by the caller): a symbol object for
// a symbol, an array of the two symbol objects of its sides for a pair. The names are the label
// map's, shared.
OBJECT *label_object(uint32_t label);

// ---- Property lists ----------------------------------------------------------------------------

// The head of the network's property list (null when it has none).
PROP *net_properties(const NET *net);

// Sets the property `key` of the network to `value`, which the list owns from now on. `key` stays
// the caller's: the list stores the "Names" string when the key is a standard name, the key
// itself when it is shared, else a copy. An existing cell with an equal key gets the new value
// and keeps its place (its old value is freed); otherwise a cell is appended at the end. A null
// network or key stores nothing and frees `value`.
void add_prop(NET *net, const uint32_t *key, OBJECT *value);

// The value of the first property whose key equals `key`, still owned by the list; null when
// there is none.
OBJECT *get_prop(const NET *net, const uint32_t *key);

// Unlinks the first property whose key equals `key` and returns it to the caller (free_prop);
// null when there is none.
PROP *remove_prop(NET *net, const uint32_t *key);

// Typed setters: wrap the value in a new object and call add_prop. The string, the list's
// sequence becomes the property's.
void add_character_prop(NET *net, const uint32_t *key, uint32_t character);
void add_string_prop(NET *net, const uint32_t *key, FAT_STR string);
void add_list_prop(NET *net, const uint32_t *key, SEQUENCE *sequence);

// Frees one cell: its key unless shared, its value and the cell. Null is ignored.
void free_prop(PROP *prop);

// A copy of the whole list, cell by cell in order, owned by the caller; for copying a network.
PROP *copy_property_list(const PROP *list);

// Frees every cell of the list; for freeing a network. Null is ignored.
void free_property_list(PROP *list);

}  // namespace kora
