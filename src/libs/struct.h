// Networks, states and arcs: the records every network is made of, and the cell heaps that
// hold them.
#pragma once

#include <cstdint>

#include "alph.h"
#include "heap.h"

namespace kora {

struct ARC;

struct STATE {
  ARC *arcs;            // head of the state's arc list
  uint16_t flags;       // bit 0 is always 1 in a state (0 in an arc); see StateFlag
  STATE *next;          // next state of the network
  void *client_cell;    // data that algorithms attach; 0 at creation
};

struct ARC {
  STATE *destination;
  uint16_t flags;       // see ArcFlag
  uint32_t label;       // the low 24 bits are the label id
  ARC *next;            // next arc of the same state
};

// An arc that carries a user pointer; allocated from the "Big Arcs" heap.
struct BIG_ARC {
  ARC arc;
  void *user_pointer;
};

struct NET {
  ALPH *labels;
  ALPH *sigma;
  uint16_t flags;
  uint16_t flags2;
  int16_t arity;
  uint32_t definition_label;
  int match_table_count;
  void *label_map;
  void *upper_match_table;
  void *lower_match_table;
  void *upper_tables;
  void *lower_tables;
  ALPH *optimized_alph;
  ALPH *vectorized_alph;
  ALPH *unreduce_key;
  STATE *start;
  STATE *states;
  HEAP *arc_vector_heap;
  int arc_vector_count;
  void *properties;
  void *upper_parse_table;
  void *lower_parse_table;
  uint32_t num_states;
  uint32_t num_arcs;
  uint32_t block_size;
  ALPH *auxiliary_alph;
  void *virtual_info;
  void *mapping;
};

// The heaps of networks, states, arcs, big arcs and alphabets; null outside
// initialize_kora .. reclaim_kora.
extern HEAP *NET_HEAP;
extern HEAP *STATE_HEAP;
extern HEAP *ARC_HEAP;
extern HEAP *BIG_ARC_HEAP;
extern HEAP *ALPH_HEAP;

// Creates the heaps above, in the order "Networks", "Alphabets", "States", "Arcs", "Big Arcs".
void make_network_heaps();

// Forgets the heaps above (their memory goes with free_all_heaps).
void forget_network_heaps();

}  // namespace kora
