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
// Cost: O(E log V) time. Space: about 4 (8V + 8E) bytes, all freed on return.
// Tested in tests/operations/minimize_test.cpp.

#include "minimize-classes.h"

namespace kora {
namespace {

// A refinable partition of the elements 0 .. size-1. The elements of set s are
// elements[first .. past-1] of its range; an element's position and set are kept side by side,
// as are a set's bounds and its count of marked elements, so that marking an element touches
// two records rather than five arrays: the walks below are bound by memory, not arithmetic.
class Partition {
 public:
  explicit Partition(uint32_t size)
      : elements_(size), places_(size), sets_(size), touched_(size) {}

  uint32_t set_count() const { return set_count_; }
  uint32_t first(uint32_t set) const { return sets_[set].first; }
  uint32_t past(uint32_t set) const { return sets_[set].past; }
  uint32_t element(uint32_t position) const { return elements_[position]; }
  uint32_t set_of(uint32_t e) const { return places_[e].set; }

  // One set holding every element in the order 0 .. size-1.
  void start_whole(uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) {
      elements_[i] = i;
      places_[i] = Place{i, 0};
    }
    sets_[0] = Range{0, size, 0};
    set_count_ = size > 0 ? 1 : 0;
  }

  // Builds the partition from a grouping: group_start[g] .. group_start[g+1]-1 are the
  // positions of group g, already filled through place(); empty groups make no set.
  void place(uint32_t position, uint32_t e) {
    elements_[position] = e;
    places_[e].position = position;
  }
  void start_grouped(const uint32_t *group_start, uint32_t groups) {
    set_count_ = 0;
    for (uint32_t g = 0; g < groups; ++g) {
      if (group_start[g] == group_start[g + 1]) continue;
      sets_[set_count_] = Range{group_start[g], group_start[g + 1], 0};
      for (uint32_t i = group_start[g]; i < group_start[g + 1]; ++i)
        places_[elements_[i]].set = set_count_;
      ++set_count_;
    }
  }

  // Moves e among the marked elements at the front of its set; marking twice does nothing.
  void mark(uint32_t e) {
    Place &place = places_[e];
    Range &range = sets_[place.set];
    uint32_t i = place.position, j = range.first + range.marked;
    if (i < j) return;
    uint32_t displaced = elements_[j];
    elements_[i] = displaced;
    places_[displaced].position = i;
    elements_[j] = e;
    place.position = j;
    if (range.marked++ == 0) touched_[touched_count_++] = place.set;
  }

  // Cuts every set that has marked and unmarked elements in two; the smaller part becomes a
  // new set. Clears the marks.
  void cut() {
    while (touched_count_ > 0) {
      uint32_t s = touched_[--touched_count_];
      Range &range = sets_[s];
      uint32_t j = range.first + range.marked;
      range.marked = 0;
      if (j == range.past) continue;
      uint32_t z = set_count_++;
      if (j - range.first <= range.past - j) {
        sets_[z] = Range{range.first, j, 0};
        range.first = j;
      } else {
        sets_[z] = Range{j, range.past, 0};
        range.past = j;
      }
      for (uint32_t i = sets_[z].first; i < sets_[z].past; ++i) places_[elements_[i]].set = z;
    }
  }

 private:
  struct Place {
    uint32_t position;  // in elements_
    uint32_t set;
  };
  struct Range {
    uint32_t first, past;  // the set's positions in elements_
    uint32_t marked;       // how many of them are marked, zero between cuts
  };
  WorkArray<uint32_t> elements_;
  WorkArray<Place> places_;
  WorkArray<Range> sets_;
  WorkArray<uint32_t> touched_;  // the sets with marked elements
  uint32_t set_count_ = 0, touched_count_ = 0;
};

}  // namespace

uint32_t cyclic_classes(STATE *const *states, uint32_t count, uint32_t label_count,
                        uint32_t *class_of) {
  // Arcs are numbered by destination (a counting sort), so the arcs entering a state are the
  // numbers in_start[s] .. in_start[s+1]-1 and cutting the cords by a block walks runs of
  // neighbouring elements; tail[t] is the source of arc t. The cords start as the arcs of each
  // label (a counting sort by label).
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
  const uint32_t arc_count = in_start[count];

  WorkArray<uint32_t> tail(arc_count);
  Partition cords(arc_count);
  {
    WorkArray<uint32_t> next_of_label(label_count);
    WorkArray<uint32_t> next_in(count);
    for (uint32_t l = 0; l < label_count; ++l) next_of_label[l] = label_start[l];
    for (uint32_t i = 0; i < count; ++i) next_in[i] = in_start[i];
    for (uint32_t i = 0; i < count; ++i)
      for (const ARC *arc = states[i]->arcs; arc != nullptr; arc = arc->next) {
        uint32_t t = next_in[state_index(arc->destination)]++;
        tail[t] = i;
        cords.place(next_of_label[arc->label]++, t);
      }
  }
  cords.start_grouped(label_start.get(), label_count);

  Partition blocks(count);
  blocks.start_whole(count);
  for (uint32_t i = 0; i < count; ++i)
    if (states[i]->flags.final) blocks.mark(i);
  blocks.cut();

  // Block 0 is never used to cut: cutting a cord by block 1 also separates the arcs into
  // block 0, and every later block is used once.
  uint32_t next_block = 1, next_cord = 0;
  while (next_cord < cords.set_count()) {
    for (uint32_t i = cords.first(next_cord); i < cords.past(next_cord); ++i)
      blocks.mark(tail[cords.element(i)]);
    blocks.cut();
    ++next_cord;
    while (next_block < blocks.set_count()) {
      for (uint32_t i = blocks.first(next_block); i < blocks.past(next_block); ++i) {
        uint32_t s = blocks.element(i);
        for (uint32_t t = in_start[s]; t < in_start[s + 1]; ++t) cords.mark(t);
      }
      cords.cut();
      ++next_block;
    }
  }
  for (uint32_t i = 0; i < count; ++i) class_of[i] = blocks.set_of(i);
  return blocks.set_count();
}

}  // namespace kora
