// Whether a transducer is functional (see functional.h).

#include "functional.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace kora_python {

namespace {

// A step of one path: the symbol read (EPSILON for none), the symbol written (EPSILON for none,
// OTHER for the unknown symbol read) and the state reached.
struct Move {
  uint32_t input, output, destination;
};

// What one path has written beyond the other.
struct Delay {
  bool second_ahead = false;
  std::vector<uint32_t> pending;
  bool operator==(const Delay &other) const {
    return pending == other.pending && (pending.empty() || second_ahead == other.second_ahead);
  }
};

// The delay after the two paths write `first` and `second` (EPSILON: nothing); nothing when
// what they have written disagrees.
std::optional<Delay> advance(const Delay &delay, uint32_t first, uint32_t second) {
  std::vector<uint32_t> one, two;
  (delay.second_ahead ? two : one) = delay.pending;
  if (first != KORA_EPSILON) one.push_back(first);
  if (second != KORA_EPSILON) two.push_back(second);
  const size_t common = std::min(one.size(), two.size());
  if (!std::equal(one.begin(), one.begin() + static_cast<std::ptrdiff_t>(common), two.begin()))
    return std::nullopt;
  Delay next;
  next.second_ahead = two.size() > one.size();
  const std::vector<uint32_t> &longer = next.second_ahead ? two : one;
  next.pending.assign(longer.begin() + static_cast<std::ptrdiff_t>(common), longer.end());
  return next;
}

struct Edge {
  uint32_t to;
  uint32_t first, second;  // the symbols written
  bool reads;              // both paths read a symbol (else one path moves alone)
};

}  // namespace

bool functional(const Graph &graph) {
  const uint32_t count = static_cast<uint32_t>(graph.arcs.size());
  // The moves of the useful states, sorted by the symbol read.
  std::vector<std::vector<Move>> moves(count);
  bool pairs = false;
  for (uint32_t state = 0; state < count; state++) {
    if (!graph.useful[state]) continue;
    for (const Graph::Arc &arc : graph.arcs[state]) {
      if (!graph.useful[arc.destination]) continue;
      const Sides &sides = sides_of(arc.label);
      if (sides.pair && sides.lower_id == KORA_OTHER) return false;
      pairs |= sides.pair;
      moves[state].push_back({sides.upper_id, sides.lower_id, arc.destination});
    }
    std::sort(moves[state].begin(), moves[state].end(),
              [](const Move &a, const Move &b) { return a.input < b.input; });
  }
  if (!pairs) return true;  // an acceptor, or no useful pair: the identity

  // The reachable pairs of the square and their edges, breadth-first from (start, start).
  std::vector<std::pair<uint32_t, uint32_t>> nodes;
  std::unordered_map<uint64_t, uint32_t> node_of;
  std::vector<std::vector<Edge>> edges;
  auto node = [&](uint32_t p, uint32_t q) {
    auto [found, added] = node_of.emplace(uint64_t{p} * count + q, static_cast<uint32_t>(nodes.size()));
    if (added) nodes.push_back({p, q}), edges.emplace_back();
    return found->second;
  };
  node(*graph.start, *graph.start);  // some state is useful: there is a start state
  for (uint32_t i = 0; i < nodes.size(); i++) {
    const auto [p, q] = nodes[i];
    std::vector<Edge> out;
    for (const Move &one : moves[p]) {
      if (one.input == KORA_EPSILON) {
        out.push_back({node(one.destination, q), one.output, KORA_EPSILON, false});
        continue;
      }
      auto same = std::equal_range(moves[q].begin(), moves[q].end(), one,
                                   [](const Move &a, const Move &b) { return a.input < b.input; });
      for (auto two = same.first; two != same.second; ++two)
        out.push_back({node(one.destination, two->destination), one.output, two->output, true});
    }
    for (const Move &two : moves[q])
      if (two.input == KORA_EPSILON) out.push_back({node(p, two.destination), KORA_EPSILON, two.output, false});
    edges[i] = std::move(out);
  }

  // The pairs that reach a pair of final states.
  std::vector<std::vector<uint32_t>> sources(nodes.size());
  for (uint32_t i = 0; i < nodes.size(); i++)
    for (const Edge &edge : edges[i]) sources[edge.to].push_back(i);
  std::vector<bool> alive(nodes.size(), false);
  std::vector<uint32_t> stack;
  for (uint32_t i = 0; i < nodes.size(); i++)
    if (graph.final[nodes[i].first] && graph.final[nodes[i].second]) alive[i] = true, stack.push_back(i);
  while (!stack.empty()) {
    const uint32_t i = stack.back();
    stack.pop_back();
    for (uint32_t source : sources[i])
      if (!alive[source]) alive[source] = true, stack.push_back(source);
  }

  // One delay per live pair, the empty one at pairs of final states.
  std::vector<std::optional<Delay>> delays(nodes.size());
  delays[0] = Delay();
  std::vector<uint32_t> queue{0};
  for (size_t k = 0; k < queue.size(); k++) {
    const Delay delay = *delays[queue[k]];
    for (const Edge &edge : edges[queue[k]]) {
      if (!alive[edge.to]) continue;
      // A symbol written from OTHER at an earlier step can no longer be matched.
      if (edge.reads && std::find(delay.pending.begin(), delay.pending.end(), KORA_OTHER) != delay.pending.end())
        return false;
      std::optional<Delay> next = advance(delay, edge.first, edge.second);
      if (!next) return false;
      const auto [p, q] = nodes[edge.to];
      if (graph.final[p] && graph.final[q] && !next->pending.empty()) return false;
      if (!delays[edge.to]) {
        delays[edge.to] = std::move(next);
        queue.push_back(edge.to);
      } else if (!(*delays[edge.to] == *next)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace kora_python
