// Property lists and typed objects: constructors, deep copies and frees, the list operations and
// the string properties of the exported interface.
//
// Nested arrays and lists are copied and freed with an explicit stack of sequences: a nested
// sequence is allocated (or set aside) when it is met and its elements are handled when it comes
// off the stack. Each element is visited once, so a copy or a free costs O(total elements + total
// string length).

#include "prop.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "boundary.h"
#include "context.h"
#include "error.h"
#include "label.h"
#include "prop-names.h"

namespace kora {
namespace {

// What a value or an element of a given type code owns, which decides how it is copied and freed.
enum class Kind { kNone, kScalar, kString, kSymbol, kSequence, kByteBlock, kObject, kUnknown };

// The kind of an object's value.
Kind value_kind(int32_t type) {
  switch (type) {
    case OBJECT_TYPE:
      return Kind::kNone;
    case INTEGER_TYPE:
    case CHARACTER_TYPE:
      return Kind::kScalar;
    case STRING_TYPE:
      return Kind::kString;
    case SYMBOL_TYPE:
      return Kind::kSymbol;
    case ARRAY_TYPE:
    case LIST_TYPE:
      return Kind::kSequence;
    case BYTE_BLOCK_TYPE:
      return Kind::kByteBlock;
    default:
      return Kind::kUnknown;
  }
}

// The kind of the elements of a sequence: the names of a symbol package are strings, and the
// elements of a sequence of OBJECT_TYPE are objects.
Kind element_kind(int32_t element_type) {
  if (element_type == SYMBOL_PACKAGE_TYPE) return Kind::kString;
  if (element_type == OBJECT_TYPE) return Kind::kObject;
  return value_kind(element_type);
}

void *allocate(size_t count, size_t size, const char *what) {
  void *memory = std::calloc(count, size);
  if (memory == nullptr) out_of_memory(what);
  return memory;
}

SEQUENCE *new_sequence(int32_t element_type, int length, const char *what) {
  if (length < 0) length = 0;
  auto *sequence = static_cast<SEQUENCE *>(allocate(1, sizeof(SEQUENCE), what));
  sequence->element_type = element_type;
  sequence->length = length;
  sequence->data = allocate_sequence_data(element_type, length);
  return sequence;
}

FAT_STR copy_string(const uint32_t *s) {
  if (s == nullptr) return nullptr;
  if (is_shared_string(s)) return const_cast<FAT_STR>(s);
  return fat_strdup(s);
}

void free_string(FAT_STR s) {
  if (s != nullptr && !is_shared_string(s)) std::free(s);
}

// ---- Freeing -----------------------------------------------------------------------------------

// Frees what a value of `kind` owns, except a sequence, which goes on `pending` for the caller's
// loop. An object element frees its own value the same way (its value is never an object, so
// this goes one call deep at most).
void release(Kind kind, OBJ_VALUE value, std::vector<SEQUENCE *> &pending) {
  switch (kind) {
    case Kind::kString:
      free_string(value.string);
      break;
    case Kind::kSymbol:
      free_io_symbol(value.symbol);
      break;
    case Kind::kSequence:
      if (value.sequence != nullptr) pending.push_back(value.sequence);
      break;
    case Kind::kByteBlock:
      free_byte_block(value.byte_block);
      break;
    case Kind::kObject:
      if (value.object != nullptr) {
        release(value_kind(value.object->type), value.object->value, pending);
        std::free(value.object);
      }
      break;
    case Kind::kNone:
    case Kind::kScalar:
    case Kind::kUnknown:
      break;
  }
}

// Frees the pending sequences and every sequence nested in them.
void release_pending(std::vector<SEQUENCE *> &pending) {
  while (!pending.empty()) {
    SEQUENCE *sequence = pending.back();
    pending.pop_back();
    Kind kind = element_kind(sequence->element_type);
    if (sequence->data != nullptr) {
      for (int i = 0; i < sequence->length; i++) release(kind, sequence->data[i], pending);
    }
    std::free(sequence->data);
    std::free(sequence);
  }
}

void release_value(Kind kind, OBJ_VALUE value) {
  std::vector<SEQUENCE *> pending;
  release(kind, value, pending);
  release_pending(pending);
}

// ---- Copying -----------------------------------------------------------------------------------

// A sequence whose elements are still to be copied from `from` into `to`.
struct CopyTask {
  const SEQUENCE *from;
  SEQUENCE *to;
};

OBJECT *copy_object_record(const OBJECT *from, std::vector<CopyTask> &tasks);

// The copy of a value of `kind`. A nested sequence is copied as a record with zero elements and
// a task that fills them in.
OBJ_VALUE copy_value(Kind kind, OBJ_VALUE from, std::vector<CopyTask> &tasks) {
  OBJ_VALUE to{};
  switch (kind) {
    case Kind::kScalar:
      to = from;
      break;
    case Kind::kString:
      to.string = copy_string(from.string);
      break;
    case Kind::kSymbol:
      to.symbol = COPY_IO_SYMBOL(from.symbol);
      break;
    case Kind::kSequence:
      if (from.sequence != nullptr) {
        to.sequence = new_sequence(from.sequence->element_type, from.sequence->length,
                                   "COPY_SEQUENCE");
        tasks.push_back({from.sequence, to.sequence});
      }
      break;
    case Kind::kByteBlock:
      to.byte_block = COPY_BYTE_BLOCK(from.byte_block);
      break;
    case Kind::kObject:
      to.object = copy_object_record(from.object, tasks);
      break;
    case Kind::kNone:
    case Kind::kUnknown:
      break;
  }
  return to;
}

// The copy of one object; its value is never an object, so this goes one call deep at most.
OBJECT *copy_object_record(const OBJECT *from, std::vector<CopyTask> &tasks) {
  if (from == nullptr) return nullptr;
  if (from->type == SYMBOL_PACKAGE_TYPE) {
    programming_error("copy_object", "Cannot copy a symbol package outside of a sequence.\n");
  }
  Kind kind = value_kind(from->type);
  if (kind == Kind::kUnknown) {
    programming_error("copy_object", "Unrecognized data type: %d\n", from->type);
  }
  return MAKE_OBJECT(from->type, copy_value(kind, from->value, tasks));
}

// Copies the elements of every pending sequence and of the sequences nested in them.
void fill_copies(std::vector<CopyTask> &tasks) {
  while (!tasks.empty()) {
    CopyTask task = tasks.back();
    tasks.pop_back();
    if (task.from->data == nullptr) continue;
    Kind kind = element_kind(task.from->element_type);
    for (int i = 0; i < task.from->length; i++) {
      task.to->data[i] = copy_value(kind, task.from->data[i], tasks);
    }
  }
}

// ---- Property cells ----------------------------------------------------------------------------

PROP *ADD_PROP(FAT_STR key, OBJECT *value) {
  auto *prop = static_cast<PROP *>(allocate(1, sizeof(PROP), "ADD_PROP"));
  prop->key = key;
  prop->value = value;
  return prop;
}

// The key a new cell stores for `key`: the "Names" string, a shared key itself, or a copy.
FAT_STR stored_key(const uint32_t *key) {
  FAT_STR name = shared_name(key);
  return name != nullptr ? name : copy_string(key);
}

// ---- Encodings ---------------------------------------------------------------------------------

// A new fat string from a C string in the context's input encoding.
FAT_STR input_to_fat(const char *text) {
  return context()->in_char_encoding == KORA_UTF8 ? utf8_thin_to_fat(text) : thin_to_fat(text);
}

// A new C string in the context's output encoding; null is taken as the empty string.
char *fat_to_output(const uint32_t *fs) {
  static const uint32_t empty[1] = {0};
  if (fs == nullptr) fs = empty;
  return context()->out_char_encoding == KORA_UTF8 ? fat_to_utf8(fs, nullptr)
                                                   : fat_to_thin(fs, nullptr);
}

// The decimal text of `n` in a new string just large enough for it.
char *integer_text(int32_t n) {
  int size = std::snprintf(nullptr, 0, "%d", n) + 1;
  auto *text = static_cast<char *>(allocate(size, 1, "GET_STRING_PROPERTY"));
  std::snprintf(text, size, "%d", n);
  return text;
}

}  // namespace

const char *object_type_name(int32_t type) {
  switch (type) {
    case SYMBOL_PACKAGE_TYPE:
      return "Symbol package";
    case OBJECT_TYPE:
      return "Object";
    case INTEGER_TYPE:
      return "Integer";
    case CHARACTER_TYPE:
      return "Character";
    case STRING_TYPE:
      return "String";
    case SYMBOL_TYPE:
      return "Symbol";
    case ARRAY_TYPE:
      return "Array";
    case LIST_TYPE:
      return "List";
    case BYTE_BLOCK_TYPE:
      return "Byte block";
    default:
      return "*Unknown*";
  }
}

// ---- Objects and their parts -------------------------------------------------------------------

OBJECT *MAKE_OBJECT(int32_t type, OBJ_VALUE value) {
  auto *object = static_cast<OBJECT *>(allocate(1, sizeof(OBJECT), "MAKE_OBJECT"));
  object->type = type;
  object->value = value;
  return object;
}

IO_SYMBOL *make_io_symbol(FAT_STR name) {
  auto *symbol = static_cast<IO_SYMBOL *>(allocate(1, sizeof(IO_SYMBOL), "MAKE_OBJECT"));
  symbol->name = name;
  return symbol;
}

BYTE_BLOCK *make_byte_block(const void *bytes, int length) {
  if (length < 0) length = 0;
  auto *block = static_cast<BYTE_BLOCK *>(allocate(1, sizeof(BYTE_BLOCK), "COPY_BYTE_BLOCK"));
  block->length = length;
  if (length > 0) {
    block->bytes = static_cast<unsigned char *>(allocate(length, 1, "COPY_BYTE_BLOCK"));
    if (bytes != nullptr) std::memcpy(block->bytes, bytes, length);
  }
  return block;
}

SEQUENCE *NewSequence(int32_t element_type, int length) {
  return new_sequence(element_type, length, "NewSequence");
}

OBJ_VALUE *allocate_sequence_data(int32_t element_type, int length) {
  if (element_kind(element_type) == Kind::kUnknown) {
    programming_error("allocate_sequence_data", "Unrecognized data type: %d\n", element_type);
  }
  if (length <= 0) return nullptr;
  return static_cast<OBJ_VALUE *>(allocate(length, sizeof(OBJ_VALUE), "ALLOCATE_SEQUENCE_DATA"));
}

OBJECT *copy_object(const OBJECT *object) {
  std::vector<CopyTask> tasks;
  OBJECT *copy = copy_object_record(object, tasks);
  fill_copies(tasks);
  return copy;
}

IO_SYMBOL *COPY_IO_SYMBOL(const IO_SYMBOL *symbol) {
  if (symbol == nullptr) return nullptr;
  auto *copy = static_cast<IO_SYMBOL *>(allocate(1, sizeof(IO_SYMBOL), "COPY_IO_SYMBOL"));
  copy->name = copy_string(symbol->name);
  return copy;
}

BYTE_BLOCK *COPY_BYTE_BLOCK(const BYTE_BLOCK *block) {
  if (block == nullptr) return nullptr;
  return make_byte_block(block->bytes, block->length);
}

void free_object(OBJECT *object) {
  OBJ_VALUE value{};
  value.object = object;
  release_value(Kind::kObject, value);
}

void free_io_symbol(IO_SYMBOL *symbol) {
  if (symbol == nullptr) return;
  free_string(symbol->name);
  std::free(symbol);
}

void free_byte_block(BYTE_BLOCK *block) {
  if (block == nullptr) return;
  std::free(block->bytes);
  std::free(block);
}

OBJECT *label_object(uint32_t label) {
  auto symbol_object = [](uint32_t symbol) {
    IO_SYMBOL *named = make_io_symbol(label_record(symbol)->name);
    return MAKE_OBJECT(SYMBOL_TYPE, OBJ_VALUE{.symbol = named});
  };
  if (label_arity(label) == 1) return symbol_object(label);
  SEQUENCE *pair = NewSequence(OBJECT_TYPE, 2);
  pair->data[0].object = symbol_object(upper_id(label));
  pair->data[1].object = symbol_object(lower_id(label));
  return MAKE_OBJECT(ARRAY_TYPE, OBJ_VALUE{.sequence = pair});
}

// ---- Property lists ----------------------------------------------------------------------------

PROP *net_properties(const NET *net) { return static_cast<PROP *>(net->properties); }

void add_prop(NET *net, const uint32_t *key, OBJECT *value) {
  if (net == nullptr || key == nullptr) {
    free_object(value);
    return;
  }
  PROP *last = nullptr;
  for (PROP *prop = net_properties(net); prop != nullptr; prop = prop->next) {
    if (fat_strcmp(prop->key, key) == 0) {
      if (prop->value != value) free_object(prop->value);
      prop->value = value;
      return;
    }
    last = prop;
  }
  PROP *cell = ADD_PROP(stored_key(key), value);
  if (last != nullptr) {
    last->next = cell;
  } else {
    net->properties = cell;
  }
}

OBJECT *get_prop(const NET *net, const uint32_t *key) {
  if (net == nullptr || key == nullptr) return nullptr;
  for (PROP *prop = net_properties(net); prop != nullptr; prop = prop->next) {
    if (fat_strcmp(prop->key, key) == 0) return prop->value;
  }
  return nullptr;
}

PROP *remove_prop(NET *net, const uint32_t *key) {
  if (net == nullptr || key == nullptr) return nullptr;
  PROP *previous = nullptr;
  for (PROP *prop = net_properties(net); prop != nullptr; prop = prop->next) {
    if (fat_strcmp(prop->key, key) == 0) {
      if (previous != nullptr) {
        previous->next = prop->next;
      } else {
        net->properties = prop->next;
      }
      prop->next = nullptr;
      return prop;
    }
    previous = prop;
  }
  return nullptr;
}

void add_character_prop(NET *net, const uint32_t *key, uint32_t character) {
  OBJ_VALUE value{};
  value.character = character;
  add_prop(net, key, MAKE_OBJECT(CHARACTER_TYPE, value));
}

void add_string_prop(NET *net, const uint32_t *key, FAT_STR string) {
  OBJ_VALUE value{};
  value.string = string;
  add_prop(net, key, MAKE_OBJECT(STRING_TYPE, value));
}

void add_list_prop(NET *net, const uint32_t *key, SEQUENCE *sequence) {
  OBJ_VALUE value{};
  value.sequence = sequence;
  add_prop(net, key, MAKE_OBJECT(LIST_TYPE, value));
}

void free_prop(PROP *prop) {
  if (prop == nullptr) return;
  free_string(prop->key);
  free_object(prop->value);
  std::free(prop);
}

PROP *copy_property_list(const PROP *list) {
  PROP *head = nullptr;
  PROP *last = nullptr;
  for (const PROP *prop = list; prop != nullptr; prop = prop->next) {
    PROP *cell = ADD_PROP(copy_string(prop->key), copy_object(prop->value));
    if (last != nullptr) {
      last->next = cell;
    } else {
      head = cell;
    }
    last = cell;
  }
  return head;
}

void free_property_list(PROP *list) {
  while (list != nullptr) {
    PROP *next = list->next;
    free_prop(list);
    list = next;
  }
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int add_string_property(NET *net, const char *key, const char *value) {
  return guarded(__func__, 1, [&]() -> int {
    if (net == nullptr || key == nullptr || value == nullptr) {
      error("Unexpected NULL pointer in add_string_property().");
      return 1;
    }
    FAT_STR fat_key = input_to_fat(key);
    add_string_prop(net, fat_key, input_to_fat(value));
    std::free(fat_key);
    return 0;
  });
}

KORA_API char *get_string_property(NET *net, const char *key) {
  return guarded(__func__, nullptr, [&]() -> char * {
    if (net == nullptr || key == nullptr) {
      error("Unexpected NULL pointer in get_string_property().");
      return nullptr;
    }
    FAT_STR fat_key = input_to_fat(key);
    const OBJECT *value = get_prop(net, fat_key);
    std::free(fat_key);
    if (value == nullptr) return nullptr;
    switch (value->type) {
      case INTEGER_TYPE:
        return integer_text(value->value.integer);
      case CHARACTER_TYPE: {
        const uint32_t character[2] = {value->value.character, 0};
        return fat_to_output(character);
      }
      case STRING_TYPE:
        return fat_to_output(value->value.string);
      case SYMBOL_TYPE:
        return fat_to_output(value->value.symbol != nullptr ? value->value.symbol->name : nullptr);
      default:
        error_printf("Cannot coerce a value of type '%s' into a string.",
                     object_type_name(value->type));
        return nullptr;
    }
  });
}

KORA_API int remove_string_property(NET *net, const char *key) {
  return guarded(__func__, 1, [&]() -> int {
    if (net == nullptr || key == nullptr) {
      error("Unexpected NULL arguments in remove_string_property().");
      return 1;
    }
    FAT_STR fat_key = input_to_fat(key);
    PROP *prop = remove_prop(net, fat_key);
    std::free(fat_key);
    if (prop == nullptr) {
      warning_printf("No value for the attribute %s was found.", key);
      return 1;
    }
    if (prop->value == nullptr || prop->value->type != STRING_TYPE) {
      warning_printf("The value of the attribute '%s' was not a string.", key);
    }
    free_prop(prop);
    return 0;
  });
}

}  // extern "C"
