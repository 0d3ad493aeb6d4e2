// The vectorized and bimachine searches; see apply-vector.h for what they compute and cost.

#include "apply-vector.h"

#include <algorithm>

#include "alph.h"
#include "arc-vector.h"
#include "context.h"
#include "error.h"
#include "flag-sides.h"
#include "label.h"

namespace kora {

namespace {

// The parameter word of the deepest path the vectorized search takes without a report.
constexpr int kMaxDepthWord = 37;
constexpr uint32_t kNone = 0xFFFFFFFF;

// Flags that name a definition act whether or not flags are obeyed: the search needs the
// network or the list they name.
bool names_definition(uint32_t symbol, const FLAG_DIACRITIC *flag) {
  return flag->action == INSERT_SUBNET || list_flag_p(symbol);
}

// How an input symbol stands to a network's sigma.
enum SymbolKind : uint8_t { kOutsideSigma = 0, kInSigma = 1, kFlagSymbol = 2 };

}  // namespace

// What the search knows of one network read from one side: for each label met, what its arc
// reads and writes and its slot position; the range map; the sigma.
struct VectorSearch::Network {
  NET *net;
  struct Label {
    IndexArc arc;
    uint32_t position;  // its slot in the network's arc vectors, kNone when it has none
    bool known;
  };
  std::vector<Label> labels;         // by label id
  std::vector<uint8_t> symbol_kind;  // by symbol id, beyond it kOutsideSigma
  // The range map: the labels that read symbol s are range_labels[range_first[s] ..
  // range_first[s + 1]); the entry of OTHER lists those that read any symbol outside the sigma.
  std::vector<uint32_t> range_first;
  std::vector<uint32_t> range_labels;
  // Whether some label reads nothing or a flag on the input side: else the side lists of its
  // vectors are empty, and are not read.
  bool side_lists = false;

  const Label &label(uint32_t id, int input_side) {
    if (id >= labels.size()) labels.resize(id + 1, Label{{}, kNone, false});
    Label &entry = labels[id];
    if (!entry.known) entry = {index_arc(id, input_side), entry.position, true};
    return entry;
  }

  // The labels that read x (none for the end of the input or a flag symbol).
  void range_of(uint32_t x, uint32_t *first, uint32_t *end) const {
    uint32_t key = OTHER;
    if (x == ID_NO_SYMBOL) {
      *first = *end = 0;
      return;
    }
    if (x < symbol_kind.size()) {
      if (symbol_kind[x] == kFlagSymbol) {
        *first = *end = 0;
        return;
      }
      if (symbol_kind[x] == kInSigma) key = x;
    } else if (x < ID_NO_SYMBOL && symbol_flag(x) != nullptr) {
      *first = *end = 0;
      return;
    }
    *first = range_first[key];
    *end = range_first[key + 1];
  }

