// Definitions of symbol names as networks and as symbol lists.
//
// Networks live in the definitions table (a hash table keyed by the name's label id, made on
// first use); lists live on the name's label. A name may have both kinds of definition only
// when they agree, which define_net_by_id and define_list_by_id check before they change
// anything. Every refusal leaves the definitions as they were.
//
// A network that refers to the name it is defined under (with parameter word 22 set) cannot be
// a regular definition as it stands; it is turned into a cycle: the reference is replaced by an
// EPSILON arc back to the start state, and every final state gets an EPSILON arc to where the
// reference led, so that the definition's language is entered again where it was named. Cost:
// one pass over the arcs, plus one arc scan of each final state per distinct destination of a
// reference.

#include "define.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "context.h"
#include "error.h"
#include "functions-table.h"
#include "hash-tbl.h"
#include "label.h"
#include "latin1.h"
#include "minimize.h"
#include "print.h"
#include "struct.h"

namespace kora {
namespace {

constexpr int kDefinitionBuckets = 50;

HASH_TABLE *definitions_table() {
  if (defined_networks == nullptr)
    defined_networks = make_hash_table(kDefinitionBuckets, "Definitions");
  return defined_networks;
}

NET *lookup_in(HASH_TABLE *table, uint32_t id) {
  return static_cast<NET *>(id_table_lookup(table, id));
}

// Frees `table` and then every network it held, each with its definition_label reset first so
// that free_network does not look for the definition.
void free_table_and_networks(HASH_TABLE *table) {
  if (table == nullptr) return;
  std::vector<void *> nets = hash_values(table);
  free_hash_table(table);
  for (void *value : nets) {
    NET *net = static_cast<NET *>(value);
    net->definition_label = ID_NO_SYMBOL;
    free_network(net);
  }
}

// The label of a symbol that can be defined: any symbol of the current map but EPSILON.
// Anything else is reported by `who` and gives null.
LABEL *definable_label(uint32_t id, const char *who) {
  LABEL *label = id != EPSILON ? label_record(id) : nullptr;
  if (label == nullptr || label->arity != 1) {
    error_printf("%s: %d is not a symbol that can be defined.", who, static_cast<int>(id));
    return nullptr;
  }
  return label;
}

// "The <defined_as> symbol '<name>' is also defined as a <also>." and that the two agree.
void warn_compatible(uint32_t id, const char *defined_as, const char *also) {
  FILE *stream = message_stream();
  std::fprintf(stream, "The %s symbol '", defined_as);
  print_label(id, stream, 0);
  std::fprintf(stream, "' is also defined as a %s.\n", also);
  std::fputs("    The two definitions are compatible.\n", stream);
  flush_message_as_warning();
}

// The refusal of a definition as `attempted` of a name defined as `defined_as`.
void report_incompatible(uint32_t id, const char *defined_as, const char *attempted) {
  FILE *stream = message_stream();
  std::fputc('\'', stream);
  print_label(id, stream, 0);
  std::fprintf(stream,
               "' has already been defined as a %s.\n"
               "    It cannot have an incompatible definition as a %s.\n"
               "    Please undefine the label first.\n",
               defined_as, attempted);
  flush_message_as_error();
}

// Whether the tuple `label` has `id` among its components.
bool has_component(uint32_t label, uint32_t id) {
  const LABEL *record = label_record(label);
  if (record == nullptr || record->arity < 2) return false;
  const uint32_t *components = record->tuple->components;
  return std::find(components, components + record->arity, id) != components + record->arity;
}

// Warns about every label of `net` that has `id` as a component; returns whether there was one.
bool warn_about_components(uint32_t id, NET *net) {
  bool found = false;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator)) {
    if (!has_component(label, id)) continue;
    found = true;
    FILE *stream = message_stream();
    std::fputs("Defined symbol '", stream);
    print_label(id, stream, 0);
    std::fputs("' occurs as a component in '", stream);
    print_label(label, stream, 0);
    std::fputs("'.\n", stream);
    flush_message_as_warning();
  }
  return found;
}

