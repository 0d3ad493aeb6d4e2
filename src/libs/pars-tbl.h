// Parse tables: cutting input text into the symbols of a network.
//
// A parse table is a byte trie over the spellings of the symbols of one side of a network (or
// of an alphabet). Each level is a vector of 256 entries, one per byte; an entry is a node that
// names the symbol whose spelling ends there (ID_NO_SYMBOL if none) and points to the vector of
// the following byte. A symbol's spelling is its name in the input encoding the table was built
// for: in UTF-8 mode each character is its UTF-8 bytes; in ISO-8859-1 mode a character below 256
// is one byte and a larger one is "\u" and its code in upper-case hexadecimal.
//
// Input is cut by longest match: from the current byte the trie is walked as far as the input
// follows it, and the last spelling passed wins; when none does, one character becomes a symbol
// of its own (interned on the way), so text outside the network's sigma still cuts into
// symbols, which the applyer lets match only OTHER arcs. Cutting one symbol costs one step per
// byte of the longest spelling that is a prefix of the input there; building a table costs one
// step per byte of every spelling. Vectors, nodes and tables are cells of three heaps made at
// start-up. Tested in tests/apply/pars_tbl_test.cpp.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "context.h"
#include "kora.h"

namespace kora {

struct HEAP;

struct PARSE_TABLE_VECTOR;

struct PARSE_TABLE_NODE {
  uint32_t symbol_id;        // the symbol whose spelling ends here, or ID_NO_SYMBOL
  PARSE_TABLE_VECTOR *next;  // the vector of the following byte, or null
};

struct PARSE_TABLE_VECTOR {
  PARSE_TABLE_NODE *entries[256];
};

struct PARSE_TABLE {
  int encoding_mode;  // KORA_UTF8 or KORA_LATIN1: the input encoding when the table was built
  int has_multichar;  // 1 once some spelling takes more than one byte
  ALPH *alphabet;     // the symbols entered from the start, binary form; owned by the table
  PARSE_TABLE_VECTOR *root;
  // Changes whenever a symbol is entered, and no two tables ever share one: what is derived
  // from a table (the applyer's one-byte symbols) is current while its generation is.
  uint64_t generation;
};

// The symbol that parse_local_symbol cuts from text starting with the byte `byte` when the byte
// alone decides it, else ID_NO_SYMBOL: the symbol the byte spells in `table` when no longer
// spelling starts with it, or, for an ASCII character with which no spelling starts, that
// character (ASCII characters are their own ids in every encoding).
uint32_t single_byte_symbol(const PARSE_TABLE *table, unsigned char byte);

// The encoding mode of tables built now: KORA_LATIN1 when that is the input encoding, else
// KORA_UTF8.
inline int input_encoding_mode() {
  return context()->in_char_encoding == KORA_LATIN1 ? KORA_LATIN1 : KORA_UTF8;
}

// Results of cutting a symbol.
enum { PARSE_OK = 0, PARSE_BAD_UTF8 = 1, PARSE_END = 3 };

// Characters of one reader's input that the label map does not know. Instead of being interned
// (which changes the map that every thread reads), each gets an id of the reader's own, above
// every id a map gives out; such an id is in no network's sigma and names no flag, so it
// matches only OTHER arcs, exactly as an interned character would. A character the map already
// knows keeps its id. Ids live as long as the object.
class InputCharacters {
 public:
  static constexpr uint32_t kFirstId = 0x1000000;
  static bool owns(uint32_t id) { return id >= kFirstId; }
  // The id of the character `code` (as input_character_code gives it).
  uint32_t id_of(uint32_t code);
  // The character of an id of this reader's own.
  uint32_t code_of(uint32_t id) const { return codes_[id - kFirstId]; }

