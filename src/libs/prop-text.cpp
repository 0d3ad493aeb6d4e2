// The properties text format (write_net_properties and read_net_properties, declared in kora.h).
//
// One line per property, in list order: the key, ": ", the value. Values by type:
//   integer     decimal                                   -12
//   character   between single quotes                     'a'
//   string      between double quotes                     "nouns"
//   symbol      bare; ":" first when the name is empty     Noun   :123
//               or would read as an integer
//   array       "< " the elements, one blank apart, " >"   < 1 2 3 >
//   list        "( " the elements, one blank apart, " )"   ( "a" "b" )
//   byte block  "#", two upper-case hex digits a byte, "#" #00FF#
// The elements of a sequence are written by their element type in the same way: the names of a
// symbol package as symbols, objects as the values they hold. A key is written bare (or as ""
// when it is empty). A first line that would be taken for a byte order mark or a coding
// declaration (text-input.h) comes after a line "#".
//
// Escapes, with a backslash: \\ for the backslash, \n \t \r for newline, tab and carriage
// return, \xHH for the other control characters (C0, DEL and C1; \x00 only in a character),
// \uHHHH and \UHHHHHHHH for a character that the output encoding cannot hold; inside a string
// \", inside a character \'; in a bare key or symbol the blank and the characters
// : , [ ] < > ( ) ' " (and # at the start, which would make the line a comment or the word a
// byte block). On reading, a backslash before any other character stands for that character.
//
// Reading takes a property from each line that is not empty or a comment (its first non-blank
// character "#"), blanks being allowed around tokens. A bare word that is a decimal number
// without escapes is an integer; a word followed by ":" and another word is a symbol of a
// package, which is refused ("Package no more supported"), as is a bracketed symbol package
// ("[ ... ]"). A list whose items are all symbols becomes a symbol package, an array of symbols a
// sequence of symbol objects (the form of a pair); items all of one other type make a sequence
// of that element type; any others a sequence of objects. Nesting is bounded by
// MAX_NESTING (bin-objects.h). A line that does not read is reported on the standard error
// stream as "WARNING: MESSAGE at TEXT\n" (TEXT the rest of the line from the fault, or "end of
// line") followed by "Aborting\n", and its property is left out.
//
// Each line is read and written in one pass, recursion following the nesting of the value: time
// and space linear in the text.

#include "prop-text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bin-objects.h"
#include "boundary.h"
#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "prop.h"
#include "text-input.h"
#include "text-write.h"
#include "utf8.h"

