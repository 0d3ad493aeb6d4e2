// Networks built by hand: constructors, add_arc_to_state against a scan of the network, copying
// and freeing.

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "alph.h"
#include "epsilon.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "prune.h"
#include "struct.h"

namespace {

using kora_test::alph_members;
using kora_test::messages;
using kora_test::words;
using Strings = std::vector<std::string>;
using Ids = std::set<uint32_t>;

class NetTest : public kora_test::Library {};

TEST_F(NetTest, ElementaryNetworks) {
  NET *nothing = null_net(), *empty = epsilon_net(), *also_empty = label_net(kora::EPSILON);
  NET *a = symbol_net("a"), *ab = pair_net('a', 'b'), *aa = pair_net('a', 'a');
  NET *other_x = pair_net(kora::OTHER, 'x');
  EXPECT_TRUE(words(nothing, 2).empty());
  EXPECT_TRUE(nothing->flags.deterministic && nothing->flags.pruned && nothing->flags.minimized &&
              nothing->flags.epsilon_free && nothing->flags.loop_free);
  EXPECT_EQ(words(empty, 2), std::set<std::string>{""});
  EXPECT_EQ(words(also_empty, 2), std::set<std::string>{""});
  EXPECT_EQ(also_empty->num_arcs, 0u);
  EXPECT_EQ(words(a, 2), std::set<std::string>{"a"});
  EXPECT_EQ(alph_members(a->sigma), Ids{'a'});
  // A tuple label raises the arity and puts both sides in the sigma; a:a is the symbol a.
  EXPECT_EQ(ab->arity, 2);
  EXPECT_EQ(alph_members(ab->labels), Ids{kora::pair_id('a', 'b')});
  EXPECT_EQ(alph_members(ab->sigma), (Ids{'a', 'b'}));
  EXPECT_EQ(aa->arity, 1);
  EXPECT_EQ(alph_members(other_x->labels), (Ids{'x', kora::pair_id(kora::OTHER, 'x')}))
      << "OTHER:x also matches x";
  for (NET *net : {nothing, empty, also_empty, a, ab, aa, other_x}) free_network(net);
}

// A name that is not valid UTF-8 names one symbol (its bad byte read as the replacement code)
// for symbol_net, string_to_net and define_net alike.
TEST_F(NetTest, SymbolNetOfInvalidUtf8IsTheSymbolOtherReadersIntern) {
  NET *symbol = symbol_net("\xFF"), *string = string_to_net("\xFF", 0), *defined = null_net();
  ASSERT_EQ(symbol->num_arcs, 1u);
  ASSERT_EQ(string->num_arcs, 1u);
  const uint32_t label = symbol->start->arcs->label;
  EXPECT_EQ(string->start->arcs->label, label);
  ASSERT_EQ(define_net("\xFF", defined, 0), 0);
  EXPECT_EQ(defined->definition_label, label);
  std::string name;
  kora::append_label(name, label, 0);
  EXPECT_EQ(name, "\xEF\xB7\xBF");
  EXPECT_EQ(messages().warnings.size(), 3u) << "each reader reports the bad byte";
  free_network(symbol);
  free_network(string);
}

TEST_F(NetTest, AddArcRefusals) {
  NET *net = make_empty_net(), *other = make_empty_net();
  STATE *stranger = add_state_to_net(other, 0);
  int_parameters()->word[KORA_VERBOSE] = 0;
  EXPECT_EQ(add_arc_to_state(net, stranger, 'a', stranger, nullptr, 0), nullptr);
  STATE *s = add_state_to_net(net, 0), *f = add_state_to_net(net, 1);
  net->start = s;
  EXPECT_EQ(add_arc_to_state(nullptr, s, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 0xFFFFFF, f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, stranger, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 'a', stranger, nullptr, 0), nullptr);
  EXPECT_EQ(add_state_to_net(nullptr, 1), nullptr);
  EXPECT_EQ(messages().errors,
            (Strings{"The start and dest arguments are not in the network.",
                     "Unexpected NULL argument in add_arc_to_state().",
                     "16777215 is not a valid arc label.", "The start state is not in the network.",
                     "The dest state is not in the network.",
                     "Unexpected NULL argument in add_state_to_net."}));

  free_network(net);
  free_network(other);
}

// The members of a network's label list in its order; a binary alphabet in increasing order.
std::vector<uint32_t> listed(const ALPH *labels) {
  if (labels == nullptr) return {};
  if (labels->type == KORA_LABEL_ALPH) return {labels->items, labels->items + labels->len};
  const Ids members = alph_members(labels);
  return {members.begin(), members.end()};
}

// Calls add_arc_to_state and checks it against what scanning the network decides: the
// refusals (states not on the network, an EPSILON loop, a duplicate arc), the arc at the head of
// the state's list, the determinism of state and network, the arc count and the label list.
void add_checked(NET *net, STATE *state, uint32_t label, STATE *dest, void *user_pointer,
                 int with_user_pointer) {
  bool has_state = false, has_dest = false;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    has_state = has_state || s == state;
    has_dest = has_dest || s == dest;
  }
  bool duplicate = false, elsewhere = false;
  for (const ARC *a = has_state ? state->arcs : nullptr; a != nullptr; a = a->next) {
    if (a->label != label) continue;
    if (a->destination != dest)
      elsewhere = true;
    else if (!with_user_pointer || (a->flags.big && kora::arc_user_pointer(a) == user_pointer))
      duplicate = true;
  }
  std::vector<uint32_t> labels = listed(net->labels);
  const bool state_deterministic = has_state && state->flags.deterministic;
  const bool net_deterministic = net->flags.deterministic;
  const uint32_t arcs = net->num_arcs;
  const bool refused = !has_state || !has_dest || (label == kora::EPSILON && state == dest) ||
                       duplicate;
  ARC *arc = add_arc_to_state(net, state, label, dest, user_pointer, with_user_pointer);
  EXPECT_EQ(arc == nullptr, refused);
  EXPECT_EQ(net->num_arcs, arcs + (refused ? 0 : 1));
  if (refused) return;
  EXPECT_EQ(state->arcs, arc);
  const bool deterministic = label != kora::EPSILON && !elsewhere;
  EXPECT_EQ(state->flags.deterministic, state_deterministic && deterministic);
  EXPECT_EQ(net->flags.deterministic, net_deterministic && deterministic);
  if (label != kora::EPSILON && std::find(labels.begin(), labels.end(), label) == labels.end()) {
    labels.push_back(label);
    if (net->labels->type == KORA_BINARY_ALPH) std::sort(labels.begin(), labels.end());
  }
  EXPECT_EQ(listed(net->labels), labels);
}

