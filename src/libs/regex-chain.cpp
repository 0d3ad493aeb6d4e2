// Runs of one associative operator in a regular expression (see regex-chain.h).

#include "regex-chain.h"

#include <algorithm>
#include <optional>

#include "calculus.h"
#include "compose.h"
#include "concat.h"
#include "context.h"
#include "define.h"
#include "label.h"
#include "product.h"
#include "string-net.h"
#include "struct.h"
#include "union.h"

namespace kora {

class RegexChain {
 public:
  // The operator of the run; SINGLE for a single operand.
  enum class Kind { SINGLE, UNION, INTERSECT, CONCAT, COMPOSE };
  Kind kind = Kind::SINGLE;
  // In order, but a composition's from last to first: the right-nested grammar meets them so.
  // A union's operands go to `union_operands` instead.
  std::vector<NET *> operands;
  std::optional<UnionBuilder> union_operands;
  // A single operand that is still a string of symbols, its network not made (a braced string,
  // or with `symbol` a symbol that names no definition): a union takes it as it is.
  bool pending = false;
  bool symbol = false;
  std::vector<uint32_t> string;
  // The label map of the first operand, which every other must share.
  void *label_map = nullptr;
};

namespace {

RegexChainArena *current_arena = nullptr;

using Kind = RegexChain::Kind;

Kind kind_of(RegexOp op) {
  switch (op) {
    case RegexOp::UNION:
      return Kind::UNION;
    case RegexOp::INTERSECT:
      return Kind::INTERSECT;
    case RegexOp::CONCAT:
      return Kind::CONCAT;
    case RegexOp::COMPOSE:
      return Kind::COMPOSE;
    default:
      return Kind::SINGLE;
  }
}

// Whether the n-ary forms take `net` as the binary operations would, without a message: a
// network in the plain representation with a start state.
bool plain_operand(const NET *net) {
  return net != nullptr && net->start != nullptr && special_representation(net) == nullptr &&
         (net->labels == nullptr || !test_alph_member(net->labels, ALTCHAIN_SYMBOL));
}

// Makes the network of a pending string: the single operand of `chain` from then on.
void make_pending_net(RegexChain *chain) {
  if (!chain->pending) return;
  chain->pending = false;
  chain->operands.assign(1, chain->symbol ? regex_symbol_net(chain->string[0])
                                          : path_net(chain->string, nullptr));
}

// Whether a single operand can start a union of strings: a pending string, or a network the
// n-ary form takes.
bool starts_union(const RegexChain *chain) {
  return chain->pending || plain_operand(chain->operands[0]);
}

// Turns the single operand of `chain` into a run of unions.
void start_union(RegexChain *chain) {
  chain->kind = Kind::UNION;
  chain->union_operands.emplace(minimize_results());
  if (chain->pending) {
    chain->label_map = current_label_map();
    chain->union_operands->add_string(chain->string.data(), chain->string.size());
    chain->pending = false;
  } else {
    chain->label_map = chain->operands[0]->label_map;
    chain->union_operands->add(chain->operands[0]);
  }
  chain->operands.clear();
}

// The label map of the union `chain` is or would start: its first operand's.
const void *union_label_map(const RegexChain *chain) {
  if (chain->kind == Kind::UNION) return chain->label_map;
  if (chain->pending) return current_label_map();
  return chain->operands[0] != nullptr ? chain->operands[0]->label_map : nullptr;
}

// The run's operands combined at once.
NET *combine(RegexChain *chain) {
  make_pending_net(chain);
  if (chain->kind == Kind::UNION) {
    NET *result = chain->union_operands->finish();
    chain->union_operands.reset();
    return result;
  }
  std::vector<NET *> operands;
  operands.swap(chain->operands);
  if (operands.size() == 1) return operands[0];
  if (chain->kind == Kind::COMPOSE) std::reverse(operands.begin(), operands.end());
  NV nets{static_cast<int>(operands.size()), operands.data()};
  const int minimize = minimize_results() ? 1 : 0;
  switch (chain->kind) {
    case Kind::INTERSECT:
      return intersect_fsm(&nets, 0, minimize);
    case Kind::CONCAT:
      return concat_fsm(&nets, 0, minimize);
    default:
      return compose_fsm(&nets, 0, minimize, 0, 1,
                         parameter(KORA_COMPOSE_FLAG_AS_SPECIAL) ? FLAGS_AS_SPECIAL
                                                                 : FLAGS_AS_SYMBOLS);
  }
}

// Adds `net` to the run of `kind` that `chain` is or becomes (a single operand turns into it).
// An operand the n-ary form would refuse, or a first operand it would refuse, ends the run:
// what the run holds is combined and joined with the operand by the binary operation, whose
// message is then the one the binary chain gave, and the result starts a run of one.
RegexChain *extend(RegexChain *chain, Kind kind, RegexOp op, NET *net) {
  make_pending_net(chain);
  NET *first = chain->kind == Kind::SINGLE ? chain->operands[0] : nullptr;
  const bool plain = plain_operand(net) && (chain->kind != Kind::SINGLE || plain_operand(first)) &&
                     net->label_map == (first != nullptr ? first->label_map : chain->label_map);
  if (!plain) {
    NET *combined = regex_settle(chain);
    return regex_chain(kind == Kind::COMPOSE ? regex_binary(op, net, combined)
                                             : regex_binary(op, combined, net));
  }
  if (chain->kind == Kind::SINGLE) {
    if (kind == Kind::UNION) {
      start_union(chain);
    } else {
      chain->kind = kind;
      chain->label_map = first->label_map;
    }
  }
  if (kind == Kind::UNION)
    chain->union_operands->add(net);
  else
    chain->operands.push_back(net);
  return chain;
}

}  // namespace

RegexChainArena::RegexChainArena() : outer_(current_arena) { current_arena = this; }

RegexChainArena::~RegexChainArena() { current_arena = outer_; }

RegexChain *RegexChainArena::make() {
  if (!settled_.empty()) {
    RegexChain *chain = settled_.back();
    settled_.pop_back();
    return chain;
  }
  chains_.push_back(std::make_unique<RegexChain>());
  return chains_.back().get();
}

RegexChain *regex_chain(NET *net) {
  RegexChain *chain = current_arena->make();
  chain->operands.push_back(net);
  return chain;
}

RegexChain *regex_braced_chain(const char *text) {
  RegexChain *chain = current_arena->make();
  chain->pending = true;
  chain->symbol = false;
  string_symbols(text, &chain->string);
  return chain;
}

RegexChain *regex_symbol_chain(uint32_t id) {
  if (id == EPSILON || id == OTHER || label_arity(id) != 1 || is_defined(id) ||
      defined_list(id) != nullptr)
    return regex_chain(regex_symbol_net(id));
  RegexChain *chain = current_arena->make();
  chain->pending = true;
  chain->symbol = true;
  chain->string.assign(1, id);
  return chain;
}

RegexChain *regex_chain_join(RegexOp op, RegexChain *left, RegexChain *right) {
  const Kind kind = kind_of(op);
  if (kind == Kind::SINGLE || kind == Kind::COMPOSE)
    return regex_chain(regex_binary(op, regex_settle(left), regex_settle(right)));
  if (left->kind != kind && left->kind != Kind::SINGLE) left = regex_chain(regex_settle(left));
  if (kind == Kind::UNION && right->pending && current_label_map() == union_label_map(left)) {
    if (left->kind == Kind::SINGLE) {
      if (!starts_union(left)) return extend(left, kind, op, regex_settle(right));
      start_union(left);
    }
    left->union_operands->add_string(right->string.data(), right->string.size());
    right->pending = false;
    current_arena->recycle(right);
    return left;
  }
  return extend(left, kind, op, regex_settle(right));
}

RegexChain *regex_chain_compose(NET *first, RegexChain *rest) {
  if (rest->kind != Kind::COMPOSE && rest->kind != Kind::SINGLE) rest = regex_chain(regex_settle(rest));
  return extend(rest, Kind::COMPOSE, RegexOp::COMPOSE, first);
}

NET *regex_settle(RegexChain *chain) {
  NET *result = combine(chain);
  chain->kind = Kind::SINGLE;
  current_arena->recycle(chain);
  return result;
}

void regex_discard(RegexChain *chain) {
  for (NET *net : chain->operands) free_network(net);
  chain->operands.clear();
  chain->union_operands.reset();
  chain->pending = false;
}

}  // namespace kora
