// The canonical form of a minimal deterministic automaton, shared by bench/calculus_ops.cpp and
// its OpenFst peer so that the two results can be compared without a common file format.
//
// Labels are given as codes: a character's Unicode code point, and kOtherCode for the symbol
// that stands for every character outside the alphabet. States are numbered in breadth-first
// order from the start state, taking each state's arcs in increasing order of code; a minimal
// deterministic automaton has exactly one such numbering, so two equal minimal automata give
// the same sequence of (final, arc count, code, destination number) and the same hash. Cost:
// O(E log E) for sorting each state's arcs. Header-only.
#pragma once

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace measure {

constexpr uint32_t kOtherCode = 0x110000;

struct CanonicalForm {
  uint64_t states = 0, arcs = 0, finals = 0, hash = 1469598103934665603ull;

  void mix(uint64_t value) {
    for (int i = 0; i < 8; ++i) {
      hash ^= (value >> (8 * i)) & 0xFF;
      hash *= 1099511628211ull;
    }
  }
  std::string line() const {
    char text[160];
    std::snprintf(text, sizeof text, "states=%llu arcs=%llu finals=%llu hash=%016llx",
                  static_cast<unsigned long long>(states), static_cast<unsigned long long>(arcs),
                  static_cast<unsigned long long>(finals), static_cast<unsigned long long>(hash));
    return text;
  }
};

// The canonical form of the automaton whose start state is `start`; Walk(state, final, arcs)
// sets *final and fills `arcs` with the (code, destination) pairs of a state. State is any
// hashable handle.
template <typename State, typename Walk>
CanonicalForm canonical_form(State start, Walk walk) {
  CanonicalForm form;
  std::unordered_map<State, uint64_t> number{{start, 0}};
  std::deque<State> queue{start};
  std::vector<std::pair<uint32_t, State>> arcs;
  while (!queue.empty()) {
    State state = queue.front();
    queue.pop_front();
    bool final = false;
    arcs.clear();
    walk(state, &final, &arcs);
    std::sort(arcs.begin(), arcs.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    form.states++;
    form.finals += final;
    form.arcs += arcs.size();
    form.mix(final);
    form.mix(arcs.size());
    for (const auto &[code, destination] : arcs) {
      auto [it, added] = number.try_emplace(destination, number.size());
      if (added) queue.push_back(destination);
      form.mix(code);
      form.mix(it->second);
    }
  }
  return form;
}

// Gives the heap's free memory back to the system and resets the peak resident memory of this
// process (Linux 4.0 and later), so that the peak read afterwards is the peak of what follows,
// with what is resident now (the operands) counted in and what was freed before left out.
inline void reset_peak_memory() {
  malloc_trim(0);
  if (FILE *file = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", file);
    std::fclose(file);
  }
}

// The peak resident memory of this process since it started or since reset_peak_memory, in KiB.
inline long peak_resident_kib() {
  FILE *file = std::fopen("/proc/self/status", "r");
  if (file == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, file) != nullptr)
    if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
  std::fclose(file);
  return kib;
}

// The code points of UTF-8 text (the lists are valid UTF-8; a stray byte counts as itself).
inline std::vector<uint32_t> code_points(const std::string &text) {
  std::vector<uint32_t> codes;
  for (size_t i = 0; i < text.size();) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    uint32_t code = extra == 0 ? byte : byte & (0x3F >> extra);
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra) && i + j < text.size(); ++j)
      code = (code << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3F);
    codes.push_back(code);
    i += j;
  }
  return codes;
}

}  // namespace measure
