// The applyer's index of a network: a compact, read-only copy of the arcs that the search
// walks instead of the network's linked arc lists.
//
// States and arcs are entries of one array, each state followed by its arcs in the network's
// list order, the states reachable from the start state in depth-first preorder (the start
// state first), so that the states of a path lie close together. An arc holds its input-side
// symbol, the entry of its destination and its output-side symbol. Arcs whose input-side
// symbol is ordinary (no flag diacritic, no epsilon, not OTHER) match an input symbol by
// equality alone; the others are "special" and take the search's general path, so flag
// records are consulted only for those. A state with more than kWideState arcs also has its
// ordinary arcs as (symbol, arc) pairs sorted by symbol and then by position, and its special
// arcs' positions in order: the arcs that can read a given symbol are found by binary search
// and merged with the special ones by position, so arcs are still tried in list order and
// results come out in the order the lists give.
// An arc of a network with a reduced label set stands for every label of its label's class
// (labelset.h): it is copied once for each, in the class's order, so that the search sees the
// arcs of the full network.
// A deterministic state (no special arcs, no input symbol on two arcs) is marked, so that the
// search can take its one arc for a symbol without coming back to it, and so is a state that
// reads one arc at most while input symbols remain (its epsilon moves lead only to states
// from which no symbol is read, as a tagger's moves that write the tags); a wide one whose
// input symbols are single bytes or lie close together has a table from symbol to arc.
//
// An index is made for one input side (0 upper, 1 lower) when the applyer is created, and for
// the other side when the applyer is switched to it; a network inserted by an @I.name@ flag is
// added the first time the search enters it. The copy is made from the network as it is then:
// the network must not be changed while an applyer uses it (kora.h says so). Making it reads
// the network and the label map and borrows the states' client cells under the lock of
// net_preparation_lock, so applyers on different threads may make theirs at once. Cost: time
// O(V + E log E); space 12 bytes per arc and per state, and in wide states 8 bytes more per
// arc and at most 28 for a table, for the V states and E arcs of the network. Tested through
// the applyer (tests/apply/apply_test.cpp, apply_index_test.cpp).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "context.h"
#include "kora.h"
#include "label.h"

namespace kora {

enum : uint8_t { kOrdinary = 0, kEpsilonInput = 1, kOtherSpecial = 2 };

// An arc in 12 bytes. Label symbols are below 2^24 (ID_NO_SYMBOL is the largest), so the high
// bits of the two symbol words hold the arc's marks:
//   input_word:  the input-side symbol of the label; bit 29 other_label (the label is OTHER
//                itself: any symbol, copied), bits 30-31 special (kOrdinary, or why the arc
//                takes the general path: an epsilon-like input side, or a flag, OTHER or no
//                symbol there). An ordinary arc reads input symbol x iff input_word == x: a
//                special arc's word is at least 2^30, above every input symbol (the readers'
//                own character ids start at 2^24, one per distinct character).
//   output_word: the output-side symbol of the label; bits 24-30 output_byte, bit 31
//                plain_output (one-sided output writes the output side's own spelling, as the
//                label is not OTHER and its output side is neither a flag nor epsilon-like).
//                output_byte is that spelling when it is one ASCII byte (the same in every
//                output encoding), else 0.
struct IndexArc {
  uint32_t input_word;
  uint32_t destination;  // the entry of its destination state
  uint32_t output_word;