  bool in_sigma(uint32_t x) const { return x < symbol_kind.size() && symbol_kind[x] == kInSigma; }
};

namespace {

// Makes the tables of `net` read from `side`. The range map is filled in two passes: counts,
// then labels.
void prepare_network(VectorSearch::Network &n, NET *net, int side) {
  n.net = net;
  std::vector<uint32_t> labels;
  auto add_labels = [&labels](const ALPH *alph) {
    if (alph == nullptr) return;
    ALPH_ITERATOR members;
    start_alph_iterator(&members, alph);
    for (uint32_t l = next_alph_item(&members); l != ID_NO_SYMBOL; l = next_alph_item(&members))
      labels.push_back(l);
  };
  add_labels(net->labels);
  add_labels(net->flags2.has_arc_vectors ? net->vectorized_alph : nullptr);
  uint32_t symbols = OTHER + 1;
  for (uint32_t l : labels) {
    const IndexArc arc = n.label(l, side).arc;
    if (arc.input() < ID_NO_SYMBOL) symbols = std::max(symbols, arc.input() + 1);
  }
  if (net->sigma != nullptr) {
    ALPH_ITERATOR members;
    start_alph_iterator(&members, net->sigma);
    for (uint32_t s = next_alph_item(&members); s != ID_NO_SYMBOL; s = next_alph_item(&members))
      symbols = std::max(symbols, s + 1);
  }
  n.symbol_kind.assign(symbols, kOutsideSigma);
  if (net->sigma != nullptr) {
    ALPH_ITERATOR members;
    start_alph_iterator(&members, net->sigma);
    for (uint32_t s = next_alph_item(&members); s != ID_NO_SYMBOL; s = next_alph_item(&members))
      n.symbol_kind[s] = kInSigma;
  }
  for (uint32_t s = 0; s < symbols; s++)
    if (s >= 128 && symbol_flag(s) != nullptr) n.symbol_kind[s] = kFlagSymbol;
  if (net->flags2.has_arc_vectors)
    for (uint32_t p = 0; p < arc_vector_length(net); p++) {
      const uint32_t l = ALPH_item(net->vectorized_alph, p);
      n.label(l, side);
      n.labels[l].position = p;
    }
  for (uint32_t l : labels)
    if (const IndexArc arc = n.label(l, side).arc; arc.special() != kOrdinary && arc.input() != OTHER)
      n.side_lists = true;
  // Labels that read a symbol: an ordinary input side, or OTHER (filed under OTHER).
  auto key_of = [&n, side](uint32_t l) -> uint32_t {
    const IndexArc arc = n.label(l, side).arc;
    if (arc.special() == kOrdinary || arc.input() == OTHER) return arc.input();
    return kNone;
  };
  std::sort(labels.begin(), labels.end());
  labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
  n.range_first.assign(symbols + 1, 0);
  for (uint32_t l : labels)
    if (const uint32_t key = key_of(l); key != kNone) n.range_first[key + 1]++;
  for (uint32_t s = 0; s < symbols; s++) n.range_first[s + 1] += n.range_first[s];
  n.range_labels.resize(n.range_first[symbols]);
  std::vector<uint32_t> fill(n.range_first.begin(), n.range_first.end() - 1);
  for (uint32_t l : labels)
    if (const uint32_t key = key_of(l); key != kNone) n.range_labels[fill[key]++] = l;
}

}  // namespace

VectorSearch::VectorSearch(NET *net, int input_side)
    : input_side_(input_side), silent_(index_arc(EPSILON, input_side)) {
  network_of(net);
}

const IndexArc *VectorSearch::step_arc(size_t k) {
  const uint32_t label = frames_[k + 1].label;
  if (label == ID_NO_SYMBOL) return &silent_;
  Network &n = *networks_[frames_[k].net];
  n.label(label, input_side_);
  return &n.labels[label].arc;
}

VectorSearch::~VectorSearch() = default;

uint32_t VectorSearch::network_of(NET *net) {
  for (uint32_t k = 0; k < networks_.size(); k++)
    if (networks_[k]->net == net) return k;
  networks_.push_back(std::make_unique<Network>());
  prepare_network(*networks_.back(), net, input_side_);
  return static_cast<uint32_t>(networks_.size() - 1);
}

uint32_t VectorSearch::symbol(int position, bool *failed) {
  const SearchInput &in = *input_;
  if (static_cast<uint32_t>(position) < *in.known) return (*in.symbols)[position];
  if (*in.complete) return ID_NO_SYMBOL;
  return in.read_symbol_at(in.applyer, position, failed);
}

void VectorSearch::push(STATE *state, uint32_t net, int position, uint32_t label,
                        VectorFrame::Kind kind, bool consumed) {
  VectorFrame &frame = frames_.emplace_back();
  frame.state = state;
  frame.position = position;
  frame.label = label;
  frame.net = net;
  frame.kind = kind;
  frame.consumed = consumed;
  if (max_depth_ > 0 && frames_.size() > static_cast<size_t>(max_depth_) && !depth_reported_) {
    depth_reported_ = true;
    warning_printf("Recursion depth in longest_paths() exceeds maximum, %d", max_depth_);
  }
}

void VectorSearch::pop() {
  const VectorFrame &frame = frames_.back();
  if (frame.flag_saved) input_->flag_register->set(frame.flag_attribute, frame.flag_previous);
  if (frame.kind == VectorFrame::INSERT) inserts_.pop_back();
  if (frame.kind == VectorFrame::RETURN) {
    inserts_.push_back(closed_.back());
    closed_.pop_back();
  }
  frames_.pop_back();
}

// The applyer's epsilon-loop rule over the path: an epsilon move from `from` to `to` by
// `label` goes round when `to` was entered since the last symbol read (the start state counts)
// or the same arc was taken in that stretch; an epsilon self-loop on a final state is taken once.
bool VectorSearch::goes_round(const STATE *from, const STATE *to, uint32_t label) const {
  const bool self_loop_allowed = from == to && to->flags.final;
  if (from == to && !self_loop_allowed) return true;
  for (size_t k = frames_.size(); k-- > 0;) {
    const VectorFrame &frame = frames_[k];
    if (label != ID_NO_SYMBOL && frame.label == label && k > 0 && frames_[k - 1].state == from)
      return true;
    if (frame.state == to && !self_loop_allowed) return true;
    if (frame.consumed) return false;
  }
  return false;
}

// Sets up the choices of the top frame, which has just been entered with input symbol x ahead.
void VectorSearch::arrive(VectorFrame &frame, uint32_t x) {
  frame.phase = 2;
  const STATE *state = frame.state;
  if (state->flags.vectorized) {
    const Network &n = *networks_[frame.net];
    frame.epsilon_next = frame.epsilon_end = 0;
    if (n.side_lists) {
      const ARC_VECTOR *vector = state_arc_vector(state);
      const ALPH *epsilons = input_side_ == 0 ? vector->upper_epsilon : vector->lower_epsilon;
      const ALPH *flags = input_side_ == 0 ? vector->upper_flags : vector->lower_flags;
      frame.epsilon_end = static_cast<uint32_t>((epsilons != nullptr ? epsilons->len : 0) +
                                                (flags != nullptr ? flags->len : 0));
    }
    n.range_of(x, &frame.symbol_next, &frame.symbol_end);
  } else {
    frame.next_arc = state->arcs;
  }
}

// Tries the arc (`label`, `destination`) from the top frame's state with input symbol x ahead;
// pushes the frame of where it leads and returns true when it can be taken. `by_vector` says
// that the label came from the range map, so it reads x.
bool VectorSearch::try_label(uint32_t label, STATE *destination, uint32_t x, bool by_vector) {
  const VectorFrame &frame = frames_.back();
  const uint32_t net = frame.net;
  const int position = frame.position;
  if (by_vector) {
    push(destination, net, position + 1, label, VectorFrame::MOVE, true);
    return true;
  }
  Network &n = *networks_[net];
  const IndexArc arc = n.label(label, input_side_).arc;
  const uint32_t i = arc.input();
  if (arc.special() == kOrdinary) {
    if (x == ID_NO_SYMBOL || i != x) return false;
    push(destination, net, position + 1, label, VectorFrame::MOVE, true);
    return true;
  }
  if (arc.special() == kEpsilonInput) {
    if (goes_round(frame.state, destination, label)) return false;
    push(destination, net, position, label, VectorFrame::MOVE, false);
    return true;
  }
  const FLAG_DIACRITIC *flag = symbol_flag(i);
  if (flag == nullptr) {  // OTHER: a symbol outside the sigma
    if (i != OTHER || x == ID_NO_SYMBOL || n.in_sigma(x)) return false;
    if (x < n.symbol_kind.size() ? n.symbol_kind[x] == kFlagSymbol
                                 : x < ID_NO_SYMBOL && symbol_flag(x) != nullptr)
      return false;
    push(destination, net, position + 1, label, VectorFrame::MOVE, true);
    return true;
  }
  FlagRegister *reg = input_->flag_register;
  const bool acts = input_->flags_active || names_definition(i, flag);
  const bool saved = input_->flags_active;
  const uint32_t previous = reg->get(flag->attribute);
  auto restore = [&] {
    if (saved) reg->set(flag->attribute, previous);
  };
  auto note_undo = [&] {
    VectorFrame &top = frames_.back();
    top.flag_saved = saved;
    top.flag_attribute = flag->attribute;
    top.flag_previous = previous;
  };
  if (acts) {
    void *object = nullptr;
    if (!flag_action(reg, flag, &object)) {
      restore();
      return false;
    }
    if (list_flag_p(i)) {
      const bool member =
          x != ID_NO_SYMBOL && test_alph_member(static_cast<ALPH *>(object), x) != 0;
      const bool accepts = flag->action == LIST_ACTION ? member : x != ID_NO_SYMBOL && !member;
      if (!accepts || (x != ID_NO_SYMBOL && symbol_flag(x) != nullptr)) {
        restore();
        return false;
      }
      push(destination, net, position + 1, label, VectorFrame::MOVE, true);
      note_undo();
      return true;
    }
    if (flag->action == INSERT_SUBNET) {
      NET *inserted = static_cast<NET *>(object);
      if (inserted->start == nullptr || goes_round(frame.state, inserted->start, label)) {
        restore();
        return false;
      }
      const uint32_t inserted_net = network_of(inserted);
      inserts_.push_back({net, destination});
      push(inserted->start, inserted_net, position, label, VectorFrame::INSERT, false);
      note_undo();
      return true;
    }
  }
  if (goes_round(frame.state, destination, label)) {
    restore();
    return false;
  }
  push(destination, net, position, label, VectorFrame::MOVE, false);
  note_undo();
  return true;
}

// Takes the top frame's next choice; false when it has none left.
bool VectorSearch::try_choice(uint32_t x) {
  VectorFrame &frame = frames_.back();
  if (frame.state->flags.vectorized) {
    const ARC_VECTOR *vector = state_arc_vector(frame.state);
    const Network &n = *networks_[frame.net];
    while (frame.epsilon_next < frame.epsilon_end) {
      const ALPH *epsilons = input_side_ == 0 ? vector->upper_epsilon : vector->lower_epsilon;
      const ALPH *flags = input_side_ == 0 ? vector->upper_flags : vector->lower_flags;
      const uint32_t in_epsilons = epsilons != nullptr ? static_cast<uint32_t>(epsilons->len) : 0;
      const uint32_t k = frame.epsilon_next++;
      const uint32_t label =
          k < in_epsilons ? ALPH_item(epsilons, k) : ALPH_item(flags, k - in_epsilons);
      STATE *destination = arc_vector_slots(vector)[n.labels[label].position];
      if (destination != nullptr && try_label(label, destination, x, false)) return true;
    }
    const uint32_t *labels = n.range_labels.data();
    const Network::Label *known = n.labels.data();
    STATE *const *destinations = arc_vector_slots(vector);
    auto destination_of = [&](uint32_t label) -> STATE * {
      const uint32_t position = known[label].position;
      return position == kNone ? nullptr : destinations[position];
    };
    while (frame.symbol_next < frame.symbol_end) {
      const uint32_t label = labels[frame.symbol_next++];
      STATE *destination = destination_of(label);
      if (destination == nullptr) continue;
      // A frame with nothing left to try is left at once when the search comes back to it.
      while (frame.symbol_next < frame.symbol_end && destination_of(labels[frame.symbol_next]) == nullptr)
        frame.symbol_next++;
      if (frame.symbol_next == frame.symbol_end) frame.phase = 3;
      return try_label(label, destination, x, true);
    }
    return false;
  }
  while (frame.next_arc != nullptr) {
    const ARC *arc = frame.next_arc;
    frame.next_arc = arc->next;
    if (try_label(arc->label, arc->destination, x, false)) return true;
  }
  return false;
}

int VectorSearch::run(const SearchInput &input) {
  NET *net = networks_[0]->net;
  if (net->start == nullptr) return 0;
  input_ = &input;
  running_ = true;
  depth_reported_ = false;
  max_depth_ = parameter(kMaxDepthWord);
  frames_.clear();
  inserts_.clear();
  input.flag_register->clear();
  int results = 0;
  closed_.clear();
  VectorFrame &first = frames_.emplace_back();
  first = VectorFrame{};
  first.state = net->start;
  first.label = ID_NO_SYMBOL;
  first.kind = VectorFrame::START;
  while (!frames_.empty()) {
    VectorFrame &frame = frames_.back();
    if (frame.phase == 3) {
      pop();
      continue;
    }
    bool failed = false;
    const uint32_t x = symbol(frame.position, &failed);
    if (failed) break;
    if (frame.phase == 0) {
      if (x == ID_NO_SYMBOL && frame.state->flags.final && inserts_.empty()) {
        input.on_result(input.applyer);
        results++;
      }
      frame.phase = 1;
      if (!inserts_.empty() && frame.state->flags.final) {
        // The return to the caller comes first.
        const Open open = inserts_.back();
        if (!goes_round(frame.state, open.return_to, ID_NO_SYMBOL)) {
          inserts_.pop_back();
          closed_.push_back(open);
          push(open.return_to, open.caller, frame.position, ID_NO_SYMBOL, VectorFrame::RETURN,
               false);
          continue;
        }
      }
    }
    if (frame.phase == 1) arrive(frame, x);
    if (!try_choice(x)) pop();
  }
  frames_.clear();
  inserts_.clear();
  running_ = false;
  input_ = nullptr;
  return results;
}

// --- Bimachines -------------------------------------------------------------------------------

namespace {

// The arc of `state` in the half `net` that reads `x` (an ALTCHAIN arc leads on to the list of
// its destination), or null; *fallback receives a leading _DET_EPSILON_ arc when `fallback` is
// given.
const ARC *sequential_arc(const NET *net, const STATE *state, uint32_t x, int side,
                          const ARC **fallback, const std::vector<bool> &sigma) {
  const ARC *arc = state->arcs;
  if (fallback != nullptr) {
    *fallback = nullptr;
    if (arc != nullptr && (side == 0 ? upper_id(arc->label) : lower_id(arc->label)) == DET_EPSILON) {
      *fallback = arc;
      arc = arc->next;
    }
  }
  const bool outside = x >= sigma.size() || !sigma[x];
  uint32_t hops = 0;
  while (arc != nullptr) {
    if (arc->label == ALTCHAIN_SYMBOL) {
      if (hops++ > net->num_states) return nullptr;
      arc = arc->destination->arcs;
      continue;
    }
    const uint32_t i = side == 0 ? upper_id(arc->label) : lower_id(arc->label);
    if (i == x || (i == OTHER && outside)) return arc;
    arc = arc->next;
  }
  return nullptr;
}

// What the arc writes for the symbol x it read: its output side, or x for an OTHER one.
uint32_t written(const ARC *arc, uint32_t x, int side) {
  const uint32_t o = side == 0 ? lower_id(arc->label) : upper_id(arc->label);
  return o == OTHER ? x : o;
}

std::vector<bool> sigma_members(const NET *net) {
  std::vector<bool> members;
  if (net->sigma == nullptr) return members;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net->sigma);
  for (uint32_t s = next_alph_item(&iterator); s != ID_NO_SYMBOL; s = next_alph_item(&iterator)) {
    if (s >= members.size()) members.resize(s + 1, false);
    members[s] = true;
  }
  return members;
}

}  // namespace