namespace kora {
namespace {

// ---- Writing ------------------------------------------------------------------------------------

// What a piece of text is written as, which decides the characters it escapes.
enum class Form { kBare, kString, kCharacter };

bool escaped_in(uint32_t c, Form form, bool first) {
  switch (form) {
    case Form::kString:
      return c == '"';
    case Form::kCharacter:
      return c == '\'';
    case Form::kBare:
      return (first && c == '#') || c == ' ' || c == ':' || c == ',' || c == '[' || c == ']' ||
             c == '<' || c == '>' || c == '(' || c == ')' || c == '\'' || c == '"';
  }
  return false;
}

void append_hex(const char *format, uint32_t c, std::string *out) {
  char digits[16];
  std::snprintf(digits, sizeof digits, format, c);
  *out += digits;
}

// Appends the characters of `text` in `form`.
void append_text(const uint32_t *text, Form form, bool utf8, std::string *out) {
  for (const uint32_t *at = text; at != nullptr && *at != 0; ++at) {
    const uint32_t c = *at;
    if (c == '\\') {
      *out += "\\\\";
    } else if (c == '\n' || c == '\t' || c == '\r') {
      *out += '\\';
      *out += c == '\n' ? 'n' : c == '\t' ? 't' : 'r';
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      append_hex("\\x%02X", c, out);
    } else if (utf8 ? (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) : c > 0xFF) {
      append_hex(c <= 0xFFFF ? "\\u%04X" : "\\U%08X", c, out);
    } else {
      if (escaped_in(c, form, at == text)) *out += '\\';
      append_output_code(c, utf8, out);
    }
  }
}

// Whether a bare word of these characters would read as an integer (or as nothing).
bool reads_as_integer(const uint32_t *name) {
  const uint32_t *at = name;
  if (at == nullptr || *at == 0) return true;
  if (*at == '-') ++at;
  if (*at == 0) return false;
  for (; *at != 0; ++at)
    if (*at < '0' || *at > '9') return false;
  return true;
}

void append_symbol(const uint32_t *name, bool utf8, std::string *out) {
  if (reads_as_integer(name)) *out += ':';
  append_text(name, Form::kBare, utf8, out);
}

void append_character(uint32_t c, bool utf8, std::string *out) {
  const uint32_t text[2] = {c, 0};
  *out += '\'';
  if (c == 0)
    *out += "\\x00";
  else
    append_text(text, Form::kCharacter, utf8, out);
  *out += '\'';
}

void append_string(const uint32_t *text, bool utf8, std::string *out) {
  *out += '"';
  append_text(text, Form::kString, utf8, out);
  *out += '"';
}

void append_byte_block(const BYTE_BLOCK *block, std::string *out) {
  *out += '#';
  for (int i = 0; block != nullptr && i < block->length; i++)
    append_hex("%02X", block->bytes[i], out);
  *out += '#';
}

bool append_object(const OBJECT *object, bool utf8, std::string *out);

bool append_sequence(int32_t type, const SEQUENCE *sequence, bool utf8, std::string *out) {
  *out += type == ARRAY_TYPE ? "< " : "( ";
  const int length = sequence == nullptr ? 0 : sequence->length;
  for (int i = 0; i < length; i++) {
    const OBJ_VALUE &element = sequence->data[i];
    switch (sequence->element_type) {
      case INTEGER_TYPE:
        *out += std::to_string(element.integer);
        break;
      case CHARACTER_TYPE:
        append_character(element.character, utf8, out);
        break;
      case STRING_TYPE:
        append_string(element.string, utf8, out);
        break;
      case SYMBOL_TYPE:
        append_symbol(element.symbol == nullptr ? nullptr : element.symbol->name, utf8, out);
        break;
      case SYMBOL_PACKAGE_TYPE:
        append_symbol(element.string, utf8, out);
        break;
      case ARRAY_TYPE:
      case LIST_TYPE:
        if (!append_sequence(sequence->element_type, element.sequence, utf8, out)) return false;
        break;
      case BYTE_BLOCK_TYPE:
        append_byte_block(element.byte_block, out);
        break;
      case OBJECT_TYPE:
        if (!append_object(element.object, utf8, out)) return false;
        break;
      default:
        error_printf("print_sequence: Illegal sequence type %d", sequence->element_type);
        return false;
    }
    *out += ' ';
  }
  *out += type == ARRAY_TYPE ? ">" : ")";
  return true;
}

bool append_object(const OBJECT *object, bool utf8, std::string *out) {
  switch (object == nullptr ? OBJECT_TYPE : object->type) {
    case INTEGER_TYPE:
      *out += std::to_string(object->value.integer);
      return true;
    case CHARACTER_TYPE:
      append_character(object->value.character, utf8, out);
      return true;
    case STRING_TYPE:
      append_string(object->value.string, utf8, out);
      return true;
    case SYMBOL_TYPE:
      append_symbol(object->value.symbol == nullptr ? nullptr : object->value.symbol->name, utf8,
                    out);
      return true;
    case ARRAY_TYPE:
    case LIST_TYPE:
      return append_sequence(object->type, object->value.sequence, utf8, out);
    case BYTE_BLOCK_TYPE:
      append_byte_block(object->value.byte_block, out);
      return true;
    case OBJECT_TYPE:
      error("print_object: Illegal object type \"Object\"");
      return false;
    case SYMBOL_PACKAGE_TYPE:
      error("print_object: Illegal object type \"Symbol_package\"");
      return false;
    default:
      error_printf("print_object: Illegal object type %d", object->type);
      return false;
  }
}

// Whether a first line would not be read as it is written: taken for a byte order mark or a
// declaration of the file's coding (text-input.h).
bool misread_first_line(const std::string &line) {
  static const char *const marks[] = {"\xEF\xBB\xBF", "\xFE\xFF", "\xFF\xFE"};
  for (const char *mark : marks)
    if (line.compare(0, std::strlen(mark), mark) == 0) return true;
  return is_coding_declaration(line.c_str());
}

int write_properties(NET *net, const char *file_name) {
  if (net == nullptr) {
    error("NULL network has no properties.");
    return 1;
  }
  const bool verbose = parameter(KORA_VERBOSE) != 0;
  FILE *stream = stdout;
  if (file_name != nullptr) {
    stream = std::fopen(file_name, "wb");
    if (stream == nullptr) {
      error_printf("Cannot open '%s'.", file_name);
      return 1;
    }
    if (verbose) std::fprintf(stderr, "Opening output file '%s'\n", file_name);
  }
  const bool utf8 = context()->out_char_encoding == KORA_UTF8;
  bool complete = true;
  bool first = true;
  std::string line;
  for (const PROP *prop = net_properties(net); prop != nullptr; prop = prop->next) {
    line.clear();
    if (prop->key == nullptr || prop->key[0] == 0)
      line += "\"\"";
    else
      append_text(prop->key, Form::kBare, utf8, &line);
    line += ": ";
    if (!append_object(prop->value, utf8, &line)) {
      complete = false;
      continue;
    }
    line += '\n';
    if (first && misread_first_line(line)) std::fputs("#\n", stream);
    first = false;
    std::fwrite(line.data(), 1, line.size(), stream);
  }
  bool written = std::ferror(stream) == 0;
  if (file_name != nullptr) {
    written = std::fclose(stream) == 0 && written;
    if (verbose) std::fprintf(stderr, "Closing output file '%s'\n", file_name);
  } else {
    written = std::fflush(stream) == 0 && written;
  }
  if (!written) {
    error_printf("Cannot write to '%s'.", file_name == nullptr ? "stdout" : file_name);
    return 1;
  }
  return complete ? 0 : 1;
}

// ---- Reading ------------------------------------------------------------------------------------

// A fault in a line: the message and where in the line it was met.
struct Fault {
  const char *message;
  size_t at;
};

// Reads the property of one line.
class PropertyLine {
 public:
  PropertyLine(const std::string &text, bool utf8) : text_(text), utf8_(utf8) {}

