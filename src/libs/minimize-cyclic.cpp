// Classes of equivalent states of a deterministic network, cyclic or not, by partition
// refinement in O(E log V) (Valmari and Lehtinen 2008, Valmari 2012: Hopcroft's method for
// networks whose states need not have an arc for every label).
//
// Two partitions are refined together. Blocks partition the states, starting from final and
// non-final states; cords partition the arcs, starting from one cord per label index. Cutting
// the blocks by a cord separates the states that have an arc of that cord from those that do
// not; cutting the cords by a block separates the arcs that enter the block from the others.
// When a set is cut, the smaller part becomes the new set, and each new set is used once to
// cut the other partition: every element is thus used O(log V) times, which bounds the work.
// Cords are kept apart by label from the start, so a missing arc is never confused with an arc
// to some class. At the end the blocks are the classes.
//
// Both partitions are arrays in which the elements of a set are contiguous; marking moves an
// element to the front of its set and a cut moves no element at all.
//
// Cost: O(E log V) time. Space: about 4 (7V + 7E + 2 max(V, E)) bytes, all freed on return.
// Tested in tests/operations/minimize_test.cpp.

#include "minimize-classes.h"

namespace kora {
namespace {

// The marks of the partition being cut: how many elements of each set are marked, and the sets
// that have marked elements. The two partitions take turns with one Marks.
struct Marks {
  uint32_t *marked;   // per set, zero between cuts
  uint32_t *touched;  // sets with marked elements, touched_count of them
  uint32_t touched_count;
};

// A refinable partition of the elements 0 .. size-1. The elements of set s are
// elements[first[s] .. past[s]-1]; location[e] is the position of e and set_of[e] its set.
class Partition {
 public:
  explicit Partition(uint32_t size)
      : elements_(size), location_(size), set_of_(size), first_(size), past_(size) {}

  uint32_t set_count() const { return set_count_; }
  uint32_t first(uint32_t set) const { return first_[set]; }
  uint32_t past(uint32_t set) const { return past_[set]; }
  uint32_t element(uint32_t position) const { return elements_[position]; }
  uint32_t set_of(uint32_t e) const { return set_of_[e]; }

  // One set holding every element in the order 0 .. size-1.
  void start_whole(uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) {
      elements_[i] = i;
      location_[i] = i;
      set_of_[i] = 0;
    }
    first_[0] = 0;
    past_[0] = size;
    set_count_ = size > 0 ? 1 : 0;
  }

  // Builds the partition from a grouping: group_start[g] .. group_start[g+1]-1 are the
  // positions of group g, already filled through place(); empty groups make no set.
  void place(uint32_t position, uint32_t e) {
    elements_[position] = e;
    location_[e] = position;
  }
  void start_grouped(const uint32_t *group_start, uint32_t groups) {
    set_count_ = 0;
    for (uint32_t g = 0; g < groups; ++g) {
      if (group_start[g] == group_start[g + 1]) continue;
      first_[set_count_] = group_start[g];
      past_[set_count_] = group_start[g + 1];
      for (uint32_t i = group_start[g]; i < group_start[g + 1]; ++i)
        set_of_[elements_[i]] = set_count_;
      ++set_count_;
    }
  }

  // Moves e among the marked elements at the front of its set; marking twice does nothing.
  void mark(uint32_t e, Marks &marks) {
    uint32_t s = set_of_[e], i = location_[e], j = first_[s] + marks.marked[s];
    if (i < j) return;
    uint32_t displaced = elements_[j];
    elements_[i] = displaced;
    location_[displaced] = i;
    elements_[j] = e;
    location_[e] = j;
    if (marks.marked[s]++ == 0) marks.touched[marks.touched_count++] = s;
  }

  // Cuts every set that has marked and unmarked elements in two; the smaller part becomes a
  // new set. Clears the marks.
  void cut(Marks &marks) {
    while (marks.touched_count > 0) {
      uint32_t s = marks.touched[--marks.touched_count];
      uint32_t j = first_[s] + marks.marked[s];
      marks.marked[s] = 0;
      if (j == past_[s]) continue;
      uint32_t z = set_count_++;
      if (j - first_[s] <= past_[s] - j) {
        first_[z] = first_[s];
        past_[z] = j;
        first_[s] = j;
      } else {
        first_[z] = j;
        past_[z] = past_[s];
        past_[s] = j;
      }
      for (uint32_t i = first_[z]; i < past_[z]; ++i) set_of_[elements_[i]] = z;
    }
  }

