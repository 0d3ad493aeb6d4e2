// Arc optimization: shares the common tails of the arc lists of a minimal network.
//
// What it computes. For a minimal network, a network with the same language in which a state
// whose arc list ends with a run of arcs that other states' lists also end with keeps only its
// own arcs and ends with one ALTCHAIN arc to a state holding the run (read as an EPSILON arc,
// an ALTCHAIN arc gives back the arcs it stands for). The result is smaller whenever runs of
// two or more arcs recur, as they do in the minimal networks of word lists and lexicons.
//
// How. Every state's arcs are put in one order (the labels of a bimachine's "_DET_EPSILON_"
// first, then by how many arcs of the state carry the label, then by how many arcs of the
// network have the same label and destination, then by label id), so that equal tails read
// alike and the arcs that many states have come last, where tails are shared. The lists are inserted, last arc first, into a suffix trie whose nodes are
// arcs keyed by (parent, label, destination) in a hash table; the top level of the trie is
// grouped by the destination of the last arc. An arc equal to a node already there is freed
// and the node is used; the state hangs below the node of its first arc. A reordering pass
// then exchanges two neighbouring arcs of a list where that lets the list join a sibling's
// path: a node n whose only child c equals (label, destination) a sibling e of n loses c, and n
// moves below e (merged recursively with an equal child of e). Last, the trie becomes arc
// lists again: a node with two or more users (children or states hung there) is a branch
// point; the run from it up to the next branch point is held by one state (a non-final state
// hung there, or a new chain state), and every list that reaches a branch point ends with an
// ALTCHAIN arc to its holder. An ALTCHAIN arc to a holder of a single arc is replaced by a
// copy of that arc, and the holders no longer reached are deleted.
//
// Cost. Ordering: O(E log d) for E arcs and at most d arcs per state, after one hashed count
// per arc. The trie: O(E) expected
// hash lookups, one per arc, no scan of siblings (sibling lists are doubly linked). Each
// exchange of the reordering pass frees at least one node, so the pass does O(E) work apart
// from the merges, which also free a node per step. Rebuilding and the clean-up are O(V + E).
// Space: one node of about 56 bytes per distinct arc and the hash table. Unoptimizing is
// epsilon removal, O(V + E) here since every closure is a chain.
//
// Tested in tests/representations/optimize_test.cpp.

#include "optimize.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "context.h"
#include "epsilon.h"
#include "error.h"
#include "flat-hash.h"
#include "label.h"
#include "labelset.h"
#include "minimize.h"
#include "print.h"
#include "prune.h"
#include "scratch.h"
#include "struct.h"

namespace kora {
namespace {

constexpr uint32_t kNone = UINT32_MAX;

// A node of the suffix trie: an arc, or (with a null arc) the group of the lists whose last arc
// leads to `destination`.
struct Node {
  ARC *arc = nullptr;
  uint32_t label = ID_NO_SYMBOL;
  STATE *destination = nullptr;
  uint32_t parent = kNone;
  uint32_t first_child = kNone;
  uint32_t prev_sibling = kNone;
  uint32_t next_sibling = kNone;
  uint32_t child_count = 0;
  uint32_t first_hung = kNone;  // the states whose lists start here, by state number
  uint32_t hung_count = 0;
  STATE *holder = nullptr;  // the state that holds the run of a branch point
  bool dead = false;
  bool visited = false;
};

// How many arcs of the network carry each (label, destination): O(E) expected to count.
class ArcCounts {
  struct Entry {
    uint32_t label;
    STATE *destination;
    uint32_t count;
  };
  struct Same {
    const ARC *arc;
    bool operator()(const Entry &e) const {
      return e.label == arc->label && e.destination == arc->destination;
    }
  };
  static uint64_t hash(const ARC *arc) {
    return hash_word(hash_word(0, arc->label), reinterpret_cast<uintptr_t>(arc->destination));
  }

 public:
  explicit ArcCounts(NET *net) {
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
        bool added = false;
        Entry *entry = table_.insert(hash(arc), Same{arc}, &added);
        if (added) *entry = {arc->label, arc->destination, 0};
        entry->count++;
      }
  }
  uint32_t of(const ARC *arc) const { return table_.find(hash(arc), Same{arc})->count; }