// Random hand building, with duplicates, several destinations per label, user pointers and
// strangers' states, interrupted by operations that change the network by other means: every
// call must decide as scanning the network would.
TEST_F(NetTest, AddArcDecidesAsScanningTheNetworkWould) {
  const uint32_t ab = kora::pair_id('a', 'b'), ba = kora::pair_id('b', 'a');
  const uint32_t labels[] = {kora::EPSILON, 'a', 'b', 'c', ab, ba};
  const uint32_t extra[] = {'w', 'x', 'y', 'z'};  // put in the label list by hand
  int pointers[2];
  int_parameters()->word[KORA_VERBOSE] = 0;
  kora_test::for_seeds(12, [&](unsigned, std::mt19937 &random) {
    auto pick = [&](size_t count) { return static_cast<size_t>(random() % count); };
    NET *net = make_empty_net(), *other = make_empty_net();
    STATE *const strangers[] = {add_state_to_net(other, 0), add_state_to_net(other, 1)};
    std::vector<STATE *> states;
    for (int i = 0; i < 10; i++) states.push_back(add_state_to_net(net, i % 3 == 0));
    net->start = states.back();
    uint32_t next_label = kora::ID_NO_SYMBOL;
    for (int step = 0; step < 400; step++) {
      SCOPED_TRACE("step " + std::to_string(step));
      if (step % 20 == 19) {
        switch (pick(8)) {
          case 0: invert_net(net, 0); break;
          case 1: kora::prune_fsm(net, 0); break;
          case 2: kora::remove_epsilons(net, 0); break;
          case 3: kora::free_state_arcs(states[pick(states.size())], net); break;
          case 4:
            // Replaces the first arc of a state by a new one with another label.
            for (STATE *s : states) {
              ARC *old = s->arcs;
              if (old == nullptr) continue;
              ARC *fresh = kora::alloc_arc(labels[1 + pick(5)], old->destination, net);
              fresh->next = old->next;
              s->arcs = fresh;
              kora::free_arc(old);
              net->num_arcs--;
              break;
            }
            break;
          case 5:
          case 6: {
            // Edits the label list in place, keeping its length: the first label out and a
            // missing one in (the last label changes), or also the last one out and in again
            // (it does not); the next arc carries the label the index may misjudge.
            ALPH *list = net->labels;
            const uint32_t *missing = std::find_if(
                std::begin(extra), std::end(extra),
                [&](uint32_t label) { return !test_alph_member(list, label); });
            if (list->type != KORA_LABEL_ALPH || list->len < 2 || missing == std::end(extra))
              break;
            const uint32_t first = list->items[0], last = list->items[list->len - 1];
            alph_remove_from(list, first, 0);
            if (pick(2) == 0) {
              alph_add_to(list, *missing, 0);
              next_label = *missing;
            } else {
              alph_remove_from(list, last, 0);
              alph_add_to(list, *missing, 0);
              alph_add_to(list, last, 0);
              next_label = first;
            }
            break;
          }
          default:
            // Relabels the first arc of every state in place, then brings the label list up to
            // date.
            for (STATE *s : states)
              if (s->arcs != nullptr) s->arcs->label = labels[1 + pick(5)];
            update_net_labels_and_sigma(net);
        }
        states.clear();
        for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
        continue;
      }
      if (step % 17 == 0) states.push_back(add_state_to_net(net, 0));
      const bool stranger = pick(40) == 0;
      STATE *from = stranger ? strangers[pick(2)] : states[pick(states.size())];
      STATE *to = pick(40) == 0 ? strangers[pick(2)] : states[pick(states.size())];
      const int with_user_pointer = pick(4) == 0;
      const uint32_t label = next_label != kora::ID_NO_SYMBOL ? next_label : labels[pick(6)];
      next_label = kora::ID_NO_SYMBOL;
      ASSERT_NO_FATAL_FAILURE(add_checked(net, from, label, to, &pointers[pick(2)],
                                          with_user_pointer));
    }
    free_network(net);
    free_network(other);
  });
  for (const std::string &error : messages().errors)
    EXPECT_NE(error.find("not in the network"), error.npos) << error;
}

