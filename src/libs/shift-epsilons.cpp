// Shifting initial epsilons (see shift-epsilons.h).
//
// Every path from the start state is cut at the first point where `budget` symbols have been
// read (arcs with a label other than EPSILON; non-list flag diacritics are not counted), a final
// state is reached, or a state already on the path comes again: the stretch before that point is
// replaced by a chain of new states from a new start state, one arc per position of its two
// sides aligned from the left (the shorter side padded with EPSILON at its end), then one arc per
// flag diacritic met, ending in the state where the stretch ended, whose own arcs carry the rest
// of the path. Every path of the network is a stretch followed by a path from the stretch's end,
// and a stretch's chain spells the same pair of strings, so the relation is kept. The old start
// state stays only where an arc leads to it. Determinization then joins the chains that share a
// prefix. Cost: the enumeration visits every path of at most `budget` symbols from the start
// state (no state twice on one), which is exponential in the budget for dense networks; then
// determinization and minimization.

#include "shift-epsilons.h"

#include <algorithm>
#include <vector>

#include "boundary.h"
#include "compact.h"
#include "determinize.h"
#include "error.h"
#include "flag-marks.h"
#include "flag-sides.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "optimize.h"
#include "prune.h"
#include "share.h"
#include "struct.h"
#include "vectorize.h"

namespace kora {
namespace {

class Shifter {
 public:
  Shifter(NET *net, int budget) : net_(net), budget_(budget) {}

  void run() {
    STATE *old_start = net_->start;
    start_ = make_state(nullptr, net_);
    start_->flags.final = old_start->flags.final;
    old_start->flags.apply_mark = 1;
    walk(old_start, 0);
    old_start->flags.apply_mark = 0;
    net_->start = start_;
  }

 private:
  void walk(STATE *state, int used) {
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      const uint32_t label = arc->label;
      const size_t upper_size = upper_.size(), lower_size = lower_.size(), flag_size = flags_.size();
      int cost = 0;
      if (label_arity(label) == 1 && non_list_flag_p(label)) {
        flags_.push_back(label);
      } else if (label != EPSILON) {
        cost = 1;
        if (upper_id(label) != EPSILON) upper_.push_back(upper_id(label));
        if (lower_id(label) != EPSILON) lower_.push_back(lower_id(label));
      }
      STATE *destination = arc->destination;
      if (used + cost >= budget_ || destination->flags.final || destination->flags.apply_mark ||
          destination->arcs == nullptr) {
        chain_to(destination);
      } else {
        destination->flags.apply_mark = 1;
        walk(destination, used + cost);
        destination->flags.apply_mark = 0;
      }
      upper_.resize(upper_size);
      lower_.resize(lower_size);
      flags_.resize(flag_size);
    }
  }

  // The chain of the stretch collected, from the new start state to `end`.
  void chain_to(STATE *end) {
    std::vector<uint32_t> labels;
    const size_t length = std::max(upper_.size(), lower_.size());
    for (size_t k = 0; k < length; ++k) {
      const uint32_t upper = k < upper_.size() ? upper_[k] : EPSILON;
      const uint32_t lower = k < lower_.size() ? lower_[k] : EPSILON;
      labels.push_back(upper == lower ? upper : pair_id(upper, lower));
    }
    labels.insert(labels.end(), flags_.begin(), flags_.end());
    if (labels.empty()) labels.push_back(EPSILON);
    STATE *from = start_;
    for (size_t k = 0; k < labels.size(); ++k) {
      STATE *to = k + 1 == labels.size() ? end : make_state(nullptr, net_);
      attach_arc(alloc_arc(labels[k], to, net_), from, net_);
      from = to;
    }
  }

  NET *net_;
  int budget_;
  STATE *start_ = nullptr;
  std::vector<uint32_t> upper_, lower_, flags_;
};

}  // namespace

NET *shift_initial_epsilons_fsm(NET *source, int budget) {
  const bool compacted = source->flags.compacted != 0;
  const bool shared = source->flags.shared_arc_lists != 0;
  const bool optimized = source->flags2.optimized != 0;
  const bool vectorized = source->flags2.has_arc_vectors != 0;
  if (source->flags2.is_virtual) {
    check_plain_net(source);
    return nullptr;
  }
  NET *net = shared ? unshare_arc_lists_copy(source, false) : copy_fsm(source);
  if (net == nullptr) return nullptr;
  uncompact_fsm(net);
  unoptimize_arcs_in_place(net);
  if (check_plain_net(net) || net->start == nullptr) {
    free_network(net);
    return nullptr;
  }
  net->flags.deterministic = 0;
  net->flags.minimized = 0;
  Shifter(net, budget).run();
  connect_fsm(net, CONNECT_REACHABLE);
  label_check(net);
  net = determinize_fsm(net, 0);
  net = min_fsm(net, 0);
  recompute_flag_marks(net);
  if (optimized) {
    optimize_arcs_in_place(net);
    if (shared) share_arc_lists(net);
  }
  if (compacted) compact_fsm(net, nullptr);
  if (vectorized) vectorize_net(net);
  return net;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *shift_initial_epsilons(NET *net, int budget) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return net == nullptr ? nullptr : shift_initial_epsilons_fsm(net, budget);
  });
}

}  // extern "C"
