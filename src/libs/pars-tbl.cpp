// Parse tables: building the byte trie of spellings, and cutting strings and streams with it.

#include "pars-tbl.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "alph.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "heap.h"
#include "lab-vect.h"
#include "label.h"
#include "labelset.h"
#include "platform.h"
#include "utf8.h"

namespace kora {
namespace {

// --- Cells ------------------------------------------------------------------------------------

// A reused cell keeps its old words, so every cell is cleared as it is handed out.
PARSE_TABLE_VECTOR *new_vector() {
  auto *vector = static_cast<PARSE_TABLE_VECTOR *>(cell_alloc(parse_tables.vector_heap));
  std::memset(vector, 0, sizeof *vector);
  return vector;
}

PARSE_TABLE_NODE *new_node(uint32_t symbol_id) {
  auto *node = static_cast<PARSE_TABLE_NODE *>(cell_alloc(parse_tables.node_heap));
  node->symbol_id = symbol_id;
  node->next = nullptr;
  return node;
}

// Frees a vector and everything below it. The trie is at most as deep as the longest
// spelling, so the recursion is as deep as the longest symbol name in bytes.
void free_vector(PARSE_TABLE_VECTOR *vector) {
  for (PARSE_TABLE_NODE *node : vector->entries) {
    if (node == nullptr) continue;
    if (node->next != nullptr) free_vector(node->next);
    free_cell(node, parse_tables.node_heap);
  }
  free_cell(vector, parse_tables.vector_heap);
}

uint64_t next_generation() {
  return parse_tables.last_generation.fetch_add(1, std::memory_order_relaxed) + 1;
}

PARSE_TABLE *new_table(int encoding_mode) {
  auto *table = static_cast<PARSE_TABLE *>(cell_alloc(parse_tables.table_heap));
  table->generation = next_generation();
  table->encoding_mode = encoding_mode;
  table->has_multichar = 0;
  table->alphabet = nullptr;
  table->root = new_vector();
  table->root->entries[0] = new_node(EPSILON);
  return table;
}

// Text is cut one byte per character when neither side of the library speaks UTF-8.
bool latin1_mode() {
  return context()->in_char_encoding != KORA_UTF8 && context()->out_char_encoding != KORA_UTF8;
}

// --- Entering spellings -----------------------------------------------------------------------

// The bytes that spell one character in the table's encoding; returns how many (at most 10).
int spell_character(uint32_t code, int encoding_mode, unsigned char *bytes) {
  if (code < 128 || (encoding_mode == KORA_LATIN1 && code < 256)) {
    bytes[0] = static_cast<unsigned char>(code);
    return 1;
  }
  if (encoding_mode == KORA_UTF8) return utf8_encode_char(code, reinterpret_cast<char *>(bytes));
  char text[12];
  int length = std::snprintf(text, sizeof text, "\\u%X", code);
  std::memcpy(bytes, text, static_cast<size_t>(length));
  return length;
}

// The symbols of one side of the network's labels, with the members of the lists that list
// symbols name and the symbols of the networks that insert flags name (each network once), into
// `symbols` (binary form).
void collect_side_symbols(NET *net, int side, ALPH *symbols, std::vector<const NET *> &seen) {
  seen.push_back(net);
  if (net->flags2.is_virtual) {
    if (net->sigma != nullptr) union_alph(symbols, net->sigma, 0, 1);
    return;
  }
  if (net->labels == nullptr) return;
  // A reduced network is read with the symbols of its full label set.
  ALPH *full = net->flags2.reduced_labelset ? unreduced_labels(net) : nullptr;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, full != nullptr ? full : net->labels);
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator)) {
    uint32_t sides[2] = {upper_id(label), lower_id(label)};
    for (int k = 0; k < 2; ++k) {
      if ((side == 0 && k == 1) || (side == 1 && k == 0)) continue;
      uint32_t symbol = sides[k];
      if (symbol == ID_NO_SYMBOL) continue;
      alph_add_to(symbols, symbol, 0);
      const LABEL *record = label_record(symbol);
      const FLAG_DIACRITIC *flag = record == nullptr ? nullptr : record->flag;
      if (flag == nullptr) continue;
      if (flag->action == INSERT_SUBNET) {
        NET *inserted = defined_net(flag->value);
        if (inserted != nullptr && std::find(seen.begin(), seen.end(), inserted) == seen.end())
          collect_side_symbols(inserted, side, symbols, seen);
        continue;
      }
      if (flag->action != LIST_ACTION && flag->action != EXTERNAL_ACTION) continue;
      const ALPH *list = defined_list(flag->value);
      if (list == nullptr) {
        std::string name;
        append_label(name, flag->value, 0);
        error_printf("List '%s' is undefined", name.c_str());
        continue;
      }
      union_alph(symbols, const_cast<ALPH *>(list), 0, 1);
    }
  }
  free_alph(full);
}

