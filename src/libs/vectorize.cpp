// Vectorization: arc vectors in place of long arc lists, and back.
//
// What it computes: the same network (same states, same language, same arcs per state), with
// each state that has at least the threshold's number of arcs holding them as an arc vector
// (arc-vector.h): a destination slot per label of the network, indexed by the label's position
// in the network's label copy (vectorized_alph), and four short lists of the labels that an
// applyer must try without an input symbol (epsilon-like sides) or as flags. The arc that
// reads a label is then found by indexing.
//
// How: the labels are numbered once (label-index.h), then each state past the threshold gets a
// zeroed destination array from one heap of page-sized blocks per network ("Net arc vectors"),
// (each a record followed by its slots), so that many vectors cost one allocation per block,
// not one per state. An arc list that ends
// in an ALTCHAIN arc (arc optimization) continues in the arcs of the arc's destination, which
// are gathered into the same vector (or merged from its vector when it has one). Only when
// every vector is made are the old lists freed, leaving arcs that a list state shares. An
// optimized network then loses the chain states that only vectors led to. Undoing rebuilds one
// arc per filled slot in position order.
//
// Cost: time O(V + E + S L) and space O(S L) pointers for the S vectorized states of the L
// labels of a network of V states and E arcs; undoing O(S L). Tested in
// tests/representations/vectorize_test.cpp.

#include "vectorize.h"

#include <algorithm>
#include <vector>

#include "alph.h"
#include "arc-vector.h"
#include "boundary.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "flag-sides.h"
#include "label-index.h"
#include "labelset.h"
#include "label.h"
#include "optimize.h"
#include "platform.h"
#include "prop.h"
#include "struct.h"

namespace kora {
namespace {

// The pages of one block of destination arrays.
constexpr unsigned kPagesPerBlock = 16;

bool epsilon_like(uint32_t symbol) {
  return symbol == EPSILON || symbol == ALTCHAIN_SYMBOL || symbol == GUARDED_EPSILON;
}

// An arc whose list goes on in its destination's arcs: ALTCHAIN, or EPSILON in a deterministic
// network (which has no EPSILON arc of its own).
bool chain_arc(const ARC *arc, const NET *net) {
  return arc->label == ALTCHAIN_SYMBOL || (arc->label == EPSILON && net->flags.deterministic);
}

// The threshold: the second field of the "VECTORIZE-N" property (an array or list of
// integers) when the network has it, else the parameter word.
int threshold_of(const NET *net) {
  static const uint32_t key[] = {'V', 'E', 'C', 'T', 'O', 'R', 'I', 'Z', 'E', '-', 'N', 0};
  const OBJECT *value = get_prop(net, key);
  if (value != nullptr && (value->type == ARRAY_TYPE || value->type == LIST_TYPE)) {
    const SEQUENCE *fields = value->value.sequence;
    if (fields != nullptr && fields->length >= 2) {
      if (fields->element_type == INTEGER_TYPE) return fields->data[1].integer;
      const OBJECT *field = fields->data[1].object;
      if (fields->element_type == OBJECT_TYPE && field != nullptr && field->type == INTEGER_TYPE)
        return field->value.integer;
    }
  }
  return parameter(KORA_VECTORIZE_THRESHOLD);
}

// The arcs of `state` counted along its list, a trailing chain arc followed into its
// destination's arcs (at most once per state of the network, so that a chain that loops ends).
uint32_t arc_count(const STATE *state, const NET *net) {
  uint32_t count = 0, hops = 0;
  const ARC *arc = state->arcs;
  while (arc != nullptr) {
    if (!chain_arc(arc, net)) {
      count++;
      arc = arc->next;
    } else if (arc->next == nullptr && arc->destination != state && hops++ < net->num_states) {
      arc = arc->destination->arcs;
    } else {
      arc = arc->next;
    }
  }
  return count;
}

bool has_flag_label(const STATE *state) {
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
    if (symbol_flag(upper_id(arc->label)) != nullptr || symbol_flag(lower_id(arc->label)) != nullptr)
      return true;
  return false;
}

bool sigma_has_flags(const NET *net) {
  if (net->sigma == nullptr) return false;
  ALPH_ITERATOR members;
  start_alph_iterator(&members, net->sigma);
  for (uint32_t s = next_alph_item(&members); s != ID_NO_SYMBOL; s = next_alph_item(&members))
    if (symbol_flag(s) != nullptr) return true;
  return false;
}

void add_to_list(ALPH **list, uint32_t label) {
  if (*list == nullptr) *list = make_alph(0, KORA_LABEL_ALPH);
  alph_add_to(*list, label, 0);
}

void append_list(ALPH **list, const ALPH *from) {
  if (from == nullptr) return;
  ALPH_ITERATOR members;
  start_alph_iterator(&members, from);
  for (uint32_t label = next_alph_item(&members); label != ID_NO_SYMBOL;
       label = next_alph_item(&members))
    add_to_list(list, label);
}

// The vectorization of one network.
class Vectorizer {
 public:
  explicit Vectorizer(NET *net) : net_(net) {}