 private:
  FlatHash<Entry> table_{"OPTIMIZE_ARCS"};
};

// The order of the arcs of one state (see the top of the file): a label's position in the
// "first" alphabet (only "_DET_EPSILON_", for a left bimachine) before everything; then the
// number of arcs of the state with the same label; then the number of arcs of the network with
// the same label and destination, so that the arcs that many states have come last, where
// the lists' common tails are; then the label.
void order_arcs(STATE *state, bool det_epsilon_first, const ArcCounts &counts,
                std::vector<ARC *> *arcs) {
  arcs->clear();
  for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) arcs->push_back(arc);
  if (arcs->size() < 2) return;
  std::sort(arcs->begin(), arcs->end(), [](ARC *x, ARC *y) { return x->label < y->label; });
  using Key = std::tuple<bool, size_t, uint32_t, uint32_t>;
  std::vector<std::pair<Key, ARC *>> keyed;
  keyed.reserve(arcs->size());
  for (size_t i = 0; i < arcs->size();) {
    size_t j = i;
    while (j < arcs->size() && (*arcs)[j]->label == (*arcs)[i]->label) j++;
    for (size_t k = i; k < j; k++) {
      ARC *arc = (*arcs)[k];
      const bool later = !(det_epsilon_first && arc->label == DET_EPSILON);
      const uint32_t order = arc->label == ALTCHAIN_SYMBOL ? ID_NO_SYMBOL : arc->label;
      keyed.emplace_back(Key{later, j - i, counts.of(arc), order}, arc);
    }
    i = j;
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto &x, const auto &y) { return x.first < y.first; });
  for (size_t i = 0; i < keyed.size(); i++) (*arcs)[i] = keyed[i].second;
}

class ArcTrie {
 public:
  explicit ArcTrie(NET *net) : net_(net) {}

  // Inserts every state's ordered list; the states are left without arcs.
  void insert_lists(bool det_epsilon_first);
  // The reordering pass; returns the number of exchanges.
  long long reorder();
  // Turns the trie back into arc lists, with chain states and ALTCHAIN arcs.
  void rebuild();

 private:
  static uint64_t key_hash(uint32_t parent, uint32_t label, const STATE *destination) {
    return hash_word(hash_word(hash_word(0, parent), label),
                     reinterpret_cast<uintptr_t>(destination));
  }
  uint32_t find(uint32_t parent, uint32_t label, const STATE *destination);
  uint32_t add_node(ARC *arc, uint32_t label, STATE *destination, uint32_t parent);
  void link(uint32_t child, uint32_t parent);
  void unlink(uint32_t child);
  void move_hung(uint32_t from, uint32_t to);
  void free_node(uint32_t node);
  bool branch_point(uint32_t n) const {
    return nodes_[n].child_count + nodes_[n].hung_count >= 2;
  }
  void merge_below(uint32_t node, uint32_t parent);
  void build_run(STATE *owner, uint32_t node);
  std::vector<uint32_t> children(uint32_t node) const;

  NET *net_;
  std::vector<Node> nodes_;
  std::vector<STATE *> states_;       // by state number
  std::vector<uint32_t> hung_next_;   // by state number: the next state hung at the same node
  std::vector<uint32_t> to_visit_;    // the reordering pass's stack of nodes
  FlatHash<uint32_t> index_{"OPTIMIZE_ARCS"};
};

uint32_t ArcTrie::find(uint32_t parent, uint32_t label, const STATE *destination) {
  const uint32_t *found =
      index_.find(key_hash(parent, label, destination), [&](uint32_t n) {
        const Node &node = nodes_[n];
        return !node.dead && node.parent == parent && node.label == label &&
               node.destination == destination;
      });
  return found == nullptr ? kNone : *found;
}

uint32_t ArcTrie::add_node(ARC *arc, uint32_t label, STATE *destination, uint32_t parent) {
  const auto n = static_cast<uint32_t>(nodes_.size());
  Node node;
  node.arc = arc;
  node.label = label;
  node.destination = destination;
  nodes_.push_back(node);
  if (parent == kNone) {
    bool added = false;
    *index_.insert(key_hash(kNone, label, destination), [](uint32_t) { return false; }, &added) =
        n;
  } else {
    link(n, parent);
  }
  return n;
}

// Makes `child` the first child of `parent` and files it under its new key. An entry of the
// table whose node has moved since no longer matches (the lookups test the node's own fields).
void ArcTrie::link(uint32_t child, uint32_t parent) {
  Node &c = nodes_[child];
  c.parent = parent;
  c.prev_sibling = kNone;
  c.next_sibling = nodes_[parent].first_child;
  if (c.next_sibling != kNone) nodes_[c.next_sibling].prev_sibling = child;
  nodes_[parent].first_child = child;
  nodes_[parent].child_count++;
  bool added = false;
  *index_.insert(key_hash(parent, c.label, c.destination), [&](uint32_t n) { return n == child; },
                 &added) = child;
}