void enter_alphabet(PARSE_TABLE *table, const ALPH *symbols) {
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, symbols);
  for (uint32_t symbol = next_alph_item(&iterator); symbol != ID_NO_SYMBOL;
       symbol = next_alph_item(&iterator))
    add_symbol_to_parse_table(table, symbol);
}

// --- Cutting ----------------------------------------------------------------------------------

// Walks the trie from `text` as far as the text follows it and returns the id of the longest
// spelling passed (ID_NO_SYMBOL if none) with the position after it in *end. With
// escape_inside, a "%" followed by a byte stands for that byte anywhere in the spelling.
uint32_t longest_spelling(const PARSE_TABLE *table, const char *text, bool escape_inside,
                          const char **end) {
  uint32_t best = ID_NO_SYMBOL;
  const PARSE_TABLE_VECTOR *vector = table->root;
  const char *p = text;
  while (vector != nullptr) {
    if (escape_inside && p[0] == '%' && p[1] != '\0') ++p;
    auto byte = static_cast<unsigned char>(*p);
    if (byte == 0) break;
    const PARSE_TABLE_NODE *node = vector->entries[byte];
    if (node == nullptr) break;
    ++p;
    if (node->symbol_id != ID_NO_SYMBOL) {
      best = node->symbol_id;
      *end = p;
    }
    vector = node->next;
  }
  return best;
}

// One character at `text` as a symbol of its own: a byte in ISO-8859-1 mode, a decoded
// character in UTF-8 mode; interned, or given an id of `local` when that is not null. Returns
// the bytes taken, or 0 (reported) when the bytes are not a UTF-8 character.
int single_character(const char *text, uint32_t *out_id, InputCharacters *local) {
  if (latin1_mode()) {
    auto byte = static_cast<unsigned char>(*text);
    if (local != nullptr)
      *out_id = local->id_of(input_character_code(byte, true));
    else
      intern_byte_symbol(out_id, byte);
    return 1;
  }
  uint32_t code = 0;
  int taken = utf8_decode_char(text, strnlen(text, 4), &code);
  if (taken == 0) {
    error_printf("Cannot parse a symbol starting with 0x%X in UTF8-mode.",
                 static_cast<unsigned char>(*text));
    return 0;
  }
  if (local != nullptr) {
    *out_id = local->id_of(input_character_code(code, false));
    return taken;
  }
  uint32_t name[2] = {code, 0};
  intern_fat_symbol(out_id, name);
  return taken;
}

// Cuts one symbol at the non-empty `text`: with zero_is_epsilon a "0" is EPSILON; with
// percent_escape a "%" before a byte makes that byte start the symbol, and with escape_inside
// (tokenize_string) stand for that byte anywhere in the spelling. Sets *matched when a spelling
// of the table matched.
int cut_symbol(const char *text, PARSE_TABLE *table, int zero_is_epsilon, int percent_escape,
               bool escape_inside, uint32_t *out_id, const char **out_end, bool *matched,
               InputCharacters *local) {
  *matched = false;
  if (zero_is_epsilon && *text == '0') {
    *out_id = EPSILON;
    *out_end = text + 1;
    return PARSE_OK;
  }
  if (percent_escape && text[0] == '%' && text[1] != '\0') ++text;
  uint32_t id = longest_spelling(table, text, percent_escape && escape_inside, out_end);
  if (id != ID_NO_SYMBOL) {
    *matched = true;
    *out_id = id;
    return PARSE_OK;
  }
  int taken = single_character(text, out_id, local);
  if (taken == 0) return PARSE_BAD_UTF8;
  *out_end = text + taken;
  return PARSE_OK;
}

// --- Stream input -----------------------------------------------------------------------------

constexpr size_t kStreamCompactAt = 4096;

