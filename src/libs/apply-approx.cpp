// Approximate lookup (spelling correction): given a word w and a bound k, the results of every
// string s of a network's input side whose edit distance to w is at most k, each with that
// distance, best first. The distance counts insertions, deletions and substitutions of
// symbols (multi-character symbols being one symbol each, the word cut by the network's parse
// table as lookup cuts it), and with transpositions also swaps of two adjacent symbols (the
// restricted distance, in which a swapped pair is not edited again; Damerau 1964). A result is
// a distinct pair (s, t) of the matched string and what a path reading s writes on its output
// side (t = s on an automaton). Results are ordered by distance, then by s, then by t, each
// compared as bytes; a limit keeps the first ones of that order.
//
// Method: a depth-first walk of the applyer's index of the network (apply-index.h) that carries,
// along the path, the row of the edit-distance table of the path's input-side string against
// every prefix of w (Wagner and Fischer 1974; walking a trie or automaton this way is Oflazer
// 1996's error-tolerant recognition). Reading a symbol makes the next row from the last in
// O(|w|); a path whose row has no cell within the bound is cut, since the distance of every
// continuation is at least that minimum; at a final state the row's last cell is the
// distance. Where the row's minimum is the bound itself (most nodes of a search), only a symbol
// that matches the word right after a cell at the bound keeps the path alive, so only the arcs
// of those few symbols are tried (found by binary search in a wide state). Epsilon moves keep
// the row; flag diacritics on the input side are obeyed as lookup obeys them; an OTHER arc
// reads only the symbols of w that are not in the network's sigma, at no cost where they meet
// their own place in w (as lookup reads them) and at no other place.
// Epsilon moves follow the applyer's loop rule (no state twice since the last symbol read), so
// the paths walked, and the results, are those lookup would follow. Networks entered by
// @I.name@ flags and list flags (@L, @X) are not followed. The bound is raised from 0 to k
// (iterative deepening): once the results within a bound reach the limit, every result a larger
// bound adds would come after them, and the search stops.
//
// With an error model, a transducer from typed strings (its upper side) to intended ones (its
// lower side), the edits are the model's arcs instead: each arc whose label is a pair costs
// one error, an identity label none, and a result's distance is the fewest errors of a path of
// the model that reads w on its upper side while the network reads the model's lower side.
// The two networks are walked together, state pair by state pair, without building their
// composition; a path of pairs that reads nothing and costs nothing may not visit a pair twice.
//
// Cost: for a word of n symbols and a bound k, time O(P n) per round for the P path prefixes
// whose row keeps a cell within the bound (the nodes of the network's unfolded tree within k
// edits of a prefix of w: far fewer than its paths), and k + 1 rounds at most; space
// O((n + k) n) for the rows and O(b (n + k)) for the moves waiting, b the branching. With an
// error model, the pairs of states reachable with at most k errors take the place of the
// prefixes. Tested in tests/apply/apply_approx_test.cpp against a brute-force reference.

#include "apply-approx.h"

#include <algorithm>
#include <cstring>

#include "alph.h"
#include "boundary.h"
#include "error.h"
#include "fat-print.h"
#include "flag-action.h"
#include "flag-sides.h"
#include "label.h"
#include "pars-tbl.h"