  static constexpr uint32_t kSymbolBits = 0xFFFFFF;
  static constexpr uint32_t input_word_of(uint32_t input, uint32_t special, bool other_label) {
    return input | uint32_t{other_label} << 29 | special << 30;
  }
  static constexpr uint32_t output_word_of(uint32_t output, uint32_t byte, bool plain_output) {
    return output | byte << 24 | uint32_t{plain_output} << 31;
  }
  uint32_t input() const { return input_word & kSymbolBits; }
  uint8_t special() const { return static_cast<uint8_t>(input_word >> 30); }
  bool other_label() const { return (input_word >> 29) & 1; }
  uint32_t output() const { return output_word & kSymbolBits; }
  bool plain_output() const { return output_word >> 31; }
  char output_byte() const { return static_cast<char>((output_word >> 24) & 0x7F); }
  // Whether the arc is ordinary and reads `symbol`.
  bool reads(uint32_t symbol) const { return input_word == symbol; }
};

// The entry of an arc labelled `label` read from `input_side`, its destination left to the
// caller. Builds the label's spelling: callers keep what it gives.
IndexArc index_arc(uint32_t label, int input_side);

struct IndexState {
  uint32_t count;           // the number of its arcs, the entries right after it
  uint32_t wide;            // its entry of the wide states, or kNotWide; for a state with a
                            // byte table, the table's offset (ApplyIndex::wide_of reads both)
  bool reads_one;           // while input symbols remain, one arc at most can lead to a result:
                            // no two ordinary arcs with one input symbol, and no special arcs
                            // but epsilon moves to states that read on no more (a byte of its
                            // own: the search asks it at every state)
  bool final : 1;
  bool deterministic : 1;   // no special arcs, and no two arcs with one input symbol: any input
                            // symbol can be read by one arc at most
  bool reads_on : 1;        // some path from it reads an input symbol (or may: flags, OTHER)
  bool move_ends : 1;       // its only move leads, through only moves and no state twice, to a
                            // state without special arcs: taking it can close no epsilon loop
  bool byte_table : 1;      // a wide state whose `wide` is the offset of its byte table (see
  bool byte_table_256 : 1;  // ApplyIndex::byte_tables): 256 entries if set, else 128
  uint16_t only_move;       // when its only special arc is an epsilon move (the one arc that
                            // can be taken at the end of the input), that arc's entry less the
                            // state's; else 0
};

// An entry of the index: a state, or one of the arcs that follow it.
union IndexEntry {
  IndexArc arc;
  IndexState state;
};
static_assert(sizeof(IndexEntry) == 12);

// The lookup of a wide state's arcs.
struct WideState {
  uint32_t plain_first, plain_end;      // its entries of the plain pairs
  uint32_t special_first, special_end;  // its entries of the special positions
  // A deterministic state whose input symbols lie close together also has a table of its arcs
  // by input symbol: the arc reading symbol table_low + k (or kNoArc) is entry
  // table_first + k of `table`, for k below table_size (0 when it has no table).
  uint32_t table_first, table_low, table_size;
};

class ApplyIndex {
 public:
  static constexpr uint32_t kWideState = 8;
  static constexpr uint32_t kNoArc = 0xFFFFFFFF;
  static constexpr uint32_t kNotWide = 0xFFFFFFFF;

  explicit ApplyIndex(int input_side) : input_side_(input_side) {}

  // Whether every arc indexed so far reads an ordinary symbol or nothing on the input side
  // (none has a flag diacritic, OTHER or no symbol there). Then no network can be inserted, and
  // the search needs neither flag registers nor sigma tests.
  bool ordinary_or_epsilon() const { return other_special_arcs_ == 0; }

  // Whether every arc indexed so far writes the symbol it reads, or is
  // an epsilon move writing nothing (EPSILON:EPSILON): then a one-sided result of the ordinary
  // search, spelled without blanks, is its input.
  bool copies_input() const { return arcs_not_copying_ == 0; }

  // States and arcs are numbered by their entries.
  const IndexState &state(uint32_t number) const { return entries[number].state; }
  const IndexArc &arc(uint32_t number) const { return entries[number].arc; }
  // The state whose entry follows the arcs of state `number`: states are walked by it.
  uint32_t next_state(uint32_t number) const { return number + 1 + state(number).count; }

  // The ordinary arc of state `number` (whose entry is `state`) that reads `symbol`, or
  // kNoArc, for a state that reads one (or is deterministic).
  uint32_t only_arc(uint32_t number, const IndexState &state, uint32_t symbol) const {
    if (state.wide == kNotWide) {
      const uint32_t end = number + 1 + state.count;
      for (uint32_t a = number + 1; a < end; ++a)
        if (entries[a].arc.reads(symbol)) return a;
      return kNoArc;
    }
    if (state.byte_table) {
      if (symbol >= (state.byte_table_256 ? 256u : 128u)) return kNoArc;
      const uint8_t k = byte_tables[state.wide + symbol];
      return k == 0 ? kNoArc : number + k;
    }
    const WideState &wide = wides[state.wide];
    if (wide.table_size != 0) {
      const uint32_t k = symbol - wide.table_low;
      return k < wide.table_size ? table[wide.table_first + k] : kNoArc;
    }
    return only_wide_arc(wide, symbol);
  }

  // The entry of the wide states of a state, or kNotWide.
  uint32_t wide_of(const IndexState &state) const {
    if (!state.byte_table) return state.wide;
    uint32_t wide;
    std::memcpy(&wide, byte_tables.data() + state.wide - 4, 4);
    return wide;
  }

  // The number of the start state of `net` (which must have one), the network being copied
  // into the index the first time it is asked for. The states' client cells are used while
  // copying and left null.
  uint32_t start_of(NET *net);

  // Appends the entry of one state and its arcs' entries (their labels in list order, their
  // destinations left 0 for the caller to fill), for an index that grows as the search reaches
  // the states of a virtual or compacted network (apply-grow.h). The marks that depend on other
  // states take their cautious values: a state with epsilon moves is not known to read one arc
  // at most, nor its only move to end. Returns the state's entry.
  uint32_t append_state(bool final, const std::vector<uint32_t> &labels);
  // Gives an appended state at entry `number` the marks it earns once the destinations of its
  // special arcs are in the index (an arc whose destination is not an entry yet earns none):
  // when they are all epsilon moves to states without arcs, it reads one arc at most while
  // symbols remain, and its only move ends.
  void refine_state(uint32_t number);