// Whether `state` has an EPSILON arc to `dest`.
bool has_epsilon_arc(const STATE *state, const STATE *dest) {
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
    if (arc->label == EPSILON && arc->destination == dest) return true;
  return false;
}

// Turns every arc labelled `id` into a cycle through the start state: an arc leaving the start
// state (or any such arc when there is no start state) is removed; any other is redirected to
// the start state as an EPSILON arc, and every final state other than the arc's former
// destination gets an EPSILON arc to that destination (once).
void rewrite_self_reference(uint32_t id, NET *net) {
  STATE *start = net->start;
  std::vector<STATE *> destinations;
  std::vector<STATE *> finals;
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    if (state->flags.final) finals.push_back(state);
    ARC **link = &state->arcs;
    while (*link != nullptr) {
      ARC *arc = *link;
      if (arc->label != id) {
        link = &arc->next;
      } else if (state == start || start == nullptr) {
        *link = arc->next;
        free_arc(arc);
        net->num_arcs--;
      } else {
        destinations.push_back(arc->destination);
        arc->label = EPSILON;
        arc->destination = start;
        state->flags.deterministic = 0;
        link = &arc->next;
      }
    }
  }
  std::sort(destinations.begin(), destinations.end());
  destinations.erase(std::unique(destinations.begin(), destinations.end()), destinations.end());
  for (STATE *dest : destinations)
    for (STATE *final : finals)
      if (final != dest && !has_epsilon_arc(final, dest))
        attach_arc(alloc_arc(EPSILON, dest, net), final, net);
  net->flags.deterministic = 0;
  net->flags.pruned = 0;
  net->flags.minimized = 0;
  net->flags.loop_free = 0;
  net->flags.epsilon_free = 0;
}

// The examination of a network about to be defined under `id`: components are warned about and
// a reference to the name itself is rewritten into a cycle, after which the name leaves the
// labels, and the sigma too unless a tuple label still has it. False, with the network
// unchanged, when its arcs are not in the plain representation.
bool examine_for_name(uint32_t id, NET *net) {
  const bool refers_to_itself = test_alph_member(net_labels(net), id) != 0;
  if (refers_to_itself && check_plain_net(net)) return false;
  const bool is_component = warn_about_components(id, net);
  if (!refers_to_itself) return true;
  rewrite_self_reference(id, net);
  alph_remove_from(net->labels, id, 0);
  if (!is_component) alph_remove_from(net_sigma(net), id, 0);
  min_fsm(net, 0);
  return true;
}

// A copy of `net` that belongs to the caller and is not the value of any definition.
NET *undefined_copy(NET *net) {
  NET *copy = copy_fsm(net);
  if (copy != nullptr) copy->definition_label = ID_NO_SYMBOL;
  return copy;
}

// The id of a thin name, or ID_NO_SYMBOL for a null name or one that cannot be interned.
uint32_t name_id(const char *name) {
  uint32_t id = ID_NO_SYMBOL;
  if (name != nullptr) intern_symbol(&id, name);
  return id;
}

void remove_list(LABEL *label) {
  free_alph(label->definition);
  label->definition = nullptr;
  label->definition_type = 0;
}

// Interns `name` and defines it as `alph` (handed over), replacing any list it had.
void define_named_list(const char *name, ALPH *alph) {
  uint32_t id = name_id(name);
  if (alph != nullptr) define_list_by_id(id, alph, 1);
}

}  // namespace

// --- Networks -------------------------------------------------------------------------------