int bimachine_search(NET *left, NET *right, int input_side, const SearchInput &input,
                     std::vector<uint32_t> *output) {
  output->clear();
  const bool fits = input_side == 0 ? left->flags2.upper_sequentialized
                                    : left->flags2.lower_sequentialized;
  if (!fits || !left->flags2.left_bimachine) {
    if (left->flags2.left_bimachine)
      warning(input_side == 0 ? "This is an upwards bimachine. It cannot be applied downwards."
                              : "This is a downwards bimachine. It cannot be applied upwards.");
    return 0;
  }
  if (left->start == nullptr || right->start == nullptr) return 0;
  // The left pass: one arc per input symbol, or the state's default arc, which reads nothing.
  const std::vector<bool> left_sigma = sigma_members(left);
  std::vector<uint32_t> middle;
  const STATE *state = left->start;
  bool failed = false;
  int position = 0;
  uint32_t defaults = 0;  // default moves in a row, at most one per state
  for (;;) {
    const uint32_t x = static_cast<uint32_t>(position) < *input.known
                           ? (*input.symbols)[position]
                           : (*input.complete ? ID_NO_SYMBOL
                                              : input.read_symbol_at(input.applyer, position, &failed));
    if (failed) return 0;
    if (x == ID_NO_SYMBOL) break;
    const ARC *fallback = nullptr;
    const ARC *arc = sequential_arc(left, state, x, input_side, &fallback, left_sigma);
    if (arc != nullptr) {
      middle.push_back(written(arc, x, input_side));
      state = arc->destination;
      position++;
      defaults = 0;
    } else if (fallback != nullptr && defaults++ <= left->num_states) {
      middle.push_back(written(fallback, x, input_side));
      state = fallback->destination;
    } else {
      return 0;
    }
  }
  if (!state->flags.final) return 0;
  // The right pass, from the last symbol written to the first.
  const std::vector<bool> right_sigma = sigma_members(right);
  state = right->start;
  for (size_t k = middle.size(); k-- > 0;) {
    const ARC *arc = sequential_arc(right, state, middle[k], input_side, nullptr, right_sigma);
    if (arc == nullptr) return 0;
    output->push_back(written(arc, middle[k], input_side));
    state = arc->destination;
  }
  if (!state->flags.final) return 0;
  std::reverse(output->begin(), output->end());
  return 1;
}

}  // namespace kora
