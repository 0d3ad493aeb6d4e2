#include "networks.h"

#include <pthread.h>

#include <algorithm>
#include <set>
#include <string>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "struct.h"

namespace kora_test {

const void *const kPointers[2] = {&kPointers[0], &kPointers[1]};

void quiet_arc(NET *net, STATE *from, uint32_t label, STATE *to, const void *pointer) {
  int32_t verbose = int_parameters()->word[KORA_VERBOSE];
  int_parameters()->word[KORA_VERBOSE] = 0;
  add_arc_to_state(net, from, label, to, const_cast<void *>(pointer), pointer != nullptr);
  int_parameters()->word[KORA_VERBOSE] = verbose;
}

NET *build_net(int count, const std::set<int> &finals, const std::vector<Arc> &arcs,
               std::vector<STATE *> *states) {
  NET *net = null_net();
  std::vector<STATE *> s = {net->start};
  net->start->flags.final = finals.count(0) != 0;
  for (int i = 1; i < count; i++) s.push_back(add_state_to_net(net, finals.count(i) != 0));
  for (const Arc &arc : arcs) quiet_arc(net, s[arc.from], arc.label, s[arc.to], arc.pointer);
  if (states != nullptr) *states = s;
  return net;
}

NET *random_net(std::mt19937 &random, const RandomNetOptions &options) {
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  const Symbols &symbols = options.symbols;
  auto symbol = [&]() -> uint32_t {
    return options.other && pick(symbols.size() + 1) == 0 ? kora::OTHER : symbols[pick(symbols.size())];
  };
  auto label = [&]() -> uint32_t {
    if (options.epsilon && pick(6) == 0) return kora::EPSILON;
    if (!options.transducer || pick(2) == 0) return symbol();
    uint32_t upper = symbol(), lower = symbol();
    if (options.epsilon && pick(4) == 0) (pick(2) ? upper : lower) = kora::EPSILON;
    return kora::pair_id(upper, lower);  // x:x is the symbol x
  };

  NET *net = null_net();
  std::vector<STATE *> states{net->start};
  const size_t count = 1 + pick(options.max_states);
  for (size_t i = 1; i < count; i++) states.push_back(add_state_to_net(net, 0));
  for (STATE *s : states) s->flags.final = pick(3) == 0;
  for (size_t i = pick(options.max_arcs + 1); i > 0; i--) {
    if (options.acyclic && count == 1) break;
    size_t from = pick(count), to = pick(count);
    if (options.acyclic) {
      from = pick(count - 1);
      to = from + 1 + pick(count - 1 - from);
    }
    const void *pointer = options.pointers && pick(3) == 0 ? kPointers[pick(2)] : nullptr;
    const uint32_t l = label();
    quiet_arc(net, states[from], l, states[to], pointer);
    if (options.pointers && pick(4) == 0)  // the same arc but for the user pointer
      quiet_arc(net, states[from], l, states[to], pointer == kPointers[0] ? kPointers[1] : kPointers[0]);
  }
  return net;
}

Symbols many_symbols(size_t count) {
  Symbols ids;
  for (size_t i = 0; i < count; i++) {
    std::string name = std::string("q").append(std::to_string(i));
    name.resize(std::max(name.size(), 2 + i % 12), '_');
    ids.push_back(kora::symbol_id(name.c_str()));
  }
  return ids;
}

namespace {

// Labels and sigma from the arcs, and no claim of structure (a state of several arcs is not
// marked deterministic), so that every operation does its work on the network.
NET *finished(NET *net) {
  update_net_labels_and_sigma(net);
  for (STATE *s = net->states; s != nullptr; s = s->next)
    s->flags.deterministic = s->arcs == nullptr || s->arcs->next == nullptr;
  net->flags.deterministic = net->flags.minimized = net->flags.pruned = 0;
  net->flags.loop_free = net->flags.sorted_states = 0;
  return net;
}

}  // namespace

NET *chain_net(int length, bool cycle) {
  NET *net = null_net();
  STATE *state = net->start;
  state->flags.final = cycle;
  for (int i = 0; i < length; i++) {
    STATE *next = cycle && i == length - 1 ? net->start : kora::make_state(nullptr, net);
    next->flags.final = cycle ? i % 2 == 1 : i == length - 1;
    kora::push_arc(kora::alloc_arc(i % 2 ? 'b' : 'a', next, net), state);
    state = next;
  }
  return finished(net);
}

int define_list(const char *name, const Symbols &ids) {
  ALPH *list = kora::labels_to_alph(ids.data(), static_cast<int>(ids.size()), KORA_BINARY_ALPH);
  const int status = define_symbol_list(name, list);
  kora::free_alph(list);
  return status;
}

NET *fan_net(int width, const Symbols &labels) {
  NET *net = null_net();
  for (int i = 0; i < width; i++) {
    STATE *leaf = kora::make_state(nullptr, net);
    leaf->flags.final = 1;
    kora::push_arc(kora::alloc_arc(labels[i % labels.size()], leaf, net), net->start);
  }
  return finished(net);
}

void with_small_stack(const std::function<void()> &work) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  auto run = [](void *argument) -> void * {
    (*static_cast<const std::function<void()> *>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()> *>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

namespace {

uint32_t twin_symbol(uint32_t symbol) {
  if (symbol == kora::EPSILON) return kora::EPSILON;
  if (symbol == kora::OTHER) return 'g';
  if (symbol >= 'a' && symbol <= 'c') return symbol + 3;
  return kora::symbol_id("@U.f.y@");
}

}  // namespace

uint32_t twin_label(uint32_t label) {
  if (kora::label_arity(label) == 1) return twin_symbol(label);
  uint32_t pair = 0;
  kora::intern_pair(&pair, twin_symbol(kora::upper_id(label)), twin_symbol(kora::lower_id(label)));
  return pair;
}

NET *twinned_net(std::mt19937 &random) {
  RandomNetOptions options;
  options.transducer = random() % 2 == 0;
  options.other = random() % 2 == 0;
  options.max_arcs = 12;
  options.symbols = {'a', 'b', 'c', kora::symbol_id("@U.f.x@")};
  NET *net = random_net(random, options);
  std::vector<std::pair<ARC *, STATE *>> arcs;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) arcs.emplace_back(arc, state);
  std::set<uint32_t> twinned;
  for (const auto &[arc, state] : arcs)
    if (arc->label != kora::EPSILON && (twinned.count(arc->label) || random() % 2 == 0))
      twinned.insert(arc->label);
  for (const auto &[arc, state] : arcs)
    if (twinned.count(arc->label) && twin_label(arc->label) != arc->label)
      quiet_arc(net, state, twin_label(arc->label), arc->destination);
  return net;
}

}  // namespace kora_test
