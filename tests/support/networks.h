// Networks for the tests: built from a table of arcs, random from a seed, and large shapes for
// the tests at scale.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <vector>

#include "kora.h"

namespace kora_test {

using Symbols = std::vector<uint32_t>;

// The two user pointers that arcs of the tests carry.
extern const void *const kPointers[2];

struct Arc {
  int from;
  uint32_t label;
  int to;
  const void *pointer = nullptr;
};

// States 0..count-1 (0 is the start, the others created in index order), `finals` final, arcs
// added in the order given, a repeated arc skipped quietly; `states`, if given, receives the
// states by index.
NET *build_net(int count, const std::set<int> &finals, const std::vector<Arc> &arcs,
               std::vector<STATE *> *states = nullptr);

// Adds an arc through the public interface; a repeated arc is skipped quietly.
void quiet_arc(NET *net, STATE *from, uint32_t label, STATE *to, const void *pointer = nullptr);

struct RandomNetOptions {
  int max_states = 5;       // 1 to max_states states
  int max_arcs = 9;         // 0 to max_arcs arcs (repeats are skipped)
  bool acyclic = false;     // arcs only lead from a state to one created after it
  bool transducer = false;  // pair labels x:y, and with `epsilon` also x:0 and 0:y
  bool epsilon = true;      // EPSILON arcs (and EPSILON sides of pairs)
  bool other = false;       // OTHER; in transducers also OTHER:x, x:OTHER and OTHER:OTHER
  bool pointers = false;    // arcs with one of kPointers, some the twin of another arc but for it
  Symbols symbols = {'a', 'b', 'c'};
};

// A random network built through the public interface, with flags as the building left them;
// the caller frees it.
NET *random_net(std::mt19937 &random, const RandomNetOptions &options);

// The twin of a label: of a, b, c, the flag @U.f.x@ and OTHER the symbols d, e, f, @U.f.y@ and
// g; of a pair, the pair of the twins. EPSILON is its own twin.
uint32_t twin_label(uint32_t label);

// A random network over a, b, c and a flag (a transducer, with OTHER, or neither), some of whose
// labels (chosen at random) get their twin beside each of their arcs: labels that every state
// treats alike, which labelset reduction folds.
NET *twinned_net(std::mt19937 &random);

// `count` distinct symbols with names of 2 to 13 characters, interned in the current label map.
Symbols many_symbols(size_t count);

// A chain start -> ... -> final of `length` arcs, labelled a and b by turns. With `cycle` the
// last arc leads back to the start instead, and the states an even number of arcs from the
// start are final: (ab)* for an even length.
NET *chain_net(int length, bool cycle = false);

// A start state with `width` arcs, each to a final state of its own without arcs; arc i is
// labelled labels[i % labels.size()].
NET *fan_net(int width, const Symbols &labels);

// Defines `name` as the symbol list of `ids`; returns what define_symbol_list returns.
int define_list(const char *name, const Symbols &ids);

// Runs `work` on a thread whose stack is 256 KiB, so that a recursion as deep as a large
// network would overflow it; gtest assertions inside count as usual.
void with_small_stack(const std::function<void()> &work);

}  // namespace kora_test