 private:
  WorkArray<uint32_t> elements_, location_, set_of_, first_, past_;
  uint32_t set_count_ = 0;
};

uint32_t count_arcs(STATE *const *states, uint32_t count) {
  uint32_t arcs = 0;
  for (uint32_t i = 0; i < count; ++i)
    for (const ARC *arc = states[i]->arcs; arc != nullptr; arc = arc->next) ++arcs;
  return arcs;
}

}  // namespace

uint32_t cyclic_classes(STATE *const *states, uint32_t count, uint32_t label_count,
                        uint32_t *class_of) {
  uint32_t arc_count = count_arcs(states, count);
  uint32_t largest = count > arc_count ? count : arc_count;
  WorkArray<uint32_t> marked(largest, true), touched(largest);
  Marks marks{marked.get(), touched.get(), 0};

  // Arcs are numbered in state order; tail[t] is the source of arc t. The cords start as the
  // arcs of each label (a counting sort by label), and the incoming arcs of each state are
  // listed together (a counting sort by destination).
  WorkArray<uint32_t> tail(arc_count);
  WorkArray<uint32_t> label_start(static_cast<size_t>(label_count) + 1, true);
  WorkArray<uint32_t> in_start(static_cast<size_t>(count) + 1, true);
  for (uint32_t i = 0; i < count; ++i)
    for (const ARC *arc = states[i]->arcs; arc != nullptr; arc = arc->next) {
      KORA_ASSERT(arc->label < label_count);
      ++label_start[arc->label + 1];
      ++in_start[state_index(arc->destination) + 1];
    }
  for (uint32_t l = 0; l < label_count; ++l) label_start[l + 1] += label_start[l];
  for (uint32_t i = 0; i < count; ++i) in_start[i + 1] += in_start[i];

  Partition cords(arc_count);
  WorkArray<uint32_t> incoming(arc_count);
  {
    WorkArray<uint32_t> next_of_label(label_count);
    WorkArray<uint32_t> next_in(count);
    for (uint32_t l = 0; l < label_count; ++l) next_of_label[l] = label_start[l];
    for (uint32_t i = 0; i < count; ++i) next_in[i] = in_start[i];
    uint32_t t = 0;
    for (uint32_t i = 0; i < count; ++i)
      for (const ARC *arc = states[i]->arcs; arc != nullptr; arc = arc->next, ++t) {
        tail[t] = i;
        cords.place(next_of_label[arc->label]++, t);
        incoming[next_in[state_index(arc->destination)]++] = t;
      }
  }
  cords.start_grouped(label_start.get(), label_count);

  Partition blocks(count);
  blocks.start_whole(count);
  for (uint32_t i = 0; i < count; ++i)
    if (states[i]->flags.final) blocks.mark(i, marks);
  blocks.cut(marks);

  // Block 0 is never used to cut: cutting a cord by block 1 also separates the arcs into
  // block 0, and every later block is used once.
  uint32_t next_block = 1, next_cord = 0;
  while (next_cord < cords.set_count()) {
    for (uint32_t i = cords.first(next_cord); i < cords.past(next_cord); ++i)
      blocks.mark(tail[cords.element(i)], marks);
    blocks.cut(marks);
    ++next_cord;
    while (next_block < blocks.set_count()) {
      for (uint32_t i = blocks.first(next_block); i < blocks.past(next_block); ++i) {
        uint32_t s = blocks.element(i);
        for (uint32_t j = in_start[s]; j < in_start[s + 1]; ++j) cords.mark(incoming[j], marks);
      }
      cords.cut(marks);
      ++next_block;
    }
  }
  for (uint32_t i = 0; i < count; ++i) class_of[i] = blocks.set_of(i);
  return blocks.set_count();
}

}  // namespace kora