namespace kora {
namespace {

constexpr uint32_t kNoArc = ApplyIndex::kNoArc;
constexpr int kMostEdits = 100;

bool epsilon_like(uint32_t symbol) {
  return symbol == EPSILON || symbol == ALTCHAIN_SYMBOL || symbol == GUARDED_EPSILON;
}

// Flags that name a definition (an inserted network, a list): not followed here.
bool names_definition(uint32_t symbol, const FLAG_DIACRITIC *flag) {
  return flag->action == INSERT_SUBNET || list_flag_p(symbol);
}

bool member(const std::vector<bool> &members, uint32_t symbol) {
  return symbol < members.size() && members[symbol];
}

// Cuts `text` into symbols by `table`; false after the parser's report of a UTF-8 error.
bool cut_word(APPROX_APPLYER *s, const char *text, PARSE_TABLE *table) {
  s->word.clear();
  while (text != nullptr && *text != '\0') {
    uint32_t id = ID_NO_SYMBOL;
    const char *end = text;
    const int status = parse_local_symbol(&id, text, &end, table, &s->applyer->input_characters);
    if (status == PARSE_END) break;
    if (status != PARSE_OK) return false;
    s->word.push_back(id);
    text = end;
  }
  return true;
}

const ApplyIndex &net_index(const APPROX_APPLYER *s) {
  return *s->applyer->index[s->applyer->input_side];
}

// --- The path ---------------------------------------------------------------------------------

// Leaves the nodes after node `keep`, undoing their flags, last first.
void truncate_path(APPROX_APPLYER *s, uint32_t keep) {
  while (s->path.size() > keep + 1) {
    const ApproxNode &node = s->path.back();
    if (node.flag_saved) s->applyer->flag_register.set(node.flag_attribute, node.flag_previous);
    s->path.pop_back();
  }
}

// Takes the network's flag arc `arc` into `child` when the flag passes (always when flags are
// not obeyed, as lookup takes them); false when it fails.
bool pass_flag(APPROX_APPLYER *s, const IndexArc &arc, ApproxNode &child) {
  const FLAG_DIACRITIC *flag = symbol_flag(arc.input());
  if (flag == nullptr || !s->applyer->flags_active) return true;
  FlagRegister &reg = s->applyer->flag_register;
  const uint32_t previous = reg.get(flag->attribute);
  if (!flag_action(&reg, flag, nullptr)) {
    reg.set(flag->attribute, previous);
    return false;
  }
  child.flag_saved = true;
  child.flag_attribute = flag->attribute;
  child.flag_previous = previous;
  return true;
}

// Whether an epsilon move by `arc` from the top node to `to` goes round a loop, by the
// applyer's rule: `to` was visited since the last symbol read (the start counts), or the arc
// was taken in that stretch; an epsilon self-loop on a final state is taken once.
bool goes_round(const APPROX_APPLYER *s, uint32_t to, uint32_t arc) {
  const ApplyIndex &index = net_index(s);
  const uint32_t from = s->path.back().state;
  const bool self_loop_allowed = from == to && index.state(from).final;
  if (from == to && !self_loop_allowed) return true;
  for (size_t k = s->path.size(); k-- > 1;) {
    const ApproxNode &node = s->path[k];
    if (node.arc == arc) return true;
    if (node.state == to && !self_loop_allowed) return true;
    if (node.progress) return false;
  }
  return to == s->path[0].state && !self_loop_allowed;
}

// With an error model: whether the pair (model_state, state) was visited since the last step
// that read a symbol or cost an error.
bool pair_visited(const APPROX_APPLYER *s, uint32_t model_state, uint32_t state) {
  for (size_t k = s->path.size(); k-- > 0;) {
    const ApproxNode &node = s->path[k];
    if (node.model_state == model_state && node.state == state) return true;
    if (node.progress) return false;
  }
  return false;
}

// --- Results ----------------------------------------------------------------------------------

void put_symbol(APPROX_APPLYER *s, std::string &text, uint32_t symbol) {
  APPLY_CONTEXT *a = s->applyer;
  if (a->print_space && !text.empty()) text.push_back(' ');
  if (InputCharacters::owns(symbol)) {
    const uint32_t code[2] = {a->input_characters.code_of(symbol), 0};
    append_fat(text, code);
    return;
  }
  const Spellings::Spelling spelling = a->spellings.of(symbol);
  text.append(spelling.text, spelling.length);
}

// What the network's arc writes on its output side, having read `read` (ID_NO_SYMBOL for none),
// as lookup writes one side.
void put_output(APPROX_APPLYER *s, std::string &text, const IndexArc &arc, uint32_t read) {
  const uint32_t o = arc.output();
  if (arc.plain_output()) {
    put_symbol(s, text, o);
    return;
  }
  if (epsilon_like(o)) return;
  if (symbol_flag(o) != nullptr && s->applyer->obey_flags && !s->applyer->show_flags) return;
  if (arc.other_label() || list_flag_p(o)) {
    if (read != ID_NO_SYMBOL) put_symbol(s, text, read);
    return;
  }
  put_symbol(s, text, o);  // OTHER writes "?"
}

// Records the current path as a result at `distance`; a pair found before keeps the smaller
// distance (with an error model, paths of one pair may cost differently).
void record(APPROX_APPLYER *s, uint32_t distance) {
  const ApplyIndex &index = net_index(s);
  ApproxResult result{distance, {}, {}};
  for (size_t k = 1; k < s->path.size(); k++) {
    const ApproxNode &node = s->path[k];
    if (node.arc == kNoArc) continue;
    if (node.symbol != ID_NO_SYMBOL) put_symbol(s, result.match, node.symbol);
    put_output(s, result.output, index.arc(node.arc), node.symbol);
  }
  std::string key = result.match;
  key.push_back('\0');
  key.append(result.output);
  const auto [known, added] = s->seen.emplace(std::move(key), s->results.size());
  if (added)
    s->results.push_back(std::move(result));
  else if (distance < s->results[known->second].distance)
    s->results[known->second].distance = distance;
}

// --- Plain edits ------------------------------------------------------------------------------

// Makes row depth + 1 from row `depth` for the symbol `symbol` read next (`wild`: read by an
// OTHER arc, so that it meets only its own place in the word); returns the row's smallest cell.
// Cells are capped at bound + 1.
uint32_t next_row(APPROX_APPLYER *s, const ApproxNode &parent, uint32_t symbol, bool wild) {
  const size_t n = s->word.size();
  const size_t width = n + 1;
  if (s->rows.size() < (parent.depth + 2) * width) s->rows.resize((parent.depth + 2) * width);
  const uint8_t *row = s->rows.data() + parent.depth * width;
  const uint8_t *before = parent.depth > 0 ? row - width : nullptr;
  uint8_t *next = s->rows.data() + (parent.depth + 1) * width;
  const uint32_t cap = s->bound + 1;
  const uint32_t edit = wild ? cap : 1;  // an OTHER arc's symbol is never inserted or replaced
  const bool swaps = s->transpositions && before != nullptr && !wild && !parent.last_wild &&
                     parent.last_symbol != ID_NO_SYMBOL;
  const uint32_t *word = s->word.data();
  uint32_t least = std::min<uint32_t>(row[0] + edit, cap);
  next[0] = static_cast<uint8_t>(least);
  for (size_t j = 1; j <= n; j++) {
    uint32_t cell = std::min<uint32_t>(row[j] + edit, next[j - 1] + 1u);
    cell = std::min<uint32_t>(cell, row[j - 1] + (word[j - 1] == symbol ? 0 : edit));
    if (swaps && j >= 2 && word[j - 2] == symbol && word[j - 1] == parent.last_symbol)
      cell = std::min<uint32_t>(cell, before[j - 2] + 1u);
    cell = std::min(cell, cap);
    next[j] = static_cast<uint8_t>(cell);
    least = std::min(least, cell);
  }
  return least;
}

// At a node whose row's least cell is the bound, the symbols whose row would keep a cell within
// it (into s->frontier): the word's symbol after each cell at the bound, which matches at no
// cost, and with transpositions the first of a swapped pair. Every other symbol's row passes
// the bound, so its arcs need not be tried: most nodes of a search lie on this frontier.
void find_frontier(APPROX_APPLYER *s, const ApproxNode &node) {
  const size_t n = s->word.size(), width = n + 1;
  const uint8_t *row = s->rows.data() + node.depth * width;
  const uint8_t *before = node.depth > 0 ? row - width : nullptr;
  const bool swaps =
      s->transpositions && before != nullptr && !node.last_wild && node.last_symbol != ID_NO_SYMBOL;
  s->frontier.clear();
  for (size_t j = 1; j <= n; j++) {
    if (row[j - 1] <= s->bound) s->frontier.push_back(s->word[j - 1]);
    if (swaps && j >= 2 && before[j - 2] + 1u <= s->bound && s->word[j - 1] == node.last_symbol)
      s->frontier.push_back(s->word[j - 2]);
  }
}

// Pushes the moves of the special arc `arc` from node `top`: an epsilon move, a flag that
// names no definition, or an OTHER arc reading each unknown symbol of the word that may_read.
template <typename MayRead>
void push_special(APPROX_APPLYER *s, uint32_t top, uint32_t arc, MayRead may_read) {
  const IndexArc &entry = net_index(s).arc(arc);
  const uint32_t input = entry.input();
  if (entry.special() == kEpsilonInput) {
    s->moves.push_back({top, arc, kNoArc, ID_NO_SYMBOL});
  } else if (const FLAG_DIACRITIC *flag = symbol_flag(input)) {
    if (!names_definition(input, flag)) s->moves.push_back({top, arc, kNoArc, ID_NO_SYMBOL});
  } else if (input == OTHER) {
    for (auto u = s->unknowns.rbegin(); u != s->unknowns.rend(); ++u)
      if (may_read(*u)) s->moves.push_back({top, arc, kNoArc, *u});
  }
}

// Arrival at the top node: a result when its state is final within the bound; then the moves
// from its state, pushed last arc first so that arcs are tried in list order.
void arrive_plain(APPROX_APPLYER *s) {
  const ApplyIndex &index = net_index(s);
  const auto top = static_cast<uint32_t>(s->path.size() - 1);
  const ApproxNode &node = s->path[top];
  const IndexState &state = index.state(node.state);
  const size_t n = s->word.size();
  if (state.final && s->rows[node.depth * (n + 1) + n] <= s->bound)
    record(s, s->rows[node.depth * (n + 1) + n]);
  const bool on_frontier = node.least == s->bound;
  if (on_frontier) find_frontier(s, node);
  auto may_read = [s, on_frontier](uint32_t symbol) {
    return !on_frontier ||
           std::find(s->frontier.begin(), s->frontier.end(), symbol) != s->frontier.end();
  };
  if (const uint32_t w = index.wide_of(state); on_frontier && w != ApplyIndex::kNotWide) {
    // A wide state on the frontier: its arcs for each frontier symbol by binary search, and
    // its special arcs.
    const WideState &wide = index.wides[w];
    std::sort(s->frontier.begin(), s->frontier.end());
    s->frontier.erase(std::unique(s->frontier.begin(), s->frontier.end()), s->frontier.end());
    const auto first = index.plain.begin() + wide.plain_first;
    const auto last = index.plain.begin() + wide.plain_end;
    for (uint32_t symbol : s->frontier) {
      for (auto at = std::lower_bound(first, last, std::make_pair(symbol, 0u));
           at != last && at->first == symbol; ++at)
        s->moves.push_back({top, at->second, kNoArc, symbol});
    }
    for (uint32_t k = wide.special_first; k < wide.special_end; k++)
      push_special(s, top, index.specials[k], may_read);
    return;
  }
  for (uint32_t arc = node.state + state.count; arc > node.state; arc--) {
    const IndexArc &entry = index.arc(arc);
    const uint32_t input = entry.input();
    if (entry.special() == kOrdinary) {
      if (may_read(input)) s->moves.push_back({top, arc, kNoArc, input});
    } else {
      push_special(s, top, arc, may_read);
    }
  }
}

void search_plain(APPROX_APPLYER *s) {
  const ApplyIndex &index = net_index(s);
  const size_t n = s->word.size();
  if (s->rows.size() < n + 1) s->rows.resize(n + 1);
  for (size_t j = 0; j <= n; j++)
    s->rows[j] = static_cast<uint8_t>(std::min<size_t>(j, s->bound + 1));
  s->path.push_back(
      {0, 0, kNoArc, ID_NO_SYMBOL, 0, 0, ID_NO_SYMBOL, 0, 0, false, true, false, 0, 0});
  arrive_plain(s);
  while (!s->moves.empty()) {
    const ApproxMove move = s->moves.back();
    s->moves.pop_back();
    truncate_path(s, move.parent);
    const ApproxNode &parent = s->path.back();
    const IndexArc &arc = index.arc(move.arc);
    ApproxNode child = parent;
    child.state = arc.destination;
    child.arc = move.arc;
    child.symbol = move.symbol;
    child.progress = move.symbol != ID_NO_SYMBOL;
    child.flag_saved = false;
    if (move.symbol == ID_NO_SYMBOL) {
      if (goes_round(s, arc.destination, move.arc) || !pass_flag(s, arc, child)) continue;
    } else {
      const bool wild = arc.special() != kOrdinary;
      child.least = next_row(s, parent, move.symbol, wild);
      if (child.least > s->bound) continue;
      child.depth = parent.depth + 1;
      child.last_symbol = move.symbol;
      child.last_wild = wild;
    }
    s->path.push_back(child);
    arrive_plain(s);
  }
  truncate_path(s, 0);
  s->path.clear();
}

// --- An error model ---------------------------------------------------------------------------

// The errors an arc of the model costs: none for an identity label (its two sides alike, OTHER
// as itself included), one for a pair.
uint32_t model_cost(const IndexArc &arc) { return arc.input() == arc.output() ? 0 : 1; }

bool empty_side(uint32_t symbol) { return epsilon_like(symbol) || symbol_flag(symbol) != nullptr; }

void arrive_model(APPROX_APPLYER *s) {
  const ApplyIndex &index = net_index(s);
  const ApplyIndex &model = *s->model_index;
  const auto top = static_cast<uint32_t>(s->path.size() - 1);
  const ApproxNode node = s->path[top];
  const IndexState &state = index.state(node.state);
  const IndexState &model_state = model.state(node.model_state);
  if (node.position == s->word.size() && state.final && model_state.final) record(s, node.cost);
  // The network's epsilon moves, alone.
  for (uint32_t arc = node.state + state.count; arc > node.state; arc--) {
    const IndexArc &entry = index.arc(arc);
    const FLAG_DIACRITIC *flag = symbol_flag(entry.input());
    if (entry.special() == kEpsilonInput ||
        (flag != nullptr && !names_definition(entry.input(), flag)))
      s->moves.push_back({top, arc, kNoArc, ID_NO_SYMBOL});
  }
  // The model's arcs, each with the network's arcs that read what it writes.
  for (uint32_t m = node.model_state + model_state.count; m > node.model_state; m--) {
    const IndexArc &entry = model.arc(m);
    const uint32_t typed = entry.input(), intended = entry.output();
    if (!entry.other_label() && (typed == OTHER || intended == OTHER)) continue;
    if (node.cost + model_cost(entry) > s->bound) continue;
    uint32_t read = ID_NO_SYMBOL;
    if (!empty_side(typed)) {
      if (node.position == s->word.size()) continue;
      read = s->word[node.position];
      if (entry.other_label() ? member(s->model_sigma, read) : typed != read) continue;
    }
    if (empty_side(intended)) {
      s->moves.push_back({top, kNoArc, m, ID_NO_SYMBOL});
      continue;
    }
    const uint32_t symbol = entry.other_label() ? read : intended;
    for (uint32_t arc = node.state + state.count; arc > node.state; arc--) {
      const IndexArc &net_arc = index.arc(arc);
      const bool reads = net_arc.special() == kOrdinary
                             ? net_arc.input() == symbol
                             : net_arc.input() == OTHER && !member(s->net_sigma, symbol) &&
                                   symbol_flag(symbol) == nullptr;
      if (reads) s->moves.push_back({top, arc, m, symbol});
    }
  }
}

void search_model(APPROX_APPLYER *s) {
  const ApplyIndex &index = net_index(s);
  const ApplyIndex &model = *s->model_index;
  s->path.push_back(
      {0, 0, kNoArc, ID_NO_SYMBOL, 0, 0, ID_NO_SYMBOL, 0, 0, false, true, false, 0, 0});
  arrive_model(s);
  while (!s->moves.empty()) {
    const ApproxMove move = s->moves.back();
    s->moves.pop_back();
    truncate_path(s, move.parent);
    ApproxNode child = s->path.back();
    child.arc = move.arc;
    child.symbol = move.symbol;
    child.progress = move.symbol != ID_NO_SYMBOL;
    child.flag_saved = false;
    if (move.model_arc != kNoArc) {
      const IndexArc &entry = model.arc(move.model_arc);
      child.model_state = entry.destination;
      child.cost += model_cost(entry);
      if (!empty_side(entry.input())) child.position++;
      child.progress = child.progress || model_cost(entry) != 0 || !empty_side(entry.input());
    }
    if (move.arc != kNoArc) child.state = index.arc(move.arc).destination;
    if (!child.progress && pair_visited(s, child.model_state, child.state)) continue;
    if (move.arc != kNoArc && move.model_arc == kNoArc && !pass_flag(s, index.arc(move.arc), child))
      continue;
    s->path.push_back(child);
    arrive_model(s);
  }
  truncate_path(s, 0);
  s->path.clear();
}

// --- A word -----------------------------------------------------------------------------------

bool result_before(const ApproxResult &x, const ApproxResult &y) {
  if (x.distance != y.distance) return x.distance < y.distance;
  if (x.match != y.match) return x.match < y.match;
  return x.output < y.output;
}

int approx_word(APPROX_APPLYER *s, const char *text, uint32_t max_edits, size_t limit) {
  APPLY_CONTEXT *a = s->applyer;
  if (!cut_word(s, text, s->model != nullptr ? s->model_table : a->parse_table)) return -1;
  if (a->net->start == nullptr || (s->model != nullptr && s->model->start == nullptr)) return 0;
  s->unknowns.clear();
  for (uint32_t symbol : s->word)
    if (!member(s->net_sigma, symbol) && symbol_flag(symbol) == nullptr &&
        std::find(s->unknowns.begin(), s->unknowns.end(), symbol) == s->unknowns.end())
      s->unknowns.push_back(symbol);
  a->spellings.prepare();
  a->flag_register.clear();
  // Without a limit, one round at the full bound finds everything.
  for (uint32_t bound = limit == SIZE_MAX ? max_edits : 0; bound <= max_edits; bound++) {
    s->results.clear();
    s->seen.clear();
    s->bound = bound;
    if (s->model != nullptr)
      search_model(s);
    else
      search_plain(s);
    if (s->results.size() >= limit) break;
  }
  std::sort(s->results.begin(), s->results.end(), result_before);
  if (s->results.size() > limit) s->results.resize(limit);
  return static_cast<int>(s->results.size());
}

}  // namespace
}  // namespace kora

