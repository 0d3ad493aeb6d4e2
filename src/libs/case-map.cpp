// Simple case mappings of the characters below U+2000, looked up in a table of runs.

#include "case-map.h"

#include <algorithm>
#include <iterator>

namespace kora {
namespace {

constexpr uint32_t kLimit = 0x2000;

// Every stride-th code from first to last maps to code + delta.
struct CaseRun {
  uint32_t first;
  uint32_t last;
  int32_t delta;
  uint32_t stride;
};

#include "case-table.inc"

template <size_t N>
uint32_t map_code(const CaseRun (&runs)[N], uint32_t code) {
  if (code >= kLimit) return code;
  // The last run that starts at or before `code`.
  const CaseRun *after = std::upper_bound(std::begin(runs), std::end(runs), code,
                                          [](uint32_t c, const CaseRun &run) { return c < run.first; });
  if (after == std::begin(runs)) return code;
  const CaseRun &run = *(after - 1);
  if (code > run.last || (code - run.first) % run.stride != 0) return code;
  return static_cast<uint32_t>(static_cast<int32_t>(code) + run.delta);
}

}  // namespace

uint32_t simple_upper(uint32_t code) { return map_code(kUpperRuns, code); }
uint32_t simple_lower(uint32_t code) { return map_code(kLowerRuns, code); }

}  // namespace kora