  // Whether the line holds a property at all (not blank, not a comment).
  bool has_property() {
    skip_blanks();
    return at_ < text_.size() && text_[at_] != '#';
  }

  // The key and value of the line (both the caller's); false with *fault set.
  bool property(std::vector<uint32_t> *key, OBJECT **value, Fault *fault) {
    fault_ = fault;
    bool escaped = false;
    if (peek() == '"') {
      if (!quoted('"', key, "Invalid Properpty Name")) return false;
    } else if (!word(key, &escaped, "Invalid Properpty Name") || key->empty()) {
      return fail("Invalid Properpty Name");
    }
    skip_blanks();
    if (peek() != ':') return fail("Invalid Properpty Name");
    at_++;
    skip_blanks();
    OBJECT *object = this->value(0, "Illegal value");
    if (object == nullptr) return false;
    skip_blanks();
    if (at_ < text_.size()) {
      free_object(object);
      return fail("Error found");
    }
    *value = object;
    return true;
  }

 private:
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

  void skip_blanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) at_++;
  }

  bool fail(const char *message) {
    *fault_ = {message, at_};
    return false;
  }

  OBJECT *fail_value(const char *message) {
    fail(message);
    return nullptr;
  }

  static bool ends_word(char c) {
    return c == ' ' || c == '\t' || c == ':' || c == ',' || c == '[' || c == ']' || c == '<' ||
           c == '>' || c == '(' || c == ')' || c == '\'' || c == '"';
  }