// Keeps at least the rest of the current line in the buffer: moves the unread bytes to the
// front once the position is past the middle, then reads lines while no line end is buffered
// and there is room.
void top_up(StreamBuffer &in) {
  if (in.position == in.fill) {
    in.position = in.fill = 0;
    in.buffer[0] = '\0';
  } else if (in.position > kStreamCompactAt) {
    std::memmove(in.buffer, in.buffer + in.position, in.fill - in.position);
    in.fill -= in.position;
    in.position = 0;
    in.buffer[in.fill] = '\0';
  }
  while (!in.at_end && in.fill + 1 < kStreamBufferSize &&
         std::memchr(in.buffer + in.position, '\n', in.fill - in.position) == nullptr) {
    char *line = in.buffer + in.fill;
    if (std::fgets(line, static_cast<int>(kStreamBufferSize - in.fill), in.stream) == nullptr) {
      in.at_end = true;
      break;
    }
    in.fill += std::strlen(line);
  }
}

}  // namespace

// --- Heaps and tables -------------------------------------------------------------------------

void make_parse_table_heaps() {
  parse_tables.table_heap =
      init_heap(sizeof(PARSE_TABLE), page_size() / sizeof(PARSE_TABLE), "Parse table");
  parse_tables.vector_heap = init_heap(sizeof(PARSE_TABLE_VECTOR), 16, "Parse table vectors");
  parse_tables.node_heap = init_heap(sizeof(PARSE_TABLE_NODE),
                                     page_size() / sizeof(PARSE_TABLE_NODE), "Parse table nodes");
}

void forget_parse_table_heaps() {
  parse_tables.table_heap = parse_tables.vector_heap = parse_tables.node_heap = nullptr;
}

PARSE_TABLE *make_parse_table(NET *net, const ALPH *alphabet, int side) {
  if ((net == nullptr) == (alphabet == nullptr))
    programming_error("make_parse_table", "give either a network or an alphabet");
  PARSE_TABLE *table = new_table(input_encoding_mode());
  table->alphabet = make_alph(0, KORA_BINARY_ALPH);
  std::vector<const NET *> seen;
  if (net != nullptr)
    collect_side_symbols(net, side, table->alphabet, seen);
  else
    union_alph(table->alphabet, const_cast<ALPH *>(alphabet), 0, 1);
  enter_alphabet(table, table->alphabet);
  return table;
}

PARSE_TABLE *make_bimachine_parse_table(NET *left, NET *right, int side) {
  const auto sequentialized = [side](const NET *net) {
    return side == 0 ? net->flags2.upper_sequentialized : net->flags2.lower_sequentialized;
  };
  if (!left->flags2.left_bimachine || !right->flags2.right_bimachine || !sequentialized(left) ||
      !sequentialized(right)) {
    error("No parse table created because FSTs do not belong to a bimachine or they are "
          "incorrectly marked.");
    return nullptr;
  }
  if (left->labels == nullptr || right->labels == nullptr) {
    error("No parse table created because one or both FSTs have no label alphabet.");
    return nullptr;
  }
  PARSE_TABLE *table = new_table(input_encoding_mode());
  table->alphabet = make_alph(0, KORA_BINARY_ALPH);
  std::vector<const NET *> seen;
  collect_side_symbols(left, side, table->alphabet, seen);
  collect_side_symbols(right, side, table->alphabet, seen);
  enter_alphabet(table, table->alphabet);
  return table;
}

PARSE_TABLE *build_parse_table(NET *net, int side) {
  void *&slot = parse_table_slot(net, side);
  const int mode = input_encoding_mode();
  std::lock_guard<std::recursive_mutex> lock(parse_tables.building);
  auto *table = static_cast<PARSE_TABLE *>(__atomic_load_n(&slot, __ATOMIC_RELAXED));
  if (table != nullptr && table->encoding_mode == mode) return table;
  free_parse_table(table);
  table = make_parse_table(net, nullptr, side);
  __atomic_store_n(&slot, static_cast<void *>(table), __ATOMIC_RELEASE);
  return table;
}

void free_parse_table(PARSE_TABLE *table) {
  if (table == nullptr) return;
  free_vector(table->root);
  free_alph(table->alphabet);
  free_cell(table, parse_tables.table_heap);
}

void free_net_parse_tables(NET *net) {
  free_parse_table(static_cast<PARSE_TABLE *>(net->upper_parse_table));
  free_parse_table(static_cast<PARSE_TABLE *>(net->lower_parse_table));
  net->upper_parse_table = net->lower_parse_table = nullptr;
}