  // Each state's entry followed by its arcs' entries, in list order: arriving at a state reads
  // its first arcs from the same cache line.
  std::vector<IndexEntry> entries;
  std::vector<WideState> wides;
  std::vector<std::pair<uint32_t, uint32_t>> plain;  // (input symbol, arc) of wide states
  std::vector<uint32_t> specials;                    // special arcs of wide states
  std::vector<uint32_t> table;                       // arcs of wide states by input symbol
  // The byte tables of wide states that read one arc at most, have at most 255 arcs and input
  // symbols below 256 (128 bytes when they are all below 128, else 256): the arc reading symbol
  // x is the state's entry plus byte x of its table (0: none), found from the state's header
  // alone, with no bounds to read first. Each table follows the 4 bytes of its state's entry of
  // the wide states.
  std::vector<uint8_t> byte_tables;

 private:
  // Binary search in the plain pairs of a wide state that reads one, without a table.
  uint32_t only_wide_arc(const WideState &wide, uint32_t symbol) const;
  bool distinct_inputs(uint32_t number) const;
  bool finish_state(uint32_t number);
  void mark_epsilon_moves(const std::vector<uint32_t> &sources);
  void mark_ending_moves(const std::vector<uint32_t> &sources);
  void make_table(uint32_t number);

  int input_side_;
  uint32_t other_special_arcs_ = 0;
  uint32_t arcs_not_copying_ = 0;
  std::vector<std::pair<const NET *, uint32_t>> starts_;
  std::vector<IndexArc> label_arcs_;   // the entries of labels appended states met, by label
  std::vector<uint8_t> label_known_;
};

// Walks the arcs of one state that may be taken with one input symbol, in list order. Plain
// arcs that cannot read the symbol are skipped; special arcs are all given, for the caller to
// judge. `symbol` is the symbol an ordinary arc must have, ID_NO_SYMBOL when none may be taken
// (the end of the input, or an input symbol spelled like a flag), or OTHER when every ordinary
// arc may be taken.
struct ArcCursor {
  uint32_t next = 0, end = 0;                  // arcs, or plain pairs of a wide state
  uint32_t special_next = 0, special_end = 0;  // special positions of a wide state
  uint32_t symbol = 0;
  bool merged = false;                         // a wide state walked through its pairs

  void start(const ApplyIndex &index, uint32_t state, uint32_t input) {
    const IndexState &s = index.state(state);
    symbol = input;
    const uint32_t wide = index.wide_of(s);
    merged = wide != ApplyIndex::kNotWide && input != OTHER;
    if (merged) {
      start_merged(index, index.wides[wide]);
    } else {
      next = state + 1;
      end = state + 1 + s.count;
    }
  }

  // The next arc to try, or ApplyIndex::kNoArc.
  uint32_t advance(const ApplyIndex &index) {
    if (merged) return advance_merged(index);
    while (next < end) {
      if (may_take(index.arc(next++))) return next - 1;
    }
    return ApplyIndex::kNoArc;
  }

  // Whether no arc is left to try.
  bool exhausted(const ApplyIndex &index) {
    if (merged) return next == end && special_next == special_end;
    while (next < end && !may_take(index.arc(next))) ++next;
    return next == end;
  }

 private:
  bool may_take(const IndexArc &arc) const {
    return arc.special() || (symbol != ID_NO_SYMBOL && (arc.input() == symbol || symbol == OTHER));
  }
  void start_merged(const ApplyIndex &index, const WideState &wide);
  uint32_t advance_merged(const ApplyIndex &index);
};

// The spellings of labels in the output encoding, as append_label writes them (unescaped),
// made on first use and kept. prepare() forgets them when the output encoding has changed since
// they were made; it is called before a run of of().
class Spellings {
 public:
  struct Spelling {
    const char *text;
    uint32_t length;
  };

  void prepare() {
    if (context()->out_char_encoding != encoding_) forget(context()->out_char_encoding);
  }
  Spelling of(uint32_t id) {
    if (id < made_.size() && made_[id].offset != 0)
      return {text_.data() + made_[id].offset - 1, made_[id].length};
    return make(id);
  }

 private:
  struct Made {
    uint32_t offset;  // 1 + the offset of the spelling in text_; 0 when not made
    uint32_t length;
  };
  void forget(int encoding);
  Spelling make(uint32_t id);
  std::vector<Made> made_;
  std::string text_;
  int encoding_ = -1;
};

}  // namespace kora
