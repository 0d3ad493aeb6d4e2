// Saving every defined network to a file and defining the networks of a file (see
// defined-files.h).

#include "defined-files.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bin-in.h"
#include "bin-out.h"
#include "boundary.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "net-vector.h"
#include "prop-names.h"
#include "prop.h"

namespace kora {
namespace {

struct Collected {
  NV *nv;
  int limit;
  bool overflow;
};

void collect(uint32_t id, NET *net, void *data) {
  auto *collected = static_cast<Collected *>(data);
  if (collected->nv->len >= collected->limit) {
    if (!collected->overflow) error("Counting error in the definitions hash table.");
    collected->overflow = true;
    return;
  }
  add_string_prop(net, standard_name("NETWORKNAME"), fat_strdup(label_record(id)->name));
  add_character_prop(net, standard_name("TYPE"), 'D');
  nv_push_back(net, collected->nv);
}

// The id of the string NETWORKNAME of the network, or ID_NO_SYMBOL.
uint32_t network_name_id(NET *net) {
  const OBJECT *name = get_prop(net, standard_name("NETWORKNAME"));
  if (name == nullptr || name->type != STRING_TYPE || name->value.string == nullptr)
    return ID_NO_SYMBOL;
  FAT_STR copy = fat_strdup(name->value.string);
  uint32_t id = ID_NO_SYMBOL;
  intern_fat_symbol(&id, copy);
  std::free(copy);
  return id;
}

// Defines the networks of the file that carry a name; returns the vector's length (0 when
// nothing was read) and the ids of the names found, defined or not.
int define_file_networks(const char *file_name, std::vector<uint32_t> *names) {
  NV *nv = load_nets_from(file_name, "Cannot open input file '%s'.");
  if (nv == nullptr) {
    error("No definitions.");
    return 0;
  }
  const int count = nv->len;
  int defined = 0;
  for (int i = 0; i < count; i++) {
    NET *net = nv->nets[i];
    uint32_t id = network_name_id(net);
    if (names != nullptr && id != ID_NO_SYMBOL) names->push_back(id);
    if (id != ID_NO_SYMBOL && id != EPSILON &&
        define_net_by_id(id, net, parameter(KORA_READ_BY_DEFINITION)) == 0)
      defined++;
    else
      free_network(net);
  }
  free_nv(nv);
  if (defined == 0)
    warning_printf("File '%s' contained %d nets but no defined nets.", file_name, count);
  else if (defined < count)
    warning_printf("File '%s' contained %d nets but only %d were defined.", file_name, count,
                   defined);
  return count;
}

}  // namespace
}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int save_defined_nets(const char *file_name, int mode) {
  return guarded(__func__, 1, [&]() -> int {
    const int count = definition_count();
    if (count == 0) {
      warning("No definitions");
      return 1;
    }
    Collected collected{make_nv(0), count, false};
    list_definitions(collect, &collected);
    const bool verbose = parameter(KORA_VERBOSE) != 0;
    if (verbose)
      std::fprintf(stderr, "Opening output file '%s'.\n", file_name == nullptr ? "" : file_name);
    (void)mode;  // files are always written in the default type
    int status = save_nets_typed(collected.nv, file_name, 0);
    if (verbose) std::fprintf(stderr, "Closing '%s'.\n", file_name == nullptr ? "" : file_name);
    free_nv(collected.nv);
    return status == 0 ? 0 : status;
  });
}

KORA_API int load_defined_nets(const char *file_name) {
  return guarded(__func__, 1, [&]() -> int {
    return define_file_networks(file_name, nullptr) == 0 ? 1 : 0;
  });
}

KORA_API NET *load_defined_net(const char *name, const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (name == nullptr) return nullptr;
    std::vector<uint32_t> names;
    if (define_file_networks(file_name, &names) == 0) return nullptr;
    uint32_t id = symbol_id(name);
    bool found = false;
    for (uint32_t each : names) found = found || each == id;
    if (!found) {
      error_printf("No network named '%s' in '%s'.", name, file_name);
      return nullptr;
    }
    if (defined_net(id) == nullptr) {
      error_printf("No definition found for '%s'.", name);
      return nullptr;
    }
    return copy_defined_net(id);
  });
}

}  // extern "C"