  static int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  }

  // Reads `digits` hexadecimal digits into *code; false when they are not there.
  bool hex(int digits, uint32_t *code) {
    uint64_t value = 0;
    for (int i = 0; i < digits; i++, at_++) {
      const int digit = at_ < text_.size() ? hex_value(text_[at_]) : -1;
      if (digit < 0) return false;
      value = value * 16 + static_cast<uint64_t>(digit);
    }
    if (value > UNI_MAX_UTF32) return false;
    *code = static_cast<uint32_t>(value);
    return true;
  }

  // Reads one character, an escape or one in the input encoding; false for a bad escape or
  // invalid UTF-8. *escaped is set by an escape.
  bool character(uint32_t *code, bool *escaped) {
    const auto byte = static_cast<unsigned char>(text_[at_]);
    if (byte == '\\') {
      *escaped = true;
      if (++at_ == text_.size()) return false;
      const char letter = text_[at_];
      if (letter == 'x' || letter == 'u' || letter == 'U') {
        at_++;
        return hex(letter == 'x' ? 2 : letter == 'u' ? 4 : 8, code);
      }
      if (letter == 'n' || letter == 't' || letter == 'r') {
        *code = letter == 'n' ? '\n' : letter == 't' ? '\t' : '\r';
        at_++;
        return true;
      }
    } else if (byte == 0) {
      return false;
    }
    if (utf8_ && static_cast<unsigned char>(text_[at_]) >= 0x80) {
      const int used = utf8_decode_char(text_.data() + at_, text_.size() - at_, code);
      if (used == 0) return false;
      at_ += static_cast<size_t>(used);
      return true;
    }
    *code = input_character_code(static_cast<unsigned char>(text_[at_]), true);
    if (*code == 0) return false;
    at_++;
    return true;
  }

  // A bare word (possibly empty) into `codes`; false with the fault `message`.
  bool word(std::vector<uint32_t> *codes, bool *escaped, const char *message) {
    while (at_ < text_.size() && !ends_word(text_[at_])) {
      const size_t start = at_;
      uint32_t code = 0;
      if (!character(&code, escaped) || code == 0) {
        at_ = start;
        return fail(message);
      }
      codes->push_back(code);
    }
    return true;
  }

  // A quoted text from the opening `quote` to the closing one; the code 0 (\x00) only in a
  // character.
  bool quoted(char quote, std::vector<uint32_t> *codes, const char *message) {
    const size_t start = at_++;
    bool escaped = false;
    while (at_ < text_.size() && text_[at_] != quote) {
      uint32_t code = 0;
      if (!character(&code, &escaped) || (code == 0 && quote != '\'')) {
        at_ = start;
        return fail(message);
      }
      codes->push_back(code);
    }
    if (at_ == text_.size()) {
      at_ = start;
      return fail(message);
    }
    at_++;
    return true;
  }

  static FAT_STR fat_of(std::vector<uint32_t> codes) {
    codes.push_back(0);
    return fat_strdup(codes.data());
  }

  OBJECT *symbol_object(const std::vector<uint32_t> &name) {
    if (peek() == ':') return fail_value("Package no more supported");
    return MAKE_OBJECT(SYMBOL_TYPE, OBJ_VALUE{.symbol = make_io_symbol(fat_of(name))});
  }

  // A value; `illegal` is the message for a character that starts none.
  OBJECT *value(int depth, const char *illegal) {
    const size_t start = at_;
    std::vector<uint32_t> codes;
    bool escaped = false;
    switch (peek()) {
      case '\'':
        if (!quoted('\'', &codes, "Invalid Character definition")) return nullptr;
        if (codes.size() != 1) {
          at_ = start;
          return fail_value("Invalid Character definition");
        }
        return MAKE_OBJECT(CHARACTER_TYPE, OBJ_VALUE{.character = codes[0]});
      case '"':
        if (!quoted('"', &codes, "Invalid String definition")) return nullptr;
        return MAKE_OBJECT(STRING_TYPE, OBJ_VALUE{.string = fat_of(codes)});
      case '<':
      case '(':
        return sequence(depth);
      case '#':
        return byte_block();
      case '[':
        return fail_value("Package no more supported");
      case ':':
        at_++;
        if (!word(&codes, &escaped, "Invalid Symbol definition")) return nullptr;
        return symbol_object(codes);
      case '\0':
      case ']':
      case '>':
      case ')':
      case ',':
        return fail_value(illegal);
      default:
        break;
    }
    if (!word(&codes, &escaped, "Invalid Symbol definition")) return nullptr;
    if (codes.empty()) return fail_value(illegal);
    if (!escaped) {
      codes.push_back(0);
      const bool integer = reads_as_integer(codes.data());
      codes.pop_back();
      if (integer && peek() != ':') {
        const std::string digits(text_, start, at_ - start);
        char *end = nullptr;
        const long long n = std::strtoll(digits.c_str(), &end, 10);
        if (n < INT32_MIN || n > INT32_MAX) {
          at_ = start;
          return fail_value("Illegal value");
        }
        return MAKE_OBJECT(INTEGER_TYPE, OBJ_VALUE{.integer = static_cast<int32_t>(n)});
      }
    }
    return symbol_object(codes);
  }

  OBJECT *byte_block() {
    const size_t start = at_++;
    std::vector<unsigned char> bytes;
    while (at_ + 1 < text_.size() && text_[at_] != '#') {
      const int high = hex_value(text_[at_]), low = hex_value(text_[at_ + 1]);
      if (high < 0 || low < 0) break;
      bytes.push_back(static_cast<unsigned char>(high * 16 + low));
      at_ += 2;
    }
    if (peek() != '#') {
      at_ = start;
      return fail_value("Illegal value");
    }
    at_++;
    BYTE_BLOCK *block = make_byte_block(bytes.data(), static_cast<int>(bytes.size()));
    return MAKE_OBJECT(BYTE_BLOCK_TYPE, OBJ_VALUE{.byte_block = block});
  }

  OBJECT *sequence(int depth) {
    const size_t start = at_;
    if (depth >= MAX_NESTING) return fail_value("Error in Value");
    const char closing = text_[at_++] == '<' ? '>' : ')';
    const int32_t type = closing == '>' ? ARRAY_TYPE : LIST_TYPE;
    std::vector<OBJECT *> items;
    for (;;) {
      skip_blanks();
      if (peek() == closing) break;
      if (at_ == text_.size() || peek() == '>' || peek() == ')') {
        for (OBJECT *item : items) free_object(item);
        if (at_ == text_.size()) at_ = start;
        return fail_value("Error in Value");
      }
      OBJECT *item = value(depth + 1, "Error in Value");
      if (item == nullptr) {
        for (OBJECT *each : items) free_object(each);
        return nullptr;
      }
      items.push_back(item);
    }
    at_++;
    return MAKE_OBJECT(type, OBJ_VALUE{.sequence = packed(type, items)});
  }

  // The sequence of an array or list of the items (which it takes over): of their type when
  // they share one, else of objects; symbols make a symbol package of a list and stay objects
  // in an array (the form of a pair).
  static SEQUENCE *packed(int32_t sequence_type, const std::vector<OBJECT *> &items) {
    int32_t type = items.empty() ? OBJECT_TYPE : items[0]->type;
    for (const OBJECT *item : items)
      if (item->type != type) type = OBJECT_TYPE;
    int32_t element_type = type;
    if (type == SYMBOL_TYPE)
      element_type = sequence_type == LIST_TYPE ? SYMBOL_PACKAGE_TYPE : OBJECT_TYPE;
    SEQUENCE *sequence = NewSequence(element_type, static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); i++) {
      OBJECT *item = items[i];
      if (element_type == OBJECT_TYPE) {
        sequence->data[i].object = item;
        continue;
      }
      if (element_type == SYMBOL_PACKAGE_TYPE) {
        sequence->data[i].string = item->value.symbol->name;
        item->value.symbol->name = nullptr;
      } else {
        sequence->data[i] = item->value;
        item->type = OBJECT_TYPE;  // its value now belongs to the sequence
      }
      free_object(item);
    }
    return sequence;
  }

  const std::string &text_;
  bool utf8_;
  size_t at_ = 0;
  Fault *fault_ = nullptr;
};