  int run() {
    if (!net_->flags.deterministic) {
      warning("Can't vectorize a non-deterministic network.");
      return 0;
    }
    if (net_->flags2.has_arc_vectors) return 0;
    if (net_->flags2.reduced_labelset) unreduce_labelset_aux(net_, nullptr);
    const int threshold = threshold_of(net_);
    uint32_t candidates = 0;
    for (const STATE *s = net_->states; s != nullptr; s = s->next)
      candidates += static_cast<int64_t>(arc_count(s, net_)) >= threshold;
    if (candidates == 0) return 0;
    number_labels();
    if (labels_.labels.empty()) return 0;
    make_vector_heap(candidates);
    const bool flags_in_sigma = sigma_has_flags(net_);
    int vectorized = 0;
    for (STATE *s = net_->states; s != nullptr; s = s->next) {
      if (static_cast<int64_t>(arc_count(s, net_)) >= threshold &&
          (flags_in_sigma || !has_flag_label(s))) {
        old_lists_.push_back(s->arcs);
        vectorize_state(s);
        vectorized++;
      } else {
        list_states_.push_back(s);
      }
    }
    if (vectorized == 0) {
      drop_vector_fields(net_);
      return 0;
    }
    net_->flags2.has_arc_vectors = 1;
    net_->flags2.sorted_arcs = 0;
    free_old_lists();
    if (net_->flags2.optimized) vectorized -= remove_unreachable_states();
    return vectorized;
  }

  // Frees the heap of destination arrays and clears the network's vector fields.
  static void drop_vector_fields(NET *net) {
    free_heap(static_cast<HEAP *>(net->arc_vector_heap));
    net->arc_vector_heap = nullptr;
    net->arc_vector_count = 0;
    free_alph(net->vectorized_alph);
    net->vectorized_alph = nullptr;
  }

 private:
  // Numbers the labels of the label set, then any other label an arc has (EPSILON, which no
  // slot holds, left out), and keeps the label copy on the network.
  void number_labels() {
    if (net_->labels != nullptr) {
      ALPH_ITERATOR members;
      start_alph_iterator(&members, net_->labels);
      for (uint32_t label = next_alph_item(&members); label != ID_NO_SYMBOL;
           label = next_alph_item(&members))
        if (label != EPSILON) plain_label_index(&labels_, label);
    }
    for (const STATE *s = net_->states; s != nullptr; s = s->next)
      for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
        if (arc->label != EPSILON) plain_label_index(&labels_, arc->label);
    const auto count = static_cast<int>(labels_.labels.size());
    ALPH *copy = make_alph(count, KORA_LABEL_ALPH);
    for (uint32_t label : labels_.labels) append_new_label(copy, label);
    net_->vectorized_alph = copy;
    net_->arc_vector_count = count;
  }

  void make_vector_heap(uint32_t candidates) {
    const size_t cell = arc_vector_cell_size(static_cast<uint32_t>(labels_.labels.size()));
    const size_t fit = std::max<size_t>(1, size_t{kPagesPerBlock} * page_size() / cell);
    const auto per_block = static_cast<unsigned>(std::min<size_t>(fit, candidates));
    net_->arc_vector_heap = init_heap(static_cast<unsigned>(cell), per_block, "Net arc vectors");
    if (net_->arc_vector_heap == nullptr) out_of_memory("VECTORIZE_NET");
  }