int define_net_by_id(uint32_t id, NET *net, int check) {
  if (net == nullptr || definable_label(id, "define_net_by_id") == nullptr) return 1;
  ALPH *list = defined_list(id);
  if (list != nullptr) {
    if (!list_and_net_agree(list, net)) {
      report_incompatible(id, "list", "network");
      return 1;
    }
    warn_compatible(id, "list", "network");
  }
  if (check && !examine_for_name(id, net)) return 1;
  const uint32_t former_name = net->definition_label;
  if (former_name != ID_NO_SYMBOL && former_name != id && defined_net(former_name) == net)
    take_definition(former_name);
  NET *old = take_definition(id);
  if (old != net) free_network(old);
  net->definition_label = id;
  if (parameter(KORA_VERBOSE)) {
    std::printf("%s '", old != nullptr ? "Redefined" : "Defined");
    print_label(id, stdout, 0);
    std::fputs("': ", stdout);
    print_net_size(net, stdout, "\n");
  }
  if (id_table_insert(definitions_table(), id, net) != 0)
    out_of_memory("DEFINE_NET");
  forget_made(net);  // a definition outlives the call that made it, even a failed one
  return 0;
}

NET *defined_net(uint32_t id) {
  return id == EPSILON ? nullptr : lookup_in(defined_networks, id);
}

bool is_defined(uint32_t id) { return defined_net(id) != nullptr; }

NET *copy_defined_net(uint32_t id) {
  NET *net = defined_net(id);
  return net != nullptr ? undefined_copy(net) : nullptr;
}

NET *take_definition(uint32_t id) {
  NET *net = defined_net(id);
  if (net == nullptr) return nullptr;
  id_table_remove(defined_networks, id);
  net->definition_label = ID_NO_SYMBOL;
  return net;
}

int definition_count() { return defined_networks == nullptr ? 0 : defined_networks->entry_count; }

void list_definitions(void (*visit)(uint32_t id, NET *net, void *data), void *data) {
  if (defined_networks == nullptr || defined_networks->entry_count == 0) {
    std::fputs("No defined symbols.\n", stdout);
    return;
  }
  HASH_ITERATOR iterator;
  start_hash_iterator(&iterator, defined_networks);
  for (HASH_ENTRY *entry = next_hash_entry(&iterator); entry != nullptr;
       entry = next_hash_entry(&iterator))
    visit(key_id(entry->key), static_cast<NET *>(entry->value), data);
}

void forget_deleted_definition(NET *net) {
  const uint32_t id = net->definition_label;
  if (id == ID_NO_SYMBOL) return;
  if (lookup_in(defined_networks, id) != net) return;
  FILE *stream = message_stream();
  std::fputs("Undefined '", stream);
  print_label(id, stream, 0);
  std::fputs("' because the network got deleted.", stream);
  flush_message_as_warning();
  id_table_remove(defined_networks, id);
  net->definition_label = ID_NO_SYMBOL;
}

// --- Lists ----------------------------------------------------------------------------------

ALPH *defined_list(uint32_t id) {
  const LABEL *label = id != EPSILON ? label_record(id) : nullptr;
  return label != nullptr && label->arity == 1 ? label->definition : nullptr;
}

int define_list_by_id(uint32_t id, ALPH *alph, int replace) {
  LABEL *label = definable_label(id, "define_list_by_id");
  if (label == nullptr || alph == nullptr) {
    free_alph(alph);
    return 1;
  }
  if (alph == label->definition) return 0;
  label_to_binary(alph);
  NET *net = defined_net(id);
  if (net != nullptr) {
    if (!list_and_net_agree(alph, net)) {
      report_incompatible(id, "network", "list");
      free_alph(alph);
      return 1;
    }
    warn_compatible(id, "network", "list");
  }
  const bool redefined = label->definition != nullptr;
  if (redefined) {
    if (!replace && test_equal_alphs(label->definition, alph)) {
      free_alph(alph);
      return 0;
    }
    remove_list(label);
  }
  label->definition = alph;
  label->definition_type = LIST_DEFINITION;
  if (parameter(KORA_VERBOSE)) {
    std::printf("%s list ", redefined ? "Redefined" : "Defined");
    print_label(id, stdout, 0);
    std::fputc('\n', stdout);
  }
  return 0;
}

