// Virtual networks against the calculus: for every operation, the expansion of the virtual
// network accepts the pairs of the eagerly computed one on seeded random operands; states are
// interned (equal operand data, one state) and expanded once; saving and loading keeps the
// operation and its operands; the refusals and the fatal report of an id without operation; and
// every exported function given a virtual or a vectorized network.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../operations/operator_oracle.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "struct.h"
#include "print.h"
#include "virtual-net.h"

namespace {

using namespace operator_oracle;
using kora::VIRTUAL_NET;
using kora_test::describe;
using kora_test::messages;

class VirtualTest : public kora_test::Library {};

// The language of a virtual network, expanded whole first.
Relation expanded_language(NET *net, const Symbols &universe, size_t length = kLength) {
  kora::expand_virtual_net(net);
  return language(net, universe, length);
}

struct Case {
  int id;
  bool transducers;  // else automata
  bool minimized;    // the operands minimized first (epsilon-free, deterministic)
  NET *(*eager)(NET *a, NET *b);
};

NET *minimized(NET *net) { return kora::min_fsm(net, 0); }

const Case kCases[] = {
    {KORA_VIRTUAL_CONCAT, false, false, [](NET *a, NET *b) { return concat_net(a, b, 1, 1); }},
    {KORA_VIRTUAL_CONCAT, true, true, [](NET *a, NET *b) { return concat_net(a, b, 1, 1); }},
    {KORA_VIRTUAL_INTERSECT, false, true,
     [](NET *a, NET *b) { return intersect_net(a, b, 1, 1); }},
    {KORA_VIRTUAL_OPTION, false, false, [](NET *a, NET *) { return optional_net(a, 1); }},
    {KORA_VIRTUAL_MINUS, false, false, [](NET *a, NET *b) { return minus_net(a, b, 1, 1); }},
    {KORA_VIRTUAL_NEGATE, false, false, [](NET *a, NET *) { return negate_net(a, 1); }},
    {KORA_VIRTUAL_UNION, false, false, [](NET *a, NET *b) { return union_net(a, b, 1, 1); }},
    {KORA_VIRTUAL_UNION, true, false, [](NET *a, NET *b) { return union_net(a, b, 1, 1); }},
    {KORA_VIRTUAL_ZERO_PLUS, false, false, [](NET *a, NET *) { return zero_plus_net(a, 1); }},
    {KORA_VIRTUAL_ZERO_PLUS, false, true, [](NET *a, NET *) { return zero_plus_net(a, 1); }},
    {KORA_VIRTUAL_DETERMINIZE, true, false, [](NET *a, NET *) { return copy_net(a); }},
    {KORA_VIRTUAL_COPY, true, false, [](NET *a, NET *) { return copy_net(a); }},
    {KORA_VIRTUAL_LOWER, true, false, [](NET *a, NET *) { return lower_side_net(a, 1); }},
    {KORA_VIRTUAL_UPPER, true, false, [](NET *a, NET *) { return upper_side_net(a, 1); }},
    {KORA_VIRTUAL_COMPOSE, true, false, [](NET *a, NET *b) { return compose_net(a, b, 1, 1); }},
};

NET *random_case_operand(std::mt19937 &random, const Case &c) {
  NET *net = c.transducers ? random_operand(random, {.max_states = 4, .max_arcs = 7,
                                                     .transducer = true, .epsilon = true,
                                                     .other = random() % 2 == 0})
                           : random_automaton(random);
  return c.minimized ? minimized(net) : net;
}

TEST_F(VirtualTest, EveryOperationAcceptsThePairsOfTheCalculus) {
  for (const Case &c : kCases) {
    SCOPED_TRACE(kora::get_virtual_methods(c.id).name + std::string(c.transducers ? " of transducers" : ""));
    for_seeds(60, [&](unsigned, std::mt19937 &random) {
      NET *a = random_case_operand(random, c);
      NET *b = kora::virtual_operand_count(c.id) == 2 ? random_case_operand(random, c) : nullptr;
      NET *eager = c.eager(a, b);
      NET *lazy = virtual_net(c.id, a, b, 1, 1);
      ASSERT_NE(lazy, nullptr);
      const Symbols universe = kora_test::universe_of({a, b == nullptr ? a : b, eager});
      const Relation want = language(eager, universe);
      EXPECT_EQ(expanded_language(lazy, universe), want) << "want " << describe(want);
      free_network(lazy);
      free_network(eager);
      free_network(a);
      free_network(b);
    });
  }
}

// tags and non_tags: OTHER and the multicharacter (or the other) symbols of the sigma, alone.
TEST_F(VirtualTest, TagsAreTheOneSymbolStringsOfTheirKind) {
  uint32_t tag = 0;
  kora::intern_symbol(&tag, "+Noun");
  NET *a = string_to_net("ab", 0);
  a->sigma = alph_add_to(a->sigma, tag, 0);
  a->sigma = alph_add_to(a->sigma, kora::symbol_id("@x"), 0);
  const Symbols universe = kora_test::universe_of({a});
  for (int id : {KORA_VIRTUAL_TAGS, KORA_VIRTUAL_NON_TAGS}) {
    NET *lazy = virtual_net(id, a, nullptr, 1, 0);
    Relation want;
    for (uint32_t symbol : universe) {
      const bool known = test_alph_member(a->sigma, symbol) != 0;
      const bool multichar = kora::is_multichar_symbol(symbol) != 0;
      if (!known || multichar == (id == KORA_VIRTUAL_TAGS)) want.insert({{symbol}, {symbol}});
    }
    EXPECT_EQ(expanded_language(lazy, universe), want) << id;
    free_network(lazy);
  }
  free_network(a);
}

// Every state of the expansion stands for different operand data, and walking a state again
// expands nothing; interning the same pair, or the same set in another order, gives one state.
TEST_F(VirtualTest, StatesAreInternedAndExpandedOnce) {
  for_seeds(40, [&](unsigned, std::mt19937 &random) {
    NET *a = random_operand(random, {.max_states = 5, .max_arcs = 9, .transducer = true});
    NET *b = random_operand(random, {.max_states = 5, .max_arcs = 9, .transducer = true});
    NET *lazy = virtual_net(KORA_VIRTUAL_COMPOSE, a, b, 0, 0);
    VIRTUAL_NET &v = *kora::virtual_of(lazy);
    kora::expand_virtual_net(lazy);
    std::set<std::tuple<STATE *, STATE *, int>> data;
    for (const kora::VIRTUAL_STATE &s : v.states) {
      EXPECT_TRUE(s.expanded);
      EXPECT_TRUE(data.insert({s.first, s.second, s.mark}).second);
    }
    const uint64_t expanded = v.expanded, arcs = lazy->num_arcs;
    EXPECT_EQ(expanded, v.states.size());
    EXPECT_EQ(kora::expand_virtual_net(lazy), 0u);
    for (const kora::VIRTUAL_STATE &s : v.states) kora::state_arcs(lazy, s.state);
    EXPECT_EQ(v.expanded, expanded);
    EXPECT_EQ(lazy->num_arcs, arcs);
    const kora::VIRTUAL_STATE start = v.states[v.start];
    EXPECT_EQ(kora::intern_virtual_state(v, start.first, start.second, 0), v.start);
    free_network(lazy);
  });

  NET *a = union_net(string_to_net("ab", 0), string_to_net("ac", 0), 0, 0);
  a = union_net(a, string_to_net("ad", 0), 0, 0);
  NET *lazy = virtual_net(KORA_VIRTUAL_DETERMINIZE, a, nullptr, 0, 0);
  VIRTUAL_NET &v = *kora::virtual_of(lazy);
  std::vector<STATE *> states;
  for (STATE *s = a->states; s != nullptr; s = s->next) states.push_back(s);
  std::vector<STATE *> reversed(states.rbegin(), states.rend());
  const uint32_t one = kora::intern_virtual_state(v, nullptr, nullptr, 0, &states);
  EXPECT_EQ(kora::intern_virtual_state(v, nullptr, nullptr, 0, &reversed), one);
  free_network(lazy);
}

// A file holds the operation and its operands, nested for a cascade; the loaded network is
// virtual again, unexpanded, with the language of the saved one.
TEST_F(VirtualTest, SavedAndLoadedKeepsTheOperationAndOperands) {
  for_seeds(30, [&](unsigned seed, std::mt19937 &random) {
    NET *nets[3];
    for (NET *&net : nets)
      net = random_operand(random, {.max_states = 4, .max_arcs = 7, .transducer = true});
    NV vector{3, nets};
    NET *lazy = lazy_compose_net(&vector, 1);
    ASSERT_NE(lazy, nullptr);
    if (seed % 2) kora::state_arcs(lazy, lazy->start);  // partly expanded
    size_t length = 0;
    unsigned char *bytes = save_net_to_memory(lazy, &length, nullptr);
    ASSERT_NE(bytes, nullptr);
    NET *loaded = load_net_from_memory(bytes, length, nullptr);
    std::free(bytes);
    ASSERT_NE(loaded, nullptr);
    ASSERT_TRUE(loaded->flags2.is_virtual);
    EXPECT_EQ(kora::virtual_of(loaded)->expanded, 0u);
    const Symbols universe = kora_test::universe_of({nets[0], nets[1], nets[2]});
    EXPECT_EQ(expanded_language(loaded, universe), expanded_language(lazy, universe));
    NET *copy = copy_net(loaded);
    ASSERT_TRUE(copy->flags2.is_virtual);
    EXPECT_EQ(expanded_language(copy, universe), expanded_language(lazy, universe));
    for (NET *net : {lazy, loaded, copy}) free_network(net);
    for (NET *net : nets) free_network(net);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// The bytes of a record with operation `id` and `count` operands, made by editing a saved one.
std::vector<unsigned char> edited_record(int id, int count) {
  NET *lazy = virtual_net(KORA_VIRTUAL_COPY, string_to_net("a", 0), nullptr, 0, 0);
  size_t length = 0;
  unsigned char *bytes = save_net_to_memory(lazy, &length, nullptr);
  std::vector<unsigned char> file(bytes, bytes + length);
  std::free(bytes);
  free_network(lazy);
  // The body starts with the operation (10) and the count (1), one byte each, before the
  // operand's record, whose first number is its state count (2).
  for (size_t k = 0; k + 2 < file.size(); ++k)
    if (file[k] == 10 && file[k + 1] == 1 && file[k + 2] == 2) {
      file[k] = static_cast<unsigned char>(id);
      file[k + 1] = static_cast<unsigned char>(count);
      break;
    }
  return file;
}

TEST_F(VirtualTest, FilesWithoutOperationOrWithOtherOperandCountsAreRefused) {
  std::vector<unsigned char> file = edited_record(6, 1);
  EXPECT_EQ(load_net_from_memory(file.data(), file.size(), nullptr), nullptr);
  ASSERT_FALSE(messages().errors.empty());
  EXPECT_EQ(messages().errors.front(), "Unimplemented virtual operation, ID is: 6");
  messages().clear();
  file = edited_record(10, 2);
  EXPECT_EQ(load_net_from_memory(file.data(), file.size(), nullptr), nullptr);
  ASSERT_FALSE(messages().errors.empty());
  EXPECT_NE(messages().errors.front().find("takes 1 operand network, not 2"), std::string::npos);
}

TEST_F(VirtualTest, RefusalsFreeWhatWasHandedOver) {
  EXPECT_EQ(virtual_net(6, string_to_net("a", 0), nullptr, 0, 0), nullptr);
  EXPECT_EQ(messages().errors.back(), "Unimplemented virtual operation, ID is: 6");
  EXPECT_EQ(virtual_net(KORA_VIRTUAL_COMPOSE, string_to_net("a", 0), nullptr, 0, 0), nullptr);
  EXPECT_EQ(messages().errors.back(), "The virtual operation 'compose' takes 2 networks.");
  NET *pair = pair_net('a', 'b');
  EXPECT_EQ(virtual_net(KORA_VIRTUAL_NEGATE, pair, nullptr, 1, 0), nullptr);
  EXPECT_EQ(messages().errors.back(), "Negation is not defined for transducers.");
  free_network(pair);
  NET *lazy = virtual_net(KORA_VIRTUAL_COPY, string_to_net("a", 0), nullptr, 0, 0);
  minimize_net(lazy);
  EXPECT_EQ(messages().errors.back(), "Cannot do this operation on a virtual network.");
  free_network(lazy);
  NV empty{0, nullptr};
  EXPECT_EQ(lazy_compose_net(&empty, 0), nullptr);
}

TEST_F(VirtualTest, PrintingListsTheExpandedStates) {
  NET *lazy = virtual_net(KORA_VIRTUAL_COPY, string_to_net("ab", 0), nullptr, 0, 0);
  kora::state_arcs(lazy, lazy->start);
  get_default_kora_context()->eol_string = "\n";
  const std::string printed = kora_test::stdout_of([lazy] {
    print_net(lazy, stdout);
    kora::print_net_size(lazy, stdout, "\n");
  });
  EXPECT_NE(printed.find("Virtual copy: 1 of 2 states expanded.\ns0: a -> s1.\n"),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("1 arc, Virtual."), std::string::npos) << printed;
  free_network(lazy);
}

TEST_F(VirtualTest, AnIdWithoutOperationIsFatal) {
  EXPECT_DEATH(kora::get_virtual_methods(19), "Unimplemented virtual operation, ID is: 19");
  EXPECT_DEATH(
      {
        NET *net = kora::make_network();
        kora::make_virtual_net(net, string_to_net("a", 0), nullptr, 11);
      },
      "Unimplemented virtual operation, ID is: 11");
}


// Every exported function that takes a network, given a virtual network or a vectorized one: it
// either refuses with an error (saying the network is virtual or vectorized, or what the plain
// form is also refused for), or answers as it does for the plain form; either way the network
// still looks up as before, and a vectorized one keeps its vectors. Grouped by signature; each
// call gives its answer as text.
std::string lookups_of(NET *net) {
  std::string text = net == nullptr ? "null" : "";
  for (const char *input : {"cat", "ab", "bb", "dog", "x"})
    for (int side : {0, 1})
      if (net != nullptr)
        for (const std::string &result : kora_test::sorted_results(net, side, input))
          text.append(input).append(side == 0 ? " v " : " ^ ").append(result).append("\n");
  return text;
}
// The lookups of `result`, freed unless it is `given`; or a status and the lookups of `given`.
std::string made(NET *result, NET *given) {
  std::string text = lookups_of(result);
  if (result != given) free_network(result);
  return text;
}
std::string after(long long status, NET *given) {
  return std::to_string(status) + lookups_of(given);
}
NET *other() { return read_regex("a:c | c a t"); }

using Call = std::pair<std::string, std::function<std::string(NET *)>>;
std::vector<Call> exported_calls() {
  std::vector<Call> calls;
  using Unary = NET *(*)(NET *, int);
  for (auto f : std::vector<std::pair<const char *, Unary>>{
           {"negate", negate_net}, {"one_plus", one_plus_net}, {"zero_plus", zero_plus_net},
           {"optional", optional_net}, {"reverse", reverse_net}, {"invert", invert_net},
           {"upper_side", upper_side_net}, {"lower_side", lower_side_net},
           {"substring", substring_net}, {"contains", contains_net},
           {"other_than", other_than_net}})
    calls.push_back({f.first, [g = f.second](NET *n) { return made(g(n, 1), n); }});
  using Binary = NET *(*)(NET *, NET *, int, int);
  for (auto f : std::vector<std::pair<const char *, Binary>>{
           {"intersect", intersect_net}, {"minus", minus_net}, {"compose", compose_net},
           {"crossproduct", crossproduct_net}, {"lenient_compose", lenient_compose_net},
           {"concat", concat_net}, {"union", union_net}, {"ignore", ignore_net}}) {
    calls.push_back({f.first, [g = f.second](NET *n) { return made(g(n, other(), 1, 0), n); }});
    calls.push_back({std::string(f.first) + " (second)",
                     [g = f.second](NET *n) { return made(g(other(), n, 0, 1), n); }});
  }
  using Status = int (*)(NET *);
  for (auto f : std::vector<std::pair<const char *, Status>>{
           {"test_upper_bounded", test_upper_bounded}, {"test_lower_bounded", test_lower_bounded},
           {"minimize_net", minimize_net}, {"unvectorize_net", unvectorize_net},
           {"share_arcs", share_arcs}, {"test_non_null", test_non_null},
           {"test_upper_universal", test_upper_universal},
           {"test_lower_universal", test_lower_universal}})
    calls.push_back({f.first, [g = f.second](NET *n) { return after(g(n), n); }});
  using InPlace = NET *(*)(NET *);
  for (auto f : std::vector<std::pair<const char *, InPlace>>{
           {"copy_net", copy_net}, {"reduce_labelset", reduce_labelset},
           {"unreduce_labelset", unreduce_labelset}, {"close_net_alphabet", close_net_alphabet}})
    calls.push_back({f.first, [g = f.second](NET *n) { return made(g(n), n); }});
  // unshare_arcs frees what it copies; a refusal hands it back.
  calls.push_back(
      {"unshare_arcs", [](NET *n) { return made(unshare_arcs(copy_net(n)), nullptr); }});
  using Test = int (*)(NET *, NET *);
  for (auto f : std::vector<std::pair<const char *, Test>>{
           {"test_intersect", test_intersect}, {"test_sublanguage", test_sublanguage},
           {"test_equivalent", test_equivalent}})
    calls.push_back({f.first, [g = f.second](NET *n) {
                       NET *o = other();
                       const std::string answer = after(g(n, o), n);
                       return answer + made(o, n);
                     }});
  using Write = int (*)(NET *, const char *);
  for (auto f : std::vector<std::pair<const char *, Write>>{
           {"write_text", write_text}, {"write_spaced_text", write_spaced_text},
           {"write_prolog", write_prolog}, {"write_net_properties", write_net_properties}})
    calls.push_back({f.first, [g = f.second](NET *n) { return after(g(n, "virtual.out"), n); }});
  using Change = void (*)(NET *);
  for (auto f : std::vector<std::pair<const char *, Change>>{
           {"optimize_arcs", optimize_arcs}, {"unoptimize_arcs", unoptimize_arcs},
           {"update_net_labels_and_sigma", update_net_labels_and_sigma}})
    calls.push_back({f.first, [g = f.second](NET *n) { return g(n), after(0, n); }});
  calls.push_back({"network_to_dot", [](NET *n) {
                     char *dot = network_to_dot(n, 0);
                     std::free(dot);
                     return after(dot != nullptr, n);
                   }});
  calls.push_back({"print_net", [](NET *n) { return after(kora_test::listing(n).empty(), n); }});
  calls.push_back({"save_net_to_memory", [](NET *n) {
                     size_t length = 0;
                     unsigned char *bytes = save_net_to_memory(n, &length, nullptr);
                     NET *back = load_net_from_memory(bytes, length, nullptr);
                     std::free(bytes);
                     return made(back, n);
                   }});
  calls.push_back({"define_net", [](NET *n) {
                     define_net("V", n, 1);
                     return made(get_net("V", 1), n) + std::to_string(undefine_net("V"));
                   }});
  const std::vector<Call> others = {
      {"substitute_symbol",
       [](NET *n) { return made(substitute_symbol(KORA_OTHER, nullptr, n, 1), n); }},
      {"substitute_label",
       [](NET *n) { return made(substitute_label(KORA_OTHER, nullptr, n, 1), n); }},
      {"substitute_net", [](NET *n) { return made(substitute_net(KORA_OTHER, nullptr, n, 1), n); }},
      {"close_sigma", [](NET *n) { return made(close_sigma(n, nullptr, 1, 0), n); }},
      {"eliminate_flag", [](NET *n) { return made(eliminate_flag(n, "F", 1), n); }},
      {"repeat_net", [](NET *n) { return made(repeat_net(n, 1, 2, 1), n); }},
      {"shuffle_net", [](NET *n) { return made(shuffle_net(n, n, 1), n); }},
      {"priority_union_net", [](NET *n) { return made(priority_union_net(n, n, 0, 1, 1), n); }},
      {"vectorize_states", [](NET *n) { return after(vectorize_states(n, 1), n); }},
      {"add_state_to_net", [](NET *n) { return after(add_state_to_net(n, 1) != nullptr, n); }},
      {"add_arc_to_state", [](NET *n) {
         return after(add_arc_to_state(n, n->start, 0, n->start, nullptr, 0) != nullptr, n);
       }}};
  calls.insert(calls.end(), others.begin(), others.end());
  calls.push_back({"init_apply_approx", [](NET *n) {
                     APPROX_APPLYER *a = init_apply_approx(n, 1, nullptr, nullptr);
                     free_approx_applyer(a);
                     return after(a != nullptr, n);
                   }});
  calls.push_back({"init_apply_patterns", [](NET *n) {
                     APPLY_CONTEXT *a = init_apply_patterns(n, 0, nullptr);
                     free_applyer(a);
                     return after(a != nullptr, n);
                   }});
  return calls;
}

// (vectorize_states and unvectorize_net, which answer for the vectors: vectorize_test.cpp.)
TEST_F(VirtualTest, ExportedFunctionsRefuseAVirtualOrVectorizedNetworkOrAnswerAsForItsPlainForm) {
  NET *upper = read_regex("{cat}:{dog} | {ab} | b");
  NET *rule = read_regex("a -> b");
  NET *operands[] = {upper, rule};
  NV cascade{2, operands}, automaton{1, operands + 1};
  const struct {
    const char *name, *says;  // what the form is, and what a refusal of it says
    std::function<NET *()> make, plain;
  } forms[] = {
      {"a virtual composition", "virtual", [&] { return lazy_compose_net(&cascade, 1); },
       [&] { return compose_net(upper, rule, 1, 1); }},
      {"a virtual copy of an automaton", "virtual", [&] { return lazy_compose_net(&automaton, 1); },
       [&] { return copy_net(rule); }},
      {"a vectorized composition", "vectorized",
       [&] {
         NET *net = compose_net(upper, rule, 1, 1);
         EXPECT_GT(vectorize_states(net, 2), 0);
         return net;
       },
       [&] { return compose_net(upper, rule, 1, 1); }},
  };
  for (const auto &form : forms) {
    const bool vectorized = std::string(form.says) == "vectorized";
    for (const auto &[name, call] : exported_calls()) {
      if (vectorized && (name == "vectorize_states" || name == "unvectorize_net")) continue;
      SCOPED_TRACE(name + " of " + form.name);
      NET *net = form.make(), *built = form.plain();
      messages().clear();
      const std::string answer = call(net);
      const std::string refusal = messages().errors.empty() ? "" : messages().errors[0];
      messages().clear();
      const std::string plain_answer = call(built);
      if (refusal.empty()) {
        EXPECT_EQ(answer, plain_answer);
      } else if (messages().errors.empty() || messages().errors[0] != refusal) {
        EXPECT_NE(refusal.find(form.says), std::string::npos) << refusal;
      }
      EXPECT_EQ(lookups_of(net), made(form.plain(), nullptr));
      if (vectorized) {
        EXPECT_TRUE(net->flags2.has_arc_vectors);
      }
      free_network(net);
      free_network(built);
    }
  }
  messages().clear();
  free_network(upper);
  free_network(rule);
}

}  // namespace