  // Puts the arc (label, destination) in its slot; false when the slot is taken.
  bool store(ARC_VECTOR *vector, uint32_t label, STATE *destination) {
    STATE **slot = &vector->destinations[find_label_index(&labels_, label)];
    if (*slot != nullptr) return false;
    *slot = destination;
    net_->num_arcs++;
    const uint32_t upper = upper_id(label), lower = lower_id(label);
    if (epsilon_like(upper))
      add_to_list(&vector->upper_epsilon, label);
    else if (epsilon_like(lower))
      add_to_list(&vector->lower_epsilon, label);
    if (symbol_flag(upper) != nullptr) add_to_list(&vector->upper_flags, label);
    if (symbol_flag(lower) != nullptr) add_to_list(&vector->lower_flags, label);
    return true;
  }

  // Takes into `vector` the slots of the vector of a chain destination that it lacks.
  void merge(ARC_VECTOR *vector, const ARC_VECTOR *from) {
    const size_t count = labels_.labels.size();
    bool clash = false;
    for (size_t p = 0; p < count; p++) {
      if (from->destinations[p] == nullptr) continue;
      if (vector->destinations[p] != nullptr) {
        clash = true;
        continue;
      }
      vector->destinations[p] = from->destinations[p];
      net_->num_arcs++;
    }
    if (clash) error("Network is not deterministic. Some arcs are lost in vectorization.");
    append_list(&vector->upper_epsilon, from->upper_epsilon);
    append_list(&vector->lower_epsilon, from->lower_epsilon);
    append_list(&vector->upper_flags, from->upper_flags);
    append_list(&vector->lower_flags, from->lower_flags);
  }

  // Gathers the arcs of `state` (through a trailing chain arc, its destination's arcs too) into
  // a new vector, which replaces the state's list. A second arc for one label ends the
  // gathering with the error.
  void vectorize_state(STATE *state) {
    ARC_VECTOR *vector = alloc_arc_vector(net_);
    const ARC *arc = state->arcs;
    uint32_t hops = 0;
    while (arc != nullptr) {
      STATE *chain = nullptr;
      bool lost = false;
      for (; arc != nullptr && !lost; arc = arc->next) {
        if (chain_arc(arc, net_)) {
          if (arc->next != nullptr) warning("Nonfinal ALTCHAIN arc.");
          if (chain == nullptr && arc->destination != state) chain = arc->destination;
        } else if (!store(vector, arc->label, arc->destination)) {
          error("Network is not deterministic. Some arcs are lost in vectorization.");
          lost = true;
        }
      }
      if (lost || chain == nullptr || hops++ >= net_->num_states) break;
      if (chain->flags.vectorized) {
        merge(vector, state_arc_vector(chain));
        break;
      }
      arc = chain->arcs;
    }
    state->arcs = reinterpret_cast<ARC *>(vector);
    state->flags.vectorized = 1;
  }

  // Frees the arcs of the lists that vectors replaced, up to each list's chain arc, except the
  // arcs that a list state also reaches along its own list (shared lists).
  void free_old_lists() {
    std::vector<ARC *> freed;
    for (ARC *list : old_lists_)
      for (ARC *arc = list; arc != nullptr; arc = arc->next) freed.push_back(arc);
    for (const STATE *s : list_states_)
      for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) arc->flags.visit_mark = 1;
    for (ARC *arc : freed)
      if (arc->flags.live && arc->flags.visit_mark == 0) {
        free_arc(arc);
        net_->num_arcs--;
      }
    for (const STATE *s : list_states_)
      for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) arc->flags.visit_mark = 0;
  }

  // Deletes the states that the start state no longer reaches (chain states whose arcs now
  // live in vectors); returns how many of them were vectorized.
  int remove_unreachable_states() {
    for (STATE *s = net_->states; s != nullptr; s = s->next) s->client_cell = nullptr;
    std::vector<STATE *> stack;
    auto reach = [&stack](STATE *s) {
      if (s != nullptr && s->client_cell == nullptr) {
        s->client_cell = s;
        stack.push_back(s);
      }
    };
    reach(net_->start);
    const size_t count = labels_.labels.size();
    while (!stack.empty()) {
      STATE *s = stack.back();
      stack.pop_back();
      if (s->flags.vectorized) {
        for (size_t p = 0; p < count; p++) reach(state_arc_vector(s)->destinations[p]);
      } else {
        for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) reach(arc->destination);
      }
    }
    int removed = 0;
    for (const STATE *s = net_->states; s != nullptr; s = s->next)
      removed += s->client_cell == nullptr && s->flags.vectorized;
    delete_states(net_, [](STATE *s) { return s->client_cell != nullptr; });
    for (STATE *s = net_->states; s != nullptr; s = s->next) s->client_cell = nullptr;
    return removed;
  }

  NET *net_;
  LABEL_INDEX labels_;
  std::vector<ARC *> old_lists_;
  std::vector<STATE *> list_states_;
};

