// Typed objects and sequences in network files (see bin-objects.h).

#include "bin-objects.h"

#include <cstdlib>

#include "error.h"
#include "fat-str.h"

namespace kora {
namespace {

bool write_text(ByteWriter &out, const uint32_t *codes) {
  if (codes == nullptr) {
    out.put_number(0);
    return true;
  }
  if (!fits_in_file(codes)) {
    error("A character above U+FFFF cannot be written to a network file.");
    return false;
  }
  out.put_string(codes, fat_strlen(codes));
  return true;
}

bool write_byte_block(ByteWriter &out, const BYTE_BLOCK *block) {
  int length = block == nullptr ? 0 : block->length;
  out.put_number(length);
  if (length > 0) out.put_bytes(block->bytes, static_cast<size_t>(length));
  return true;
}

bool write_sequence(ByteWriter &out, const SEQUENCE *sequence);

// One value of `type`, stored as an object's value or as a sequence element.
bool write_value(ByteWriter &out, int32_t type, const OBJ_VALUE &value) {
  switch (type) {
    case INTEGER_TYPE:
      out.put_number(value.integer);
      return true;
    case CHARACTER_TYPE:
      if (value.character > 0xFFFF) {
        error("A character above U+FFFF cannot be written to a network file.");
        return false;
      }
      out.put_u16(value.character);
      return true;
    case STRING_TYPE:
    case SYMBOL_PACKAGE_TYPE:
      return write_text(out, value.string);
    case SYMBOL_TYPE:
      return write_text(out, value.symbol == nullptr ? nullptr : value.symbol->name);
    case ARRAY_TYPE:
    case LIST_TYPE:
      return write_sequence(out, value.sequence);
    case BYTE_BLOCK_TYPE:
      return write_byte_block(out, value.byte_block);
    case OBJECT_TYPE:
      return write_object(out, value.object);
    default:
      return false;
  }
}

bool write_sequence(ByteWriter &out, const SEQUENCE *sequence) {
  if (sequence == nullptr) {
    out.put_number(0);
    out.put_number(INTEGER_TYPE);
    return true;
  }
  const int32_t type = sequence->element_type;
  if (type < SYMBOL_PACKAGE_TYPE || type > BYTE_BLOCK_TYPE || type == -2) {
    error_printf("write_sequence: Illegal sequence type %d", type);
    return false;
  }
  out.put_number(sequence->length);
  out.put_number(type);
  for (int i = 0; i < sequence->length; i++)
    if (!write_value(out, type, sequence->data[i])) return false;
  return true;
}

OBJECT *get_object_at(ByteReader &in, bool cp1252, int depth);
SEQUENCE *get_sequence(ByteReader &in, bool cp1252, int depth);

// Reads one value of `type` (an object's value or a sequence element) into `value`; on failure
// the reader is failed and what was read of the value is in `value`, to be freed by the caller.
void read_value(ByteReader &in, int64_t type, OBJ_VALUE &value, bool cp1252, int depth) {
  switch (type) {
    case INTEGER_TYPE:
      value.integer = static_cast<int32_t>(in.get_number());
      break;
    case CHARACTER_TYPE:
      value.character = in.get_u16();
      break;
    case STRING_TYPE:
    case SYMBOL_PACKAGE_TYPE:
      value.string = in.get_string(in.get_number(), cp1252);
      break;
    case SYMBOL_TYPE: {
      FAT_STR name = in.get_string(in.get_number(), cp1252);
      if (name != nullptr) value.symbol = make_io_symbol(name);
      break;
    }
    case ARRAY_TYPE:
    case LIST_TYPE:
      value.sequence = get_sequence(in, cp1252, depth + 1);
      break;
    case BYTE_BLOCK_TYPE: {
      int64_t bytes = in.get_number();
      const uint8_t *data = nullptr;
      if (in.failed()) break;
      if (bytes < 0 || static_cast<uint64_t>(bytes) > in.remaining()) {
        error_printf("get_byte_block: Length mismatch. Difference is %lld",
                     static_cast<long long>(bytes - static_cast<int64_t>(in.remaining())));
        in.fail();
        break;
      }
      in.get_bytes(static_cast<size_t>(bytes), &data);
      value.byte_block = make_byte_block(data, static_cast<int>(bytes));
      break;
    }
    case OBJECT_TYPE:
      value.object = get_object_at(in, cp1252, depth + 1);
      break;
  }
}

SEQUENCE *get_sequence(ByteReader &in, bool cp1252, int depth) {
  if (depth > MAX_NESTING) {
    error("get_sequence: Sequences nested too deeply.");
    in.fail();
    return nullptr;
  }
  int64_t length = in.get_number();
  int64_t type = in.get_number();
  if (in.failed()) return nullptr;
  if (type < SYMBOL_PACKAGE_TYPE || type > BYTE_BLOCK_TYPE || type == -2) {
    error_printf("get_sequence: Illegal sequence type %d", static_cast<int>(type));
    in.fail();
    return nullptr;
  }
  // Every element takes at least one byte.
  if (!in.check_count(length)) return nullptr;
  SEQUENCE *sequence = NewSequence(static_cast<int32_t>(type), static_cast<int>(length));
  for (int64_t i = 0; i < length && !in.failed(); i++)
    read_value(in, type, sequence->data[i], cp1252, depth);
  if (in.failed()) {
    free_object(MAKE_OBJECT(LIST_TYPE, OBJ_VALUE{.sequence = sequence}));
    return nullptr;
  }
  return sequence;
}

OBJECT *get_object_at(ByteReader &in, bool cp1252, int depth) {
  int64_t type = in.get_number();
  if (in.failed()) return nullptr;
  if (type < INTEGER_TYPE || type > BYTE_BLOCK_TYPE) {
    error_printf("get_object: Illegal object type %d", static_cast<int>(type));
    in.fail();
    return nullptr;
  }
  OBJ_VALUE value{};
  read_value(in, type, value, cp1252, depth - 1);
  OBJECT *object = MAKE_OBJECT(static_cast<int32_t>(type), value);
  if (in.failed()) {
    free_object(object);
    return nullptr;
  }
  return object;
}

}  // namespace

bool fits_in_file(const uint32_t *codes) {
  for (; *codes != 0; codes++)
    if (*codes > 0xFFFF) return false;
  return true;
}

bool write_object(ByteWriter &out, const OBJECT *object) {
  if (object == nullptr || object->type < INTEGER_TYPE || object->type > BYTE_BLOCK_TYPE) {
    error_printf("write_object: Illegal object type %d",
                 object == nullptr ? OBJECT_TYPE : object->type);
    return false;
  }
  out.put_number(object->type);
  return write_value(out, object->type, object->value);
}

OBJECT *get_object(ByteReader &in, bool cp1252) { return get_object_at(in, cp1252, 0); }

}  // namespace kora