 private:
  std::unordered_map<uint32_t, uint32_t> ids_;
  std::vector<uint32_t> codes_;
};

constexpr size_t kStreamBufferSize = 8192;

// The buffer of a stream being cut: bytes [position, fill) are read but not yet cut, and
// buffer[fill] is 0. An applyer owns one, so applyers on different threads never share it.
struct StreamBuffer {
  FILE *stream = nullptr;
  char buffer[kStreamBufferSize] = {};
  size_t position = 0;
  size_t fill = 0;
  bool at_end = false;
  // Forgets the buffered input.
  void reset();
};

// The heaps of the tables, the counter of their generations and the lock of their building.
// Defined in globals.cpp with the rest of the library's state.
struct ParseTables {
  HEAP *table_heap = nullptr;   // "Parse table"
  HEAP *vector_heap = nullptr;  // "Parse table vectors"
  HEAP *node_heap = nullptr;    // "Parse table nodes"
  // The last generation given to a table; atomic, as tables may be made on several threads.
  std::atomic<uint64_t> last_generation{0};
  // Guards the building of the parse tables cached on networks (and, through
  // net_preparation_lock, what the applyer prepares on a network).
  std::recursive_mutex building;
};
extern ParseTables parse_tables;

// Creates the heaps "Parse table", "Parse table vectors" and "Parse table nodes"; called at
// start-up. forget_parse_table_heaps drops the pointers after every heap has been freed.
void make_parse_table_heaps();
void forget_parse_table_heaps();

// A new table owned by the caller (free_parse_table). Exactly one of `net` and `alphabet` is
// given, otherwise a programming error. From a network: the symbols of side `side` of its labels
// (0 upper, 1 lower, 2 both), list symbols (@L.name@, @X.name@) also bringing the members of
// their lists ("List '<name>' is undefined" when there is none) and insert flags (@I.name@) the
// symbols of the networks they name. From an alphabet: its symbols.
PARSE_TABLE *make_parse_table(NET *net, const ALPH *alphabet, int side);

// A new table owned by the caller for the two halves of a bimachine read from side `side`: the
// symbols of that side of both networks' labels. Refuses (an error, null) unless `left` is
// marked left_bimachine, `right` right_bimachine and both are sequentialized on that side, or
// when either has no label alphabet.
PARSE_TABLE *make_bimachine_parse_table(NET *left, NET *right, int side);

// The table of side 0 or 1 cached on the network, built on first use and rebuilt when the
// input encoding has changed since; it stays the network's and goes with it. Threads may ask
// for the table of one network at once: the first builds it under a lock, and once built it is
// only read (a rebuild for another encoding is not safe while others use the old table). The
// slot is read without the lock (double-checked); build_parse_table looks again under the lock
// and publishes a complete table with release order. The slot is a plain pointer reached with
// the compilers' atomic built-ins (the standard library of the WebAssembly build has no
// std::atomic_ref). Inline: the applyer asks on every lookup.
inline void *&parse_table_slot(NET *net, int side) {
  return side == 1 ? net->lower_parse_table : net->upper_parse_table;
}
PARSE_TABLE *build_parse_table(NET *net, int side);
inline PARSE_TABLE *get_parse_table(NET *net, int side) {
  auto *table =
      static_cast<PARSE_TABLE *>(__atomic_load_n(&parse_table_slot(net, side), __ATOMIC_ACQUIRE));
  if (table != nullptr && table->encoding_mode == input_encoding_mode()) return table;
  return build_parse_table(net, side);
}

// The lock under which get_parse_table builds a table; whoever else prepares a network for
// applyers on several threads takes it too.
std::recursive_mutex &net_preparation_lock();

// Frees a table with its vectors, nodes and alphabet; null is ignored.
void free_parse_table(PARSE_TABLE *table);

// Frees the tables cached on a network (the network-freed hook of this module).
void free_net_parse_tables(NET *net);

// Enters the spelling of one symbol. EPSILON and OTHER are never entered; an empty name warns
// "Symbol %d is an empty string." and enters nothing.
void add_symbol_to_parse_table(PARSE_TABLE *table, uint32_t symbol_id);

// Cuts one symbol off the input at the buffer's position, reading the stream into the buffer
// (8192 bytes, filled a line at a time; a spelling is never cut at the end of the buffer), by
// the longest spelling of the table that matches there, else one character: PARSE_OK with its id
// in *out_id and the bytes it took in *out_length; PARSE_END at the end of the stream;
// PARSE_BAD_UTF8, reported, when in UTF-8 mode no spelling matches and the bytes there are not a
// UTF-8 character (the position moves past one byte). In line mode a line end (LF, CR or CR LF)
// ends the record: *out_id is ID_NO_SYMBOL, *out_length 0 and *new_line 1; otherwise *new_line
// is 0. Reading another stream starts a fresh buffer. Unknown characters are given ids of
// `local` (interned when it is null). Threads that each use their own buffer and `local` may cut
// at once while nothing is interned.
int parse_symbol_from_buffer(StreamBuffer &in, uint32_t *out_id, FILE *stream, PARSE_TABLE *table,
                             int line_mode, int *new_line, int *out_length,
                             InputCharacters *local);

// Cuts one symbol off the 0-terminated `text` by the same rule: PARSE_OK and the position after
// it in *out_end, PARSE_END for a null or empty text.
int parse_local_symbol(uint32_t *out_id, const char *text, const char **out_end,
                       PARSE_TABLE *table, InputCharacters *local);

// Cuts the whole of `text` into *ids, ended by ID_NO_SYMBOL, as lexicon entries are read: by the
// rule of parse_local_symbol, except that a "0" is EPSILON, a "%" escapes any byte of a
// spelling, and each character that matched no spelling is entered into the table. Returns 0,
// or 1 (reported) on a UTF-8 error, with *ids holding only the end mark.
int tokenize_string(const char *text, PARSE_TABLE *table, LAB_VECTOR *ids);

}  // namespace kora