// One state with 200000 arcs of distinct labels, then 100000 more with one label to distinct
// states: scanning the state's arcs or the label list for each arc would take tens of billions
// of steps.
TEST_F(NetTest, OneStateWithManyArcsAndLabelsIsBuiltInLinearTime) {
  int_parameters()->word[KORA_VERBOSE] = 0;
  NET *net = null_net();
  STATE *hub = net->start;
  std::vector<STATE *> leaves;
  for (int i = 0; i < 200000; i++) {
    std::string name = "L";
    name += std::to_string(i);
    const uint32_t label = kora::symbol_id(name.c_str());
    leaves.push_back(add_state_to_net(net, 1));
    ASSERT_NE(add_arc_to_state(net, hub, label, leaves.back(), nullptr, 0), nullptr);
  }
  EXPECT_TRUE(hub->flags.deterministic);
  for (int i = 0; i < 100000; i++)
    ASSERT_NE(add_arc_to_state(net, hub, 'a', leaves[i], nullptr, 0), nullptr);
  for (int i = 0; i < 100000; i += 7)
    ASSERT_EQ(add_arc_to_state(net, hub, 'a', leaves[i], nullptr, 0), nullptr);
  EXPECT_FALSE(hub->flags.deterministic);
  EXPECT_EQ(net->num_arcs, 300000u);
  EXPECT_EQ(net->labels->len, 200001);
  free_network(net);
}

