// Alphabets: sets of label ids, in binary form (a membership array indexed by id) or in label
// form (a list of ids).
#pragma once

#include <cstdint>

namespace kora {

struct ALPH {
  int len;          // binary form: one more than the largest possible member; label form: count
  int max;          // capacity of items
  uint32_t *items;  // binary form: 1 for members; label form: the member ids
  uint8_t type;     // 0 binary form, 1 label form
  uint8_t live;     // 1 while the alphabet exists
};

}  // namespace kora
