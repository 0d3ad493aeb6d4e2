// Net vectors.

#include "net-vector.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "boundary.h"
#include "error.h"

namespace kora {
namespace {

// The room in the network array of a vector of `length` entries.
int capacity_for(int length) {
  return static_cast<int>(std::bit_ceil(static_cast<unsigned>(std::max(length, 1))));
}

// Lengthens `nv` to `length` entries, nulling the new ones; the array moves only when the
// length passes its capacity.
void resize_nets(NV *nv, int length, const char *what) {
  const int capacity = capacity_for(length);
  if (capacity > capacity_for(nv->len)) {
    auto *nets = static_cast<NET **>(std::realloc(nv->nets, sizeof(NET *) * capacity));
    if (nets == nullptr) out_of_memory(what);
    nv->nets = nets;
  }
  std::fill(nv->nets + nv->len, nv->nets + length, nullptr);
  nv->len = length;
}

}  // namespace

NV *expand_nv(NV *nv, int extra) {
  if (nv != nullptr && extra > 0) resize_nets(nv, nv->len + extra, "EXPAND_NV");
  return nv;
}

NV *nv_of_net(NET *net) {
  NV *nv = make_nv(1);
  nv->nets[0] = net;
  return nv;
}

NV *nv_push_back(NET *net, NV *nv) {
  if (nv == nullptr) return nv_of_net(net);
  expand_nv(nv, 1);
  nv->nets[nv->len - 1] = net;
  return nv;
}

NV *nv_append(NV *a, NV *b) {
  if (a == nullptr) return b;
  if (b == nullptr) return a;
  const int old_length = a->len;
  resize_nets(a, old_length + b->len, "NV_APPEND");
  std::copy(b->nets, b->nets + b->len, a->nets + old_length);
  free_nv(b);
  return a;
}

void free_nets_of_nv(NV *nv) {
  if (nv == nullptr) return;
  for (int i = 0; i < nv->len; ++i) {
    free_network(nv->nets[i]);
    nv->nets[i] = nullptr;
  }
}

}  // namespace kora

extern "C" {

KORA_API NV *make_nv(int count) {
  return kora::guarded(__func__, nullptr, [&]() -> NV * {
    count = std::max(count, 0);
    auto *nv = static_cast<NV *>(std::calloc(1, sizeof(NV)));
    auto *nets = static_cast<NET **>(std::calloc(std::bit_ceil(static_cast<unsigned>(std::max(count, 1))), sizeof(NET *)));
    if (nv == nullptr || nets == nullptr) kora::out_of_memory("MAKE_NV");
    nv->len = count;
    nv->nets = nets;
    return nv;
  });
}

KORA_API void free_nv(NV *nv) {
  kora::guarded(__func__, [&] {
    if (nv == nullptr) return;
    std::free(nv->nets);
    std::free(nv);
  });
}

KORA_API void free_nv_and_nets(NV *nv) {
  kora::guarded(__func__, [&] {
    kora::free_nets_of_nv(nv);
    free_nv(nv);
  });
}

}  // extern "C"