using namespace kora;

extern "C" {

KORA_API APPROX_APPLYER *init_apply_approx(NET *net, int input_side, NET *error_model,
                                           FST_CONTEXT *context_record) {
  return guarded(__func__, nullptr, [&]() -> APPROX_APPLYER * {
    if (net == nullptr) {
      error("NETptr must not be NULL.");
      return nullptr;
    }
    // The search walks the whole index within the bound, which a virtual network does not
    // have: its states are made only as exact lookups reach them.
    if (net->flags2.is_virtual || (error_model != nullptr && error_model->flags2.is_virtual)) {
      error("Cannot do this operation on a virtual network.");
      return nullptr;
    }
    APPLY_CONTEXT *applyer = init_apply(net, input_side, context_record);
    if (applyer == nullptr) return nullptr;
    // A compacted network's applyer indexes its states as lookups reach them (apply-grow.h);
    // this search reads the index without growing it, so the network is indexed whole.
    if (net->flags.compacted && net->start != nullptr) {
      const int side = applyer->input_side;
      applyer->growth[side].reset();
      applyer->index[side] = std::make_unique<ApplyIndex>(side);
      applyer->index[side]->start_of(net);
    }
    auto *s = new APPROX_APPLYER();
    s->applyer = applyer;
    s->net_sigma = sigma_members(net);
    if (error_model != nullptr) {
      s->model = error_model;
      s->model_sigma = sigma_members(error_model);
      s->model_index = std::make_unique<ApplyIndex>(0);
      std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
      s->model_table = get_parse_table(error_model, 0);
      if (error_model->start != nullptr) s->model_index->start_of(error_model);
    }
    return s;
  });
}

KORA_API int apply_approx(const char *string, int max_edits, int limit, int options,
                          APPROX_APPLYER *applyer) {
  return guarded(__func__, -1, [&]() -> int {
    if (applyer == nullptr) return -1;
    applyer->results.clear();
    if (max_edits < 0 || max_edits > kMostEdits) {
      error_printf("apply_approx: max_edits must be between 0 and %d, not %d", kMostEdits,
                   max_edits);
      return -1;
    }
    if (limit < 0) {
      error_printf("apply_approx: limit must be 0 (no limit) or more, not %d", limit);
      return -1;
    }
    applyer->transpositions = (options & KORA_APPROX_TRANSPOSITIONS) != 0;
    const size_t most = limit == 0 ? SIZE_MAX : static_cast<size_t>(limit);
    return approx_word(applyer, string, static_cast<uint32_t>(max_edits), most);
  });
}

KORA_API const char *approx_result(const APPROX_APPLYER *applyer, int k, int *distance,
                                   const char **match) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    if (applyer == nullptr || k < 0 || static_cast<size_t>(k) >= applyer->results.size())
      return nullptr;
    const ApproxResult &result = applyer->results[static_cast<size_t>(k)];
    if (distance != nullptr) *distance = static_cast<int>(result.distance);
    if (match != nullptr) *match = result.match.c_str();
    return result.output.c_str();
  });
}

KORA_API void free_approx_applyer(APPROX_APPLYER *applyer) {
  guarded(__func__, [&] {
    if (applyer == nullptr) return;
    free_applyer(applyer->applyer);
    delete applyer;
  });
}

}  // extern "C"
