// Path counting by an iterative depth-first walk.
//
// Visit marks: 2 not yet entered, 1 on the current path, 0 finished (its count is final). The
// stack holds the arcs of the current path; the state being expanded is the destination of the
// top arc, or the root of the walk when the stack is empty. When a state is finished its count
// is added to the state it was entered from, and the walk goes on with the next arc there. An
// arc to a state marked 1 closes a cycle.

#include "path-counts.h"

#include "alph.h"
#include "error.h"
#include "scratch.h"
#include "stack.h"

namespace kora {
namespace {

void set_count(STATE *state, uintptr_t count) {
  state->client_cell = reinterpret_cast<void *>(count);
}

struct Walk {
  STACK *path;
  NET *weighted;  // a network with a reduced label set: an arc counts once per label it stands for
  bool overflow = false;
};

// Adds the count of `from`, reached by `arc`, to that of `to`, saturating; true when the sum did
// not fit.
bool add_count(STATE *to, const STATE *from, const ARC *arc, const Walk &walk) {
  uintptr_t paths = static_cast<uintptr_t>(path_count(from)), sum;
  bool overflow = false;
  if (walk.weighted != nullptr)
    overflow = __builtin_mul_overflow(paths, labelset_hooks.class_size(walk.weighted, arc->label),
                                      &paths);
  overflow = overflow || __builtin_add_overflow(static_cast<uintptr_t>(path_count(to)), paths, &sum);
  set_count(to, overflow ? UINTPTR_MAX : sum);
  return overflow;
}

void enter(STATE *state) {
  state->flags.visit_mark = 1;
  set_count(state, state->flags.final ? 1 : 0);
}

// Counts the paths of every state reachable from `root` that is not finished yet. Returns false
// when a cycle was found (the walk then stops, leaving marks and counts half done).
bool count_from(STATE *root, Walk &walk) {
  STATE *current = root;
  enter(current);
  ARC *arc = current->arcs;
  for (;;) {
    if (arc != nullptr) {
      STATE *dest = arc->destination;
      switch (dest->flags.visit_mark) {
        case 2:
          kora_push(arc, walk.path);
          current = dest;
          enter(current);
          arc = current->arcs;
          break;
        case 1:
          return false;
        case 0:
          walk.overflow |= add_count(current, dest, arc, walk);
          arc = arc->next;
          break;
        default:
          programming_error("index_paths", "Not a legal visit_mark %d\n",
                            static_cast<int>(dest->flags.visit_mark));
      }
      continue;
    }
    current->flags.visit_mark = 0;
    ARC *entered_by = static_cast<ARC *>(pop(walk.path));
    if (entered_by == nullptr) return true;
    const ARC *below = static_cast<const ARC *>(peek(walk.path));
    STATE *parent = below != nullptr ? below->destination : root;
    walk.overflow |= add_count(parent, current, entered_by, walk);
    current = parent;
    arc = entered_by->next;
  }
}

}  // namespace

int index_net(NET *net) {
  if (net == nullptr) {
    error("Unexpected NULL pointer in index_net.");
    return PATHS_VECTORIZED;
  }
  if (net->flags2.is_virtual) return PATHS_VIRTUAL;
  if (net->flags2.has_arc_vectors || net->flags.compacted) return PATHS_VECTORIZED;
  set_visit_marks(net, 2);
  clear_client_cells(net);
  Walk walk{create_stack("Arcs to index"),
            net->flags2.reduced_labelset && labelset_hooks.class_size != nullptr ? net : nullptr};
  bool circular = false;
  for (STATE *s = net->states; s != nullptr && !circular; s = s->next)
    if (s->flags.visit_mark == 2) circular = !count_from(s, walk);
  free_stack(walk.path);
  bool counts_valid = !circular && !walk.overflow;
  set_visit_marks(net, 0);
  if (!counts_valid) clear_client_cells(net);
  net->flags.paths_indexed = counts_valid;
  if (circular) {
    if (net->flags.loop_free) {
      warning("index_net: Net incorrectly marked as loop-free.");
      net->flags.loop_free = 0;
    }
    return PATHS_CIRCULAR;
  }
  net->flags.loop_free = 1;
  return walk.overflow ? PATHS_OVERFLOW : PATHS_INDEXED;
}

}  // namespace kora
