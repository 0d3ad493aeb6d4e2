// The applyer: running a network over input text, down (the input is the upper side, the
// results are lower sides) or up (the reverse).
//
// An applyer holds the network, an input source (a string, or a stream read a line at a time)
// and the scratch state of the search. Each call of next_apply_output consumes one record (the
// whole string, or one line) and writes every result into one output buffer, each followed by
// the separator (the context's end-of-line string).
//
// The search is an exhaustive depth-first walk over the paths that read the record, with an
// explicit stack of frames (no recursion, so path length is bounded by memory only). It walks
// the applyer's index of the network (apply-index.h), a compact copy made when the applyer is
// created, and tries a state's arcs in the network's list order, so results come in that
// order. Input symbols are cut by the network's parse table once per record and kept in the io
// sequence, so backtracking re-reads them without touching the source (a string's leading run
// of one-byte symbols is cut in one go). The general search serves every network:
//   - flag diacritics on the input side are obeyed (when the context says so) through
//     flag_action on a register, undone on backtracking;
//   - an insert flag (@I.name@) enters the defined network it names; at each of that network's
//     final states a return move leads back to the arc's destination;
//   - list flags (@L.name@, @X.name@) consume one input symbol that is (is not) in the list;
//   - an OTHER arc consumes a symbol outside the network's sigma;
//   - epsilon moves may not revisit a state already visited since the last consumed symbol
//     (the start state counts as visited), except that an epsilon self-loop on a final state
//     is taken once; so the search always ends and never finds a path twice.
// A network with none of flags and OTHER on its input side gets the ordinary search instead,
// which finds the same results in the same order with less: its path is the arcs taken, and
// only states with a choice of arcs get a frame. In both searches, from a state where one arc
// at most can lead to a result (a deterministic one, or while symbols remain one whose epsilon
// moves lead only to states that read no more) that arc is taken at once, with no frame to
// come back to (the general search moves the frame on in place), and runs of such states are
// taken in one loop; the ordinary search's first such run is taken over from the last record as
// far as the two records begin alike, as neighbours in a sorted word list do. Only steps that
// change flags or inserted networks keep a record of what backtracking must undo. The cost of
// a record is the number of paths explored times the epsilon-loop scans, which are bounded by
// the epsilon stretch of the path. Stacks, buffers and the spellings of output labels are kept
// between records, so a lookup allocates nothing once they have grown.
//
// Threads: everything a search changes belongs to the applyer. The network, its states, arcs,
// sigma, the definitions and the label map are only read; characters the label map does not
// know get ids of the applyer's own (InputCharacters) rather than being interned; the network's
// cached parse table is built once under a lock (get_parse_table) and then only read; what
// init_apply prepares on the network is done under that lock, as is copying the network into
// an index, which borrows the states' client cells. So several applyers over one
// network may run on several threads while nobody changes the network or the library.
// Tested in tests/apply/apply_test.cpp and, under ThreadSanitizer, tests/threads/.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "apply-grow.h"
#include "apply-index.h"
#include "apply-words.h"
#include "apply-bimachine.h"
#include "flag-action.h"
#include "kora.h"
#include "pars-tbl.h"
#include "text-input.h"

struct APPLY_CONTEXT;

namespace kora {

// Reads the next input symbol of the record into *id: 0 with an id, ID_NO_SYMBOL at the end of
// the record; 1 when the input cannot be read (a UTF-8 error), which ends the record's search.
using SymbolReader = int (*)(APPLY_CONTEXT *applyer, uint32_t *id);

// An open inserted network: the network that called it, and the state (of the applyer's index)
// where the search goes on when it is left.
struct ApplyInsert {
  NET *caller;
  uint32_t return_to;
};

// One step of the current path: the arc taken (an arc of the applyer's index; kNoArc for a
// return from an inserted network) and the state it leads to.
struct ApplyStep {
  enum Kind : uint8_t { CONSUME, EPSILON_MOVE, INSERT, RETURN };
  Kind kind;
  uint32_t arc;
  uint32_t destination;
};

// What backtracking over step `step` of the path must undo besides dropping it: a flag
// register word to restore, and entering or leaving an inserted network. Only such steps have
// one, so that backtracking over plain steps drops them at once.
struct ApplyUndo {
  uint32_t step;
  ApplyStep::Kind kind;     // INSERT and RETURN change the open inserted networks
  bool flag_saved;          // the step changed flag_attribute's word, which was flag_previous
  uint32_t flag_attribute;
  uint32_t flag_previous;
  ApplyInsert closed;       // for a return: the inserted network it left
};

// A state on the current path (a state of the applyer's index), the network it belongs to, and
// the walk over its arcs.
struct ApplyFrame {
  uint32_t state;
  NET *net;
  int position;
  int phase;  // 0 on arrival, 1 after the result check, 2 after the return move, 3 walking arcs
  uint32_t path_length;  // the path's length before the step that led to the frame: leaving
                         // the frame undoes the steps after it (a frame moves on in place
                         // from deterministic states, so there may be several)
  ArcCursor arcs;
};

// A state with a choice of arcs on the current path of the search over a network whose input
// side has only ordinary symbols and epsilons: the state, the input position, the length of
// the path that reached it, and the walk over its arcs.
struct OrdinaryFrame {
  uint32_t state;
  uint32_t position;
  uint32_t path_length;
  ArcCursor arcs;
};

}  // namespace kora