// Reads the property lines of `lines` into the network; a line that does not read is reported
// and left out.
void read_property_lines(NET *net, LineReader &lines, bool *binary) {
  const bool utf8 = context()->in_char_encoding == KORA_UTF8;
  std::string text;
  for (;;) {
    const int status = lines.next();
    if (status == TEXT_BINARY) *binary = true;
    if (status != TEXT_LINE) break;
    text.assign(lines.text(), lines.length());
    PropertyLine reader(text, utf8);
    if (!reader.has_property()) continue;
    std::vector<uint32_t> key;
    OBJECT *value = nullptr;
    Fault fault{};
    if (!reader.property(&key, &value, &fault)) {
      const std::string rest = text.substr(fault.at);
      std::fprintf(stderr, "WARNING: %s at %s\n", fault.message,
                   rest.empty() ? "end of line" : rest.c_str());
      std::fputs("Aborting\n", stderr);
      continue;
    }
    key.push_back(0);
    add_prop(net, key.data(), value);
  }
}

int read_properties(NET *net, const char *file_name) {
  if (net == nullptr) {
    error("NULL network cannot have any properties");
    return 1;
  }
  bool binary = false;
  if (file_name == nullptr) {
    LineReader lines(stdin);
    read_property_lines(net, lines, &binary);
  } else {
    TextFile file;
    const int status = open_text_file(file_name, &file);
    if (status == TEXT_CANNOT_OPEN) return TEXT_CANNOT_OPEN;
    if (status == TEXT_OK) {
      if (parameter(KORA_VERBOSE) != 0)
        std::fprintf(stderr, "Opening input file '%s'\n", file_name);
      read_property_lines(net, file.lines, &binary);
      close_text_file(&file);
    }
    binary = binary || status == TEXT_NOT_TEXT;
  }
  if (binary) {
    error_printf("'%s' appears not to be a text file.", file_name == nullptr ? "stdin" : file_name);
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int write_net_properties(NET *net, const char *file_name) {
  return guarded(__func__, 1, [&]() -> int { return write_properties(net, file_name); });
}

KORA_API int read_net_properties(NET *net, const char *file_name) {
  return guarded(__func__, 1, [&]() -> int { return read_properties(net, file_name); });
}

}  // extern "C"