void ArcTrie::unlink(uint32_t child) {
  Node &c = nodes_[child];
  Node &parent = nodes_[c.parent];
  if (c.prev_sibling != kNone)
    nodes_[c.prev_sibling].next_sibling = c.next_sibling;
  else
    parent.first_child = c.next_sibling;
  if (c.next_sibling != kNone) nodes_[c.next_sibling].prev_sibling = c.prev_sibling;
  parent.child_count--;
  c.parent = kNone;
  c.prev_sibling = c.next_sibling = kNone;
}

void ArcTrie::move_hung(uint32_t from, uint32_t to) {
  while (nodes_[from].first_hung != kNone) {
    const uint32_t s = nodes_[from].first_hung;
    nodes_[from].first_hung = hung_next_[s];
    hung_next_[s] = nodes_[to].first_hung;
    nodes_[to].first_hung = s;
    nodes_[to].hung_count++;
  }
  nodes_[from].hung_count = 0;
}

// Frees the arc of a node that another node now stands for.
void ArcTrie::free_node(uint32_t node) {
  free_arc(nodes_[node].arc);
  net_->num_arcs--;
  nodes_[node].arc = nullptr;
  nodes_[node].dead = true;
}

std::vector<uint32_t> ArcTrie::children(uint32_t node) const {
  std::vector<uint32_t> list;
  for (uint32_t c = nodes_[node].first_child; c != kNone; c = nodes_[c].next_sibling)
    list.push_back(c);
  return list;
}

void ArcTrie::insert_lists(bool det_epsilon_first) {
  for (STATE *s = net_->states; s != nullptr; s = s->next) states_.push_back(s);
  hung_next_.assign(states_.size(), kNone);
  nodes_.reserve(net_->num_arcs + net_->num_states);
  std::vector<ARC *> arcs;
  const ArcCounts counts(net_);
  for (uint32_t number = 0; number < states_.size(); number++) {
    STATE *state = states_[number];
    order_arcs(state, det_epsilon_first, counts, &arcs);
    state->arcs = nullptr;
    if (arcs.empty()) continue;
    STATE *last_destination = arcs.back()->destination;
    uint32_t at = find(kNone, ID_NO_SYMBOL, last_destination);
    if (at == kNone) at = add_node(nullptr, ID_NO_SYMBOL, last_destination, kNone);
    for (size_t k = arcs.size(); k-- > 0;) {
      ARC *arc = arcs[k];
      const uint32_t found = find(at, arc->label, arc->destination);
      if (found != kNone) {
        free_arc(arc);
        net_->num_arcs--;
        at = found;
        continue;
      }
      if (arc->flags.big) {  // the result carries no user pointers
        ARC *plain = alloc_arc(arc->label, arc->destination, net_);
        free_arc(arc);
        net_->num_arcs--;
        arc = plain;
      }
      at = add_node(arc, arc->label, arc->destination, at);
    }
    hung_next_[number] = nodes_[at].first_hung;
    nodes_[at].first_hung = number;
    nodes_[at].hung_count++;
  }
}

// Moves `node` (already unlinked) below `parent`, merging it with an equal child there; the
// merge goes on through the children with an explicit stack. Nodes newly linked are visited.
void ArcTrie::merge_below(uint32_t node, uint32_t parent) {
  std::vector<std::pair<uint32_t, uint32_t>> work{{node, parent}};
  while (!work.empty()) {
    const auto [n, into] = work.back();
    work.pop_back();
    const uint32_t equal = find(into, nodes_[n].label, nodes_[n].destination);
    if (equal == kNone) {
      link(n, into);
      nodes_[n].visited = false;
      to_visit_.push_back(n);
      continue;
    }
    move_hung(n, equal);
    for (uint32_t child : children(n)) {
      unlink(child);
      work.emplace_back(child, equal);
    }
    free_node(n);
  }
}

long long ArcTrie::reorder() {
  long long exchanges = 0;
  for (uint32_t n = 0; n < nodes_.size(); n++)
    if (nodes_[n].arc == nullptr)
      for (uint32_t c : children(n)) to_visit_.push_back(c);
  while (!to_visit_.empty()) {
    const uint32_t n = to_visit_.back();
    to_visit_.pop_back();
    if (nodes_[n].dead || nodes_[n].visited) continue;
    nodes_[n].visited = true;
    const uint32_t c = nodes_[n].first_child;
    if (nodes_[n].child_count == 1 && nodes_[n].hung_count == 0 && !branch_point(c)) {
      const uint32_t parent = nodes_[n].parent;
      const uint32_t e = find(parent, nodes_[c].label, nodes_[c].destination);
      if (e != kNone && e != n) {
        // The list reads ..., c, n, parent...: it becomes ..., n, e, parent....
        const uint32_t below = nodes_[c].first_child;
        unlink(c);
        if (below != kNone) {
          unlink(below);
          link(below, n);
        }
        move_hung(c, n);
        free_node(c);
        unlink(n);
        merge_below(n, e);
        exchanges++;
        continue;
      }
    }
    for (uint32_t child = nodes_[n].first_child; child != kNone;
         child = nodes_[child].next_sibling)
      to_visit_.push_back(child);
  }
  return exchanges;
}