uint32_t single_byte_symbol(const PARSE_TABLE *table, unsigned char byte) {
  if (byte == 0) return ID_NO_SYMBOL;
  const PARSE_TABLE_NODE *node = table->root->entries[byte];
  if (node == nullptr) return byte >= 2 && byte < 128 ? byte : ID_NO_SYMBOL;
  return node->next == nullptr ? node->symbol_id : ID_NO_SYMBOL;
}

void add_symbol_to_parse_table(PARSE_TABLE *table, uint32_t symbol_id) {
  if (symbol_id == EPSILON || symbol_id == OTHER) return;
  const LABEL *label = label_record(symbol_id);
  if (label == nullptr || label->arity != 1) return;
  const uint32_t *name = label->name;
  if (name == nullptr || name[0] == 0) {
    warning_printf("Symbol %d is an empty string.", symbol_id);
    return;
  }
  if (name[1] != 0) table->has_multichar = 1;
  table->generation = next_generation();
  PARSE_TABLE_VECTOR *vector = table->root;
  PARSE_TABLE_NODE *node = nullptr;
  while (*name != 0) {
    unsigned char bytes[12];
    int count = spell_character(next_code(&name), table->encoding_mode, bytes);
    if (count > 1) table->has_multichar = 1;
    for (int k = 0; k < count; ++k) {
      if (node != nullptr) {
        if (node->next == nullptr) node->next = new_vector();
        vector = node->next;
      }
      PARSE_TABLE_NODE *&entry = vector->entries[bytes[k]];
      if (entry == nullptr) entry = new_node(ID_NO_SYMBOL);
      node = entry;
    }
  }
  node->symbol_id = symbol_id;
}

// --- Cutting strings --------------------------------------------------------------------------

int tokenize_string(const char *text, PARSE_TABLE *table, LAB_VECTOR *ids) {
  lab_vector_reset(ids);
  const char *p = text == nullptr ? "" : text;
  while (*p != '\0') {
    uint32_t id = ID_NO_SYMBOL;
    bool matched = false;
    if (cut_symbol(p, table, 1, 1, true, &id, &p, &matched, nullptr) != PARSE_OK) {
      lab_vector_reset(ids);
      lab_vector_push(ID_NO_SYMBOL, ids);
      return 1;
    }
    if (!matched && id != EPSILON) add_symbol_to_parse_table(table, id);
    lab_vector_push(id, ids);
  }
  lab_vector_push(ID_NO_SYMBOL, ids);
  return 0;
}

// --- Cutting streams --------------------------------------------------------------------------

int parse_local_symbol(uint32_t *out_id, const char *text, const char **out_end,
                       PARSE_TABLE *table, InputCharacters *local) {
  if (text == nullptr || *text == '\0') return PARSE_END;
  bool matched = false;
  return cut_symbol(text, table, 0, 0, false, out_id, out_end, &matched, local);
}

int parse_symbol_from_buffer(StreamBuffer &in, uint32_t *out_id, FILE *stream, PARSE_TABLE *table,
                             int line_mode, int *new_line, int *out_length,
                             InputCharacters *local) {
  if (in.stream != stream) {
    in.reset();
    in.stream = stream;
  }
  *new_line = 0;
  *out_length = 0;
  top_up(in);
  if (in.position == in.fill) return PARSE_END;
  const char *start = in.buffer + in.position;
  if (line_mode && (*start == '\n' || *start == '\r')) {
    size_t taken = start[0] == '\r' && start[1] == '\n' ? 2 : 1;
    in.position += taken;
    *out_id = ID_NO_SYMBOL;
    *new_line = 1;
    return PARSE_OK;
  }
  bool matched = false;
  const char *end = start;
  int status = cut_symbol(start, table, 0, 0, false, out_id, &end, &matched, local);
  if (status != PARSE_OK) {
    in.position += 1;  // past the bad byte, so that the next call goes on
    return status;
  }
  in.position = static_cast<size_t>(end - in.buffer);
  *out_length = static_cast<int>(end - start);
  return PARSE_OK;
}

void StreamBuffer::reset() {
  stream = nullptr;
  position = fill = 0;
  buffer[0] = '\0';
  at_end = false;
}

std::recursive_mutex &net_preparation_lock() { return parse_tables.building; }

uint32_t InputCharacters::id_of(uint32_t code) {
  uint32_t known = find_character_symbol(code);
  if (known != ID_NO_SYMBOL) return known;
  auto [entry, added] = ids_.try_emplace(code, kFirstId + static_cast<uint32_t>(codes_.size()));
  if (added) codes_.push_back(code);
  return entry->second;
}

}  // namespace kora