// `net` and the networks that its insert flags (@I.name@) name, directly or through one
// another, each once.
std::vector<NET *> with_inserted_networks(NET *net) {
  std::vector<NET *> nets{net};
  for (size_t k = 0; k < nets.size(); k++) {
    if (nets[k]->labels == nullptr) continue;
    ALPH_ITERATOR members;
    start_alph_iterator(&members, nets[k]->labels);
    for (uint32_t label = next_alph_item(&members); label != ID_NO_SYMBOL;
         label = next_alph_item(&members)) {
      for (uint32_t side : {upper_id(label), lower_id(label)}) {
        const FLAG_DIACRITIC *flag = symbol_flag(side);
        if (flag == nullptr || flag->action != INSERT_SUBNET) continue;
        NET *inserted = defined_net(flag->value);
        if (inserted != nullptr && std::find(nets.begin(), nets.end(), inserted) == nets.end())
          nets.push_back(inserted);
      }
    }
  }
  return nets;
}

// Sets the threshold's parameter word for the life of the record and restores it after, also
// when the call is abandoned.
class ThresholdWord {
 public:
  explicit ThresholdWord(int threshold)
      : word_(interface_parameters.word[KORA_VECTORIZE_THRESHOLD]), saved_(word_) {
    word_ = threshold;
  }
  ~ThresholdWord() { word_ = saved_; }
  ThresholdWord(const ThresholdWord &) = delete;
  ThresholdWord &operator=(const ThresholdWord &) = delete;

 private:
  int32_t &word_;
  int32_t saved_;
};

// Marks a plain network deterministic when it is so without saying it (a network built by
// hand): no state has an EPSILON arc or two arcs with one label. O(E log E).
void note_if_deterministic(NET *net) {
  if (net->flags.deterministic || special_representation(net) != nullptr) return;
  std::vector<uint32_t> labels;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    labels.clear();
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label == EPSILON) return;
      labels.push_back(arc->label);
    }
    std::sort(labels.begin(), labels.end());
    if (std::adjacent_find(labels.begin(), labels.end()) != labels.end()) return;
  }
  net->flags.deterministic = 1;
}

}  // namespace

int vectorize_net(NET *net) { return Vectorizer(net).run(); }

int unvectorize_fsm(NET *net) {
  if (!net->flags2.has_arc_vectors) return 0;
  const uint32_t count = arc_vector_length(net);
  int restored = 0;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    if (!s->flags.vectorized) continue;
    ARC_VECTOR *vector = state_arc_vector(s);
    ARC *list = nullptr;
    ARC **tail = &list;
    for (uint32_t p = next_filled_slot(vector, 0, count); p < count;
         p = next_filled_slot(vector, p + 1, count)) {
      net->num_arcs--;  // the slot's arc, counted when it was stored, becomes a list arc
      ARC *arc = alloc_arc(ALPH_item(net->vectorized_alph, p), vector->destinations[p], net);
      *tail = arc;
      tail = &arc->next;
    }
    free_arc_vector(vector, net);
    s->arcs = list;
    s->flags.vectorized = 0;
    restored++;
  }
  Vectorizer::drop_vector_fields(net);
  net->flags2.has_arc_vectors = 0;
  if (net->flags2.optimized) unoptimize_arcs_in_place(net);
  return restored;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int vectorize_states(NET *net, int threshold) {
  return guarded(__func__, 0, [&]() -> int {
    if (net == nullptr || check_not_virtual(net)) return 0;
    ThresholdWord word(threshold);
    int vectorized = 0;
    for (NET *each : with_inserted_networks(net)) {
      note_if_deterministic(each);
      vectorized += vectorize_net(each);
    }
    return vectorized;
  });
}

KORA_API int unvectorize_net(NET *net) {
  return guarded(__func__, 0, [&]() -> int {
    if (net == nullptr || check_not_virtual(net)) return 0;
    int restored = 0;
    for (NET *each : with_inserted_networks(net)) restored += unvectorize_fsm(each);
    return restored;
  });
}

}  // extern "C"