// Gives `owner` the run from `node` up to the top of the trie or to the next branch point,
// which it reaches through an ALTCHAIN arc.
void ArcTrie::build_run(STATE *owner, uint32_t node) {
  ARC **tail = &owner->arcs;
  for (uint32_t x = node;;) {
    ARC *arc = nodes_[x].arc;
    *tail = arc;
    tail = &arc->next;
    const uint32_t parent = nodes_[x].parent;
    if (nodes_[parent].arc == nullptr) break;
    if (branch_point(parent)) {
      ARC *chain = alloc_arc(ALTCHAIN_SYMBOL, nodes_[parent].holder, net_);
      *tail = chain;
      tail = &chain->next;
      break;
    }
    x = parent;
  }
  *tail = nullptr;
}

void ArcTrie::rebuild() {
  // The holders of the branch points first: the runs below them end with arcs to them.
  for (uint32_t n = 0; n < nodes_.size(); n++) {
    Node &node = nodes_[n];
    if (node.dead || node.arc == nullptr || !branch_point(n)) continue;
    for (uint32_t s = node.first_hung; s != kNone; s = hung_next_[s])
      if (!states_[s]->flags.final) {
        node.holder = states_[s];
        break;
      }
    if (node.holder == nullptr) node.holder = make_state(nullptr, net_);
  }
  for (uint32_t n = 0; n < nodes_.size(); n++) {
    const Node &node = nodes_[n];
    if (node.dead || node.arc == nullptr) continue;
    if (!branch_point(n)) {
      if (node.hung_count == 1) build_run(states_[node.first_hung], n);
      continue;
    }
    build_run(node.holder, n);
    for (uint32_t s = node.first_hung; s != kNone; s = hung_next_[s])
      if (states_[s] != node.holder) {
        states_[s]->arcs = alloc_arc(ALTCHAIN_SYMBOL, node.holder, net_);
        states_[s]->arcs->next = nullptr;
      }
  }
}

bool is_reached(STATE *state) { return state->flags.visit_mark == 1; }

// An ALTCHAIN arc to a state of one arc becomes a copy of that arc; the states no longer
// reached are deleted. Returns the number of ALTCHAIN arcs left.
long long clean_up(NET *net) {
  bool shortcut = false;
  long long chains = 0;
  for (STATE *s = net->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label != ALTCHAIN_SYMBOL) continue;
      const ARC *only = arc->destination->arcs;
      if (only != nullptr && only->next == nullptr) {
        arc->label = only->label;
        arc->destination = only->destination;
        shortcut = true;
      }
    }
  if (shortcut) {
    for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.visit_mark = 0;
    mark_reachable(net->start, 1, nullptr);
    delete_states(net, is_reached);
    for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.visit_mark = 0;
  }
  for (STATE *s = net->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      chains += arc->label == ALTCHAIN_SYMBOL;
  return chains;
}

void write_size(const char *title, NET *net) {
  std::fputs(title, stderr);
  print_net_size(net, stderr, "\n");
}

void write_change(const char *what, long long before, long long after) {
  const double percent = before == 0 ? 0.0 : 100.0 * static_cast<double>(after - before) /
                                                 static_cast<double>(before);
  std::fprintf(stderr, "%s: %+2.1f%% (%+lld)\n", what, percent, after - before);
}

bool holds_altchain_arc(const NET *net) {
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label == ALTCHAIN_SYMBOL) return true;
  return false;
}

}  // namespace