// The copy's state list is in another order, so arcs are compared through a renaming; the
// copy must outlive the original.
TEST_F(NetTest, CopyIsDeepAndEqual) {
  int marker = 7;
  std::vector<STATE *> st;
  NET *net = kora_test::build_net(3, {1}, {{0, 'a', 1}, {2, 'd', 1}, {1, 'e', 0}}, &st);
  add_arc_to_state(net, st[0], kora::pair_id('b', 'c'), st[2], &marker, 1);
  auto shape = [](const NET *n) {
    std::multiset<std::tuple<uint32_t, bool, bool, bool, void *>> arcs;
    for (const STATE *q = n->states; q != nullptr; q = q->next)
      for (const ARC *a = q->arcs; a != nullptr; a = a->next)
        arcs.insert({a->label, q == n->start, a->destination->flags.final == 1,
                     a->destination == n->start, kora::arc_user_pointer(a)});
    return arcs;
  };
  auto start_labels = [](const NET *n) {
    std::vector<uint32_t> labels;
    for (const ARC *a = n->start->arcs; a != nullptr; a = a->next) labels.push_back(a->label);
    return labels;
  };
  NET *copy = copy_net(net);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->arity, 2);
  EXPECT_EQ(alph_members(copy->sigma), alph_members(net->sigma));
  EXPECT_EQ(alph_members(copy->labels), alph_members(net->labels));
  EXPECT_NE(copy->labels, net->labels);
  EXPECT_EQ(start_labels(copy), start_labels(net)) << "arcs keep their order";
  const auto original = shape(net);
  free_network(net);
  EXPECT_EQ(shape(copy), original);
  EXPECT_EQ(copy_net(nullptr), nullptr);
  free_network(copy);
}

// The second free of a record puts nothing back on the heaps: the counts stay, nothing is
// reported, and the next two networks are two records.
TEST_F(NetTest, SecondFreeDoesNothing) {
  kora::HEAP *const heaps[] = {kora::NET_HEAP, kora::STATE_HEAP, kora::ARC_HEAP, kora::ALPH_HEAP};
  auto in_use = [&] {
    std::vector<int> cells;
    for (kora::HEAP *heap : heaps) cells.push_back(heap->cells_in_use);
    return cells;
  };
  const std::vector<int> before = in_use();
  NET *net = symbol_net("abc");
  free_network(net);
  EXPECT_EQ(in_use(), before);
  free_network(net);
  free_network(nullptr);
  EXPECT_EQ(in_use(), before);
  NET *first = symbol_net("x"), *second = symbol_net("y");
  EXPECT_NE(first, second);
  EXPECT_NE(first->start, second->start);
  EXPECT_TRUE(messages().errors.empty() && messages().warnings.empty());
  for (NET *n : {first, second}) free_network(n);
}

// With another network alive, or a state that no network holds, freeing a network frees its own
// cells only: the others stay whole.
TEST_F(NetTest, FreeingOneNetworkLeavesEveryOtherCell) {
  NET *kept = kora_test::chain_net(30);
  const std::set<std::string> language = words(kept, 40);
  free_network(kora_test::chain_net(20000, true));
  EXPECT_EQ(words(kept, 40), language);
  EXPECT_EQ(kora::STATE_HEAP->cells_in_use, static_cast<int>(kept->num_states));
  EXPECT_EQ(kora::ARC_HEAP->cells_in_use, static_cast<int>(kept->num_arcs));

  STATE *loose = kora::alloc_state();
  loose->flags.final = 1;
  free_network(kept);
  EXPECT_EQ(kora::STATE_HEAP->cells_in_use, 1) << "the loose state is not the network's";
  EXPECT_TRUE(loose->flags.live && loose->flags.final);
  kora::free_state(loose, nullptr);
  EXPECT_EQ(kora::STATE_HEAP->cells_in_use, 0);
}

}  // namespace