void define_latin1_lists() {
  INT_PARAMETERS *parameters = int_parameters();
  const int32_t verbose = parameters->word[KORA_VERBOSE];
  parameters->word[KORA_VERBOSE] = 0;
  for (const char *name : LATIN1_CLASS_NAMES) define_named_list(name, latin1_list(name));
  define_named_list("delim", make_delim_list());
  parameters->word[KORA_VERBOSE] = verbose;
}

bool list_and_net_agree(ALPH *list, NET *net) {
  if (list == nullptr || net == nullptr || net->start == nullptr || check_plain_net(net))
    return false;
  NET *of_list = min_fsm(alphabet_net(list), 0);
  NET *copy = min_fsm(copy_fsm(net), 0);
  bool agree = copy != nullptr && test_equivalent(of_list, copy) == 1;
  free_network(of_list);
  free_network(copy);
  return agree;
}

// --- The end --------------------------------------------------------------------------------

void free_definitions() {
  free_table_and_networks(defined_networks);
  defined_networks = nullptr;
  free_function_table();
  for (uint32_t id = 0; id < label_count(); ++id) {
    LABEL *label = label_record(id);
    if (label != nullptr && label->arity == 1 && label->definition != nullptr) remove_list(label);
  }
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int define_net(const char *name, NET *net, int copy) {
  return guarded(__func__, 1, [&]() -> int {
    if (net == nullptr) {
      error("Null network in 'define_net()'.");
      return 1;
    }
    const uint32_t id = name_id(name);
    if (id == ID_NO_SYMBOL) return 1;
    NET *defined = copy == 1 ? undefined_copy(net) : net;
    if (defined == nullptr) return 1;
    const int status = define_net_by_id(id, defined, parameter(KORA_READ_BY_DEFINITION));
    if (status != 0 && defined != net) free_network(defined);
    return status;
  });
}

KORA_API NET *get_net(const char *name, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (name == nullptr) return nullptr;
    NET *defined = defined_net(name_id(name));
    if (defined == nullptr) {
      error_printf("No definition for '%s'.", name);
      return nullptr;
    }
    return copy == 1 ? undefined_copy(defined) : defined;
  });
}

KORA_API NET *net(const char *name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return get_net(name, 0);
  });
}

KORA_API int undefine_net(const char *name) {
  return guarded(__func__, 1, [&]() -> int {
    if (name == nullptr) return 3;
    NET *defined = take_definition(name_id(name));
    if (defined == nullptr) {
      error_printf("No definition for '%s'.", name);
      return 3;
    }
    free_network(defined);
    if (parameter(KORA_VERBOSE)) std::printf("Undefined '%s',\n", name);
    return 0;
  });
}

KORA_API int define_symbol_list(const char *name, ALPH *alph) {
  return guarded(__func__, 1, [&]() -> int {
    if (name == nullptr || alph == nullptr) return 1;
    const uint32_t id = name_id(name);
    if (id == ID_NO_SYMBOL) return 1;
    label_to_binary(alph);
    return define_list_by_id(id, copy_alph(alph), 1);
  });
}

KORA_API ALPH *get_symbol_list(const char *name, int copy) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (name == nullptr) return nullptr;
    ALPH *list = defined_list(name_id(name));
    if (list == nullptr) {
      error_printf("'%s' has no list definition.", name);
      return nullptr;
    }
    return copy == 1 ? copy_alph(list) : list;
  });
}

KORA_API ALPH *symbol_list(const char *name) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    return get_symbol_list(name, 0);
  });
}

KORA_API int undefine_symbol_list(const char *name) {
  return guarded(__func__, 1, [&]() -> int {
    if (name == nullptr) return 1;
    const uint32_t id = name_id(name);
    if (defined_list(id) == nullptr) {
      error_printf("'%s' has not been defined as a symbol_list.", name);
      return 1;
    }
    remove_list(label_record(id));
    return 0;
  });
}

}  // extern "C"