struct APPLY_CONTEXT {
  int allocated_here;
  NET *net;
  NET *right_net;
  void *aux;
  int input_side;
  int output_side;  // 0 upper, 1 lower, 2 both sides
  int obey_flags;
  int print_space;
  int show_flags;
  int flags_active;
  int line_mode;
  int new_line;
  int input_pos;
  int insert_depth;
  int result_count;
  int end_of_input;
  const char *input_string;
  // The record, when the one-byte pass of a string read all of it (else null), and its length.
  const char *whole_record;
  uint32_t whole_record_length;
  FILE *input_stream;
  kora::PARSE_TABLE *parse_table;
  kora::SymbolReader read_symbol;
  void (*on_result)(APPLY_CONTEXT *applyer);
  const char *separator;
  uint32_t separator_length;
  STRING_BUFFER *output;
  // What make_applyer opened for the applyer, which free_applyer closes and frees.
  NET *owned_net;
  kora::TextFile *owned_file;
  // Scratch of the search, kept between records.
  std::vector<kora::ApplyFrame> frames;
  std::vector<kora::ApplyStep> arc_path;
  std::vector<kora::ApplyUndo> undos;  // of the steps of arc_path that need one, in path order
  std::vector<kora::ApplyInsert> inserts;
  // The record's input symbols read so far: the first io_length entries of io_symbols, which
  // keeps its size between records.
  std::vector<uint32_t> io_symbols;
  uint32_t io_length;
  bool io_complete;                  // nothing more is read for the search
  bool record_ended;                 // the end of the record has been read
  kora::FlagRegister flag_register;
  // The search over a network whose input side has only ordinary symbols and epsilons: its
  // frames and its path (the arcs taken: the first ordinary_path_length entries of
  // ordinary_path). ordinary_search says that this search, not the general one, is running,
  // so the formatter reads this path.
  std::vector<kora::OrdinaryFrame> ordinary_frames;
  std::vector<uint32_t> ordinary_path;
  uint32_t ordinary_path_length;
  bool ordinary_search;
  // The input symbols that the last ordinary search read from the start state through states
  // that read one arc at most, on input side walked_side (-1: none): its first arcs, still the
  // first entries of ordinary_path, which the next search takes again as far as its input
  // agrees, as a sorted word list's neighbours share their beginnings.
  std::vector<uint32_t> walked_symbols;
  int walked_side = -1;
  // Membership in each network's sigma by symbol id (inserted networks too), made on first use.
  std::vector<std::pair<const NET *, std::vector<bool>>> sigmas;
  // Whether the network has flags on its upper and lower side, noted at init_apply.
  bool upper_has_flags;
  bool lower_has_flags;
  // The applyer's own input state, so that applyers on different threads share nothing but
  // their network: the stream buffer, and the ids of characters the label map does not know.
  kora::StreamBuffer stream_buffer;
  kora::InputCharacters input_characters;
  // The compact copies of the network that the search walks, one per input side, made when the
  // applyer is created or switched to the side; and the spellings of output labels.
  std::unique_ptr<kora::ApplyIndex> index[2];
  // For a virtual or compacted network, what grows each index as the search reaches states.
  std::unique_ptr<kora::IndexGrowth> growth[2];
  // The word index of each input side's index, made with it when the index is complete.
  std::unique_ptr<kora::WordIndex> words[2];
  kora::Spellings spellings;
  // The output of a bimachine search, and the applyer's own parse table of the two halves
  // (init_apply_bimachine) for input side bimachine_side; freed with the applyer.
  std::vector<uint32_t> bimachine_output;
  kora::PARSE_TABLE *bimachine_table;
  int bimachine_side;
  // The symbol each byte is by itself in the parse table of that generation (single_byte_symbol),
  // or ID_NO_SYMBOL where the parse table must cut the input.
  uint32_t single_bytes[256];
  uint64_t single_bytes_generation;
  // The state of a pattern applyer (apply-patterns.cpp), freed with the applyer; null for others.
  std::shared_ptr<void> patterns;
};

namespace kora {

// Drops the steps of the current path from `length` on, last first, undoing what each changed
// (the flag register, the open inserted networks): what backtracking to that length needs.
void undo_steps_from(APPLY_CONTEXT *applyer, uint32_t length);

// The standard result formatter: writes the current path in the applyer's output format (one
// side, or both sides in pair notation; see next_apply_output in kora.h) and the separator into
// the output buffer.
void format_apply_result(APPLY_CONTEXT *applyer);

}  // namespace kora
