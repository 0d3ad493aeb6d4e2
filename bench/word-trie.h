// The trie of a word list built with the library's internal builders, for the benchmarks that
// need a large network quickly (bench/minimize_words.cpp, bench/file_io.cpp,
// bench/compose_words.cpp). Header-only.
#pragma once

#include <cstdint>
#include <string>

#include "alph.h"
#include "kora.h"
#include "struct.h"

namespace bench {

// The trie of the lines of `text` (a final line without newline counts; empty lines are
// skipped), over the labels label_of[byte]. With `tag_of`, each word's path goes on with an arc
// labelled tag_of(word) to a final state of its own (the word's state is not made final; a word
// listed twice gets its tag arc once), so the network maps each word to itself followed by its
// tag. With `used`, used[byte] is set for every byte that occurs in a word.
template <typename TagOf = std::nullptr_t>
NET *build_trie(const std::string &text, const uint32_t *label_of, TagOf tag_of = nullptr,
                bool *used = nullptr) {
  NET *net = make_empty_net();
  net->start = kora::make_state(nullptr, net);
  bool own_used[256] = {};
  if (used == nullptr) used = own_used;
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *end = p + text.size();
  while (p < end) {
    STATE *state = net->start;
    const unsigned char *line = p;
    for (; p < end && *p != '\n'; ++p) {
      uint32_t label = label_of[*p];
      used[*p] = true;
      // Words come sorted, so the arc wanted is nearly always the last one made, at the head.
      ARC *arc = state->arcs;
      while (arc != nullptr && arc->label != label) arc = arc->next;
      if (arc == nullptr) {
        arc = kora::alloc_arc(label, kora::make_state(nullptr, net), net);
        kora::push_arc(arc, state);
      }
      state = arc->destination;
    }
    if (p > line) {
      if constexpr (std::is_same_v<TagOf, std::nullptr_t>) {
        state->flags.final = 1;
      } else {
        uint32_t tag = tag_of(std::string(reinterpret_cast<const char *>(line), p - line));
        ARC *arc = state->arcs;
        while (arc != nullptr && arc->label != tag) arc = arc->next;
        if (arc == nullptr) {
          STATE *tagged = kora::make_state(nullptr, net);
          tagged->flags.final = 1;
          kora::push_arc(kora::alloc_arc(tag, tagged, net), state);
        }
        alph_add_to(net->labels, tag, 0);
        alph_add_to(net->sigma, kora::lower_id(tag), 0);
        net->arity = 2;
      }
    }
    ++p;
  }
  for (int byte = 0; byte < 256; ++byte) {
    if (!used[byte]) continue;
    alph_add_to(net->labels, label_of[byte], 0);
    alph_add_to(net->sigma, label_of[byte], 0);
  }
  // True by construction: no EPSILON arc, every state on a word's path; one arc per label and
  // state unless a tag arc joins a word that is also a prefix (still deterministic: the tag
  // label differs from every byte label).
  net->flags.deterministic = 1;
  net->flags.epsilon_free = 1;
  net->flags.pruned = 1;
  net->flags.loop_free = 1;
  return net;
}

}  // namespace bench
