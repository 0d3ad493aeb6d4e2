// Which side of a pattern network carries its closing tags, read through the public records
// alone: the kora tool's `patterns` command and the Python module's markup share it.
#pragma once

#include <cstdlib>
#include <cstring>

#include "kora.h"

namespace kora_tool {

// The side of the network that carries closing tags ("</name>"): 0 upper, 1 lower, -1 none.
// One look at each label's name on each side.
inline int tag_side(NET *net) {
  ALPH *labels = net_labels(net);
  if (labels == nullptr) return -1;
  for (int k = 0; k < labels->len; k++) {
    if (labels->type != KORA_LABEL_ALPH && labels->items[k] == 0) continue;
    const uint32_t label =
        labels->type == KORA_LABEL_ALPH ? labels->items[k] : static_cast<uint32_t>(k);
    for (int side = 0; side < 2; side++) {
      char *name = label_side_name(label, side);
      const size_t length = name == nullptr ? 0 : std::strlen(name);
      const bool tag = length >= 4 && std::strncmp(name, "</", 2) == 0 && name[length - 1] == '>';
      std::free(name);
      if (tag) return side;
    }
  }
  return -1;
}

}  // namespace kora_tool
