// The Latin-1 character classes and the list "delim".
//
// Each class is a union of fixed code ranges. Codes from 5 to 127 are their own label ids; the
// codes 1 to 4, the codes from 128 up and the Windows-1252 characters are interned as
// one-character symbols, so building a class costs one label-map lookup per such code.

#include "latin1.h"

#include <strings.h>

#include <cstdio>
#include <initializer_list>

#include "alph.h"
#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"

namespace kora {
namespace {

enum class Latin1Class { all, alnum, alpha, ascii, cntrl, digit, graph, lower, print, punct, upper,
                         space, windows, labr, rabr };

struct Range {
  uint32_t first;
  uint32_t last;
};

// The label id of the one-character symbol `code`.
uint32_t symbol_of_code(uint32_t code) {
  if (code >= 5 && code <= 127) return code;
  uint32_t name[2] = {code, 0};
  uint32_t id = ID_NO_SYMBOL;
  intern_fat_symbol(&id, name);
  return id;
}

void add_ranges(ALPH *alph, std::initializer_list<Range> ranges) {
  for (const Range &range : ranges)
    for (uint32_t code = range.first; code <= range.last; ++code)
      alph_add_to(alph, symbol_of_code(code), 0);
}

// Adds the Windows-1252 characters of `bytes`.
void add_cp1252(ALPH *alph, std::initializer_list<uint32_t> bytes) {
  for (uint32_t byte : bytes) {
    uint32_t code = byte;
    cp1252_to_unicode(&code, byte);
    alph_add_to(alph, symbol_of_code(code), 0);
  }
}

// Parameter word 10 also brings in the Windows-1252 reading of the bytes 0x80-0x9F.
bool with_cp1252() { return parameter(KORA_REPORT_BAD_CHARS) != 0; }

void add_windows(ALPH *alph) {
  for (uint32_t byte = 0x80; byte <= 0x9F; ++byte)
    if (is_cp1252_defined(byte)) add_cp1252(alph, {byte});
}

void add_upper(ALPH *alph) {
  add_ranges(alph, {{65, 90}, {192, 214}, {216, 222}});
  if (with_cp1252()) add_cp1252(alph, {0x8A, 0x8C, 0x8E, 0x9F});
}

void add_lower(ALPH *alph) {
  add_ranges(alph, {{97, 122}, {223, 246}, {248, 255}});
  if (with_cp1252()) add_cp1252(alph, {0x9A, 0x9C, 0x9E});
}

void add_digit(ALPH *alph) { add_ranges(alph, {{48, 57}}); }

// The ASCII punctuation and symbol characters, and those of the Latin-1 supplement (inverted
// marks, currency, signs, superscripts, fractions, the multiplication and division signs).
void add_punct(ALPH *alph) {
  add_ranges(alph, {{33, 47}, {58, 64}, {91, 96}, {123, 126}, {161, 191}, {215, 215}, {247, 247}});
}

void add_space(ALPH *alph) { add_ranges(alph, {{9, 13}, {32, 32}, {160, 160}}); }

void add_graph(ALPH *alph) {
  add_lower(alph);
  add_upper(alph);
  add_digit(alph);
  add_punct(alph);
}

void fill_class(ALPH *alph, Latin1Class selected) {
  switch (selected) {
    case Latin1Class::all:
      add_ranges(alph, {{1, 126}, {160, 255}});
      if (with_cp1252()) add_windows(alph);
      break;
    case Latin1Class::alnum:
      add_upper(alph);
      add_lower(alph);
      add_digit(alph);
      break;
    case Latin1Class::alpha:
      add_upper(alph);
      add_lower(alph);
      break;
    case Latin1Class::ascii: add_ranges(alph, {{1, 127}}); break;
    case Latin1Class::cntrl: add_ranges(alph, {{1, 31}}); break;
    case Latin1Class::digit: add_digit(alph); break;
    case Latin1Class::graph: add_graph(alph); break;
    case Latin1Class::lower: add_lower(alph); break;
    case Latin1Class::print:
      add_graph(alph);
      add_space(alph);
      break;
    case Latin1Class::punct: add_punct(alph); break;
    case Latin1Class::upper: add_upper(alph); break;
    case Latin1Class::space: add_space(alph); break;
    case Latin1Class::windows: add_windows(alph); break;
    case Latin1Class::labr: add_ranges(alph, {{60, 60}}); break;
    case Latin1Class::rabr: add_ranges(alph, {{62, 62}}); break;
  }
}

// The class named `name` (null means "all"); false when there is none.
bool find_class(const char *name, Latin1Class *selected) {
  if (name == nullptr) {
    *selected = Latin1Class::all;
    return true;
  }
  for (int i = 0; i < LATIN1_CLASS_COUNT; ++i) {
    if (strcasecmp(name, LATIN1_CLASS_NAMES[i]) == 0) {
      *selected = static_cast<Latin1Class>(i);
      return true;
    }
  }
  if (name[0] == '<' && name[1] == '\0') *selected = Latin1Class::labr;
  else if (name[0] == '>' && name[1] == '\0') *selected = Latin1Class::rabr;
  else return false;
  return true;
}

// The id of an ASCII `name`, or ID_NO_SYMBOL when it was never interned.
uint32_t id_of_name(const char *name) {
  uint32_t fat[16];
  int length = 0;
  while (name[length] != '\0') {
    fat[length] = static_cast<unsigned char>(name[length]);
    ++length;
  }
  fat[length] = 0;
  uint32_t id = ID_NO_SYMBOL;
  lookup_symbol(&id, fat);
  return id;
}

// The symbol list defined under the label `id`, or null.
ALPH *list_defined_under(uint32_t id) {
  const LABEL *label = id != ID_NO_SYMBOL ? label_record(id) : nullptr;
  return label != nullptr && label->arity == 1 ? label->definition : nullptr;
}

}  // namespace

ALPH *latin1_list(const char *name) {
  Latin1Class selected;
  if (!find_class(name, &selected)) {
    FILE *stream = message_stream();
    std::fprintf(stream, "Subset '%s' of Latin-1 is not defined.\n", name);
    std::fputs("    Valid arguments: 'alnum', 'alpha', 'ascii', 'digit', 'graph', 'lower', 'print',\n"
               "     'punct', 'upper', 'space', 'windows', '<', '>'",
               stream);
    flush_message_as_error();
    return nullptr;
  }
  ALPH *alph = make_alph(128, KORA_BINARY_ALPH);
  if (alph != nullptr) fill_class(alph, selected);
  return alph;
}

ALPH *make_delim_list() {
  ALPH *delim = make_alph(128, KORA_BINARY_ALPH);
  if (delim == nullptr) return nullptr;
  add_punct(delim);
  ALPH *space = list_defined_under(id_of_name("space"));
  if (space == nullptr)
    error("Latin-1 list 'space' is undefined.");
  else
    delim = union_alph(delim, space, 0, 1);
  add_ranges(delim, {{0x2000, 0x200B}, {0x2010, 0x2026}, {0x2028, 0x206F}});
  return delim;
}

}  // namespace kora