void optimize_arcs_in_place(NET *net) {
  if (net->flags2.optimized || (net->labels != nullptr &&
                                test_alph_member(net->labels, ALTCHAIN_SYMBOL))) {
    warning("Nothing to do; network has already been optimized.");
    return;
  }
  if (net->flags.shared_arc_lists) {
    warning("Nothing to do; network has been optimized and arcs are shared.");
    return;
  }
  if (net->flags2.has_arc_vectors || net->flags.compacted || net->flags2.is_virtual) {
    check_plain_net(net);
    return;
  }
  if (net->flags.has_arc_user_pointer) warning("User pointers already in use.");
  const bool verbose = parameter(KORA_VERBOSE) != 0;
  if (verbose) write_size("OPTIMIZER INPUT SIZE: ", net);
  if (!net->flags.minimized) {
    warning("Input net is not marked as minimized.");
    min_fsm(net, 0);
    if (!net->flags.minimized) return;
  }
  if (holds_altchain_arc(net)) {
    error("Unexpected ALTCHAIN symbol in a non-optimized net.");
    return;
  }
  clear_client_cells(net);
  for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.visit_mark = 0;
  net->flags.visit_marks_dirty = 0;
  const long long arcs_before = net->num_arcs;
  const long long states_before = net->num_states;

  long long exchanges = 0;
  {
    ArcTrie trie(net);
    trie.insert_lists(net->flags2.left_bimachine != 0);
    exchanges = trie.reorder();
    trie.rebuild();
  }
  if (verbose) std::fprintf(stderr, "%lld arcs reordered.\n", exchanges);
  const long long chains = clean_up(net);
  net->flags.has_arc_user_pointer = 0;
  net->flags2.sorted_arcs = 0;
  if (chains > 0) {
    net->labels = alph_add_to(net_labels(net), ALTCHAIN_SYMBOL, 0);
    net->sigma = alph_add_to(net->sigma, ALTCHAIN_SYMBOL, 0);
    extend_reduction_with_altchain(net);
  }
  net->flags2.optimized = chains > 0;
  if (verbose) {
    write_size("OPTIMIZER OUTPUT SIZE: ", net);
    write_change("  Arcs", arcs_before, net->num_arcs);
    write_change("States", states_before, net->num_states);
  }
}

void optimize_arcs_quietly(NET *net) {
  const int32_t verbose = interface_parameters.word[KORA_VERBOSE];
  interface_parameters.word[KORA_VERBOSE] = 0;
  optimize_arcs_in_place(net);
  interface_parameters.word[KORA_VERBOSE] = verbose;
}

void rebuild_alternative_chains(NET *net) {
  if (holds_altchain_arc(net))
    net->flags2.optimized = 1;
  else
    optimize_arcs_quietly(net);
}

void unoptimize_arcs_in_place(NET *net) {
  if (net->flags.shared_arc_lists) {  // sharing clears `optimized` when no chain is left
    error("Cannot unoptimize a net with shared arcs.\nPlease do 'unshare arcs' first.");
    return;
  }
  if (!net->flags2.optimized) {
    if (parameter(KORA_VERBOSE))
      std::fputs("Nothing to do: the network has not been optimized.\n", stderr);
    return;
  }
  const bool deterministic = net->flags.deterministic;
  const bool minimized = net->flags.minimized;
  for (STATE *s = net->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label == ALTCHAIN_SYMBOL) arc->label = EPSILON;
  ALPH *labels = net_labels(net);
  alph_remove_from(labels, ALTCHAIN_SYMBOL, 0);
  bool illegal = false;
  ALPH_ITERATOR items;
  start_alph_iterator(&items, labels);
  for (uint32_t label = next_alph_item(&items); label != ID_NO_SYMBOL;
       label = next_alph_item(&items)) {
    if (label_arity(label) < 2) continue;
    if (upper_id(label) != ALTCHAIN_SYMBOL && lower_id(label) != ALTCHAIN_SYMBOL) continue;
    std::string name;
    append_label(name, label, 1);
    std::fprintf(stderr, "'%s' is an illegal symbol.\n", name.c_str());
    illegal = true;
  }
  if (!illegal && net->sigma != nullptr) alph_remove_from(net->sigma, ALTCHAIN_SYMBOL, 0);
  net->flags.epsilon_free = 0;
  net->flags2.optimized = 0;
  remove_epsilons(net, 0);
  if (deterministic)
    for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.deterministic = 1;
  net->flags.deterministic = deterministic;
  net->flags.minimized = minimized;
  if (illegal) error("unoptimize_arcs: the network has labels that pair ALTCHAIN with a symbol.");
}

void unoptimize_operand_arcs(NET *net) {
  net->flags2.optimized = 1;
  unoptimize_arcs_in_place(net);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API void optimize_arcs(NET *net) {
  guarded(__func__, [&] {
    if (net == nullptr) {
      error("Unexpected NULL argument in optimize_arcs().");
      return;
    }
    optimize_arcs_in_place(net);
  });
}

KORA_API void unoptimize_arcs(NET *net) {
  guarded(__func__, [&] {
    if (net == nullptr) {
      error("Unexpected NULL argument in unoptimize_arcs().");
      return;
    }
    unoptimize_arcs_in_place(net);
  });
}

}  // extern "C"
