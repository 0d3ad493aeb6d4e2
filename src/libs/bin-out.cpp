// Writing networks to files (see bin-out.h).

#include "bin-out.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "alph.h"
#include "bin-objects.h"
#include "boundary.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "net-vector.h"
#include "optimize.h"
#include "prop-names.h"
#include "prop.h"
#include "struct.h"

namespace kora {
namespace {

constexpr uint32_t kNoIndex = UINT32_MAX;

// The labels of the network's arcs by descending count, ties by ascending id, followed by
// EPSILON and OTHER when no arc has them; `file_label` receives each one's position.
std::vector<uint32_t> symbol_tally(NET *net, std::vector<uint32_t> &file_label) {
  if (net->flags.compacted) {
    // The compaction label list as it is: the block's label indexes are the file's.
    const ALPH *list = net->auxiliary_alph;
    std::vector<uint32_t> labels(list->items, list->items + list->len);
    uint32_t largest = 0;
    for (uint32_t label : labels) largest = std::max(largest, label);
    file_label.assign(largest + 1, kNoIndex);
    for (uint32_t i = 0; i < labels.size(); i++) file_label[labels[i]] = i;
    return labels;
  }
  std::vector<uint32_t> counts;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label >= counts.size())
        counts.resize(std::max<size_t>(arc->label + 1, counts.size() * 2), 0);
      counts[arc->label]++;
    }
  std::vector<uint32_t> labels;
  for (uint32_t id = 0; id < counts.size(); id++)
    if (counts[id] > 0) labels.push_back(id);
  std::sort(labels.begin(), labels.end(), [&](uint32_t a, uint32_t b) {
    return counts[a] != counts[b] ? counts[a] > counts[b] : a < b;
  });
  for (uint32_t reserved : {EPSILON, OTHER})
    if (reserved >= counts.size() || counts[reserved] == 0) labels.push_back(reserved);
  uint32_t largest = *std::max_element(labels.begin(), labels.end());
  file_label.assign(largest + 1, kNoIndex);
  for (uint32_t i = 0; i < labels.size(); i++) file_label[labels[i]] = i;
  return labels;
}

// Numbers the atoms: EPSILON 0, OTHER 1, the symbols of the labels in ascending label order,
// then the rest of the sigma. A label component outside the sigma is reported and added to it.
std::vector<uint32_t> number_atoms(NET *net, const std::vector<uint32_t> &labels,
                                   std::vector<int64_t> &atom_index) {
  std::vector<uint32_t> atoms;
  atom_index.assign(label_count(), -1);
  atom_index[EPSILON] = 0;
  atom_index[OTHER] = 1;
  ALPH *sigma = net_sigma(net);
  auto number = [&](uint32_t symbol) {
    if (atom_index[symbol] >= 0) return;
    if (!test_alph_member(sigma, symbol)) {
      FILE *stream = message_stream();
      std::fputs("'", stream);
      print_label(symbol, stream, 0);
      std::fputs(
          "' appears as a label component but it is not in the sigma.\n"
          "    You must save the file again to correct the error.",
          stream);
      flush_message_as_warning();
      sigma = alph_add_to(sigma, symbol, 0);
      net->sigma = sigma;
    }
    atom_index[symbol] = static_cast<int64_t>(atoms.size()) + 2;
    atoms.push_back(symbol);
  };
  std::vector<uint32_t> ascending = labels;
  std::sort(ascending.begin(), ascending.end());
  for (uint32_t label : ascending) {
    if (label == EPSILON || label == OTHER) continue;
    if (label_arity(label) == 1) {
      number(label);
    } else {
      number(upper_id(label));
      number(lower_id(label));
    }
  }
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, sigma);
  for (uint32_t symbol = next_alph_item(&iterator); symbol != ID_NO_SYMBOL;
       symbol = next_alph_item(&iterator))
    if (symbol < atom_index.size() && label_arity(symbol) == 1) number(symbol);
  return atoms;
}

// The DEFINED_LISTS value for the list symbols of the sigma whose lists are defined, or null
// when there are none.
SEQUENCE *defined_lists_of(NET *net) {
  std::vector<uint32_t> names;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_sigma(net));
  for (uint32_t symbol = next_alph_item(&iterator); symbol != ID_NO_SYMBOL;
       symbol = next_alph_item(&iterator)) {
    LABEL *label = label_record(symbol);
    if (label == nullptr || label->flag == nullptr) continue;
    if (label->flag->action != LIST_ACTION && label->flag->action != EXCLUDE_LIST) continue;
    uint32_t name = label->flag->value;
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    if (defined_list(name) == nullptr) {
      FILE *stream = message_stream();
      std::fputs("*** Warning: list '", stream);
      print_label(name, stream, 0);
      std::fputs("' referred to by '", stream);
      print_label(symbol, stream, 0);
      std::fputs("' is undefined.", stream);
      flush_message_as_warning();
      continue;
    }
    names.push_back(name);
  }
  if (names.empty()) return nullptr;
  SEQUENCE *lists = NewSequence(OBJECT_TYPE, static_cast<int>(names.size()));
  for (size_t i = 0; i < names.size(); i++) {
    ALPH *list = defined_list(names[i]);
    std::vector<uint32_t> members{names[i]};
    ALPH_ITERATOR items;
    start_alph_iterator(&items, list);
    for (uint32_t id = next_alph_item(&items); id != ID_NO_SYMBOL; id = next_alph_item(&items))
      if (label_arity(id) == 1) members.push_back(id);
    SEQUENCE *strings = NewSequence(STRING_TYPE, static_cast<int>(members.size()));
    for (size_t j = 0; j < members.size(); j++)
      strings->data[j].string = fat_strdup(label_record(members[j])->name);
    lists->data[i].object = MAKE_OBJECT(LIST_TYPE, OBJ_VALUE{.sequence = strings});
  }
  return lists;
}

void write_properties(NET *net, ByteWriter &out) {
  std::vector<ByteWriter> written;
  for (PROP *prop = net_properties(net); prop != nullptr; prop = prop->next) {
    ByteWriter one;
    if (!fits_in_file(prop->key)) {
      error("A character above U+FFFF cannot be written to a network file.");
      continue;
    }
    one.put_string(prop->key, fat_strlen(prop->key));
    if (write_object(one, prop->value)) written.push_back(std::move(one));
  }
  out.put_number(static_cast<int64_t>(written.size()));
  for (ByteWriter &one : written) out.put_bytes(one.data(), one.size());
}

// The symbol names must fit in two bytes a character.
bool atoms_fit(const std::vector<uint32_t> &atoms) {
  for (uint32_t atom : atoms) {
    if (fits_in_file(label_record(atom)->name)) continue;
    FILE *stream = message_stream();
    std::fputs("The symbol '", stream);
    print_label(atom, stream, 0);
    std::fputs("' has a character above U+FFFF and cannot be written to a network file.", stream);
    flush_message_as_error();
    return false;
  }
  return true;
}

// The trailing length of a record of `written` bytes so far: the record's whole length, the
// length number included.
int64_t trailing_length(int64_t written) {
  int length = number_length(written);
  int64_t value = written + length;
  if (number_length(value) > length) value++;
  return value;
}

}  // namespace

int write_standard_record(NET *net, ByteWriter &out, BodyWriter body_writer) {
  BODY_WRITE work;
  std::vector<uint32_t> labels = symbol_tally(net, work.file_label);
  int arity = 1;
  for (uint32_t label : labels) arity = std::max(arity, label_arity(label));
  if (arity > 2) {
    error_printf("Labels of arity %d cannot be written to a network file.", arity);
    return 1;
  }
  if (net->flags2.is_virtual) {
    arity = net->arity;
  } else if (arity != net->arity) {
    warning_printf("check_net_arity: Wrong arity. Marked as %d, should be %d. Fixed.\n", net->arity,
                   arity);
    net->arity = static_cast<int16_t>(arity);
  }
  std::vector<int64_t> atom_index;
  std::vector<uint32_t> atoms = number_atoms(net, labels, atom_index);
  if (!atoms_fit(atoms)) return 1;
  if (SEQUENCE *lists = defined_lists_of(net))
    add_list_prop(net, standard_name("DEFINED_LISTS"), lists);

  ByteWriter body;
  work.progress = context()->show_progress != 0;
  if (body_writer(net, body, &work) != 0) return 1;
  if (net->flags.pruned && work.states_written != net->num_states)
    warning_printf("network_to_stream: state count mismatch. Difference is %d.",
                   static_cast<int>(net->num_states - work.states_written));
  if (net->flags.pruned && work.arcs_written != net->num_arcs)
    warning_printf("network_to_stream: arc count mismatch. Difference is %d.",
                   static_cast<int>(net->num_arcs - work.arcs_written));

  out.put_number(work.states_written);
  out.put_number(work.arcs_written);
  out.put_number(file_flag_word(net));
  write_properties(net, out);
  out.put_number(static_cast<int64_t>(atoms.size()));
  out.put_number(STRING_TYPE);
  for (uint32_t atom : atoms) {
    const uint32_t *name = label_record(atom)->name;
    out.put_string(name, fat_strlen(name));
  }
  out.put_number(static_cast<int64_t>(labels.size()));
  out.put_number(arity);
  for (uint32_t label : labels) {
    if (arity == 1) {
      out.put_number(atom_index[label]);
    } else if (label_arity(label) == 1) {
      out.put_number(atom_index[label]);
      out.put_number(atom_index[label]);
    } else if (upper_id(label) == OTHER && lower_id(label) == OTHER) {
      out.put_number(-1);
      out.put_number(-1);
    } else {
      out.put_number(atom_index[upper_id(label)]);
      out.put_number(atom_index[lower_id(label)]);
    }
  }
  out.put_bytes(body.data(), body.size());
  return 0;
}

int write_standard_body(NET *net, ByteWriter &out, BODY_WRITE *work) {
  for (STATE *state = net->states; state != nullptr; state = state->next)
    state->client_cell = nullptr;
  STATE *start = net->start;
  if (start == nullptr) return 0;
  auto number_of = [](STATE *state) { return reinterpret_cast<uintptr_t>(state->client_cell); };
  uintptr_t next = 1;
  start->client_cell = reinterpret_cast<void *>(next++);
  ProgressBar bar(work->progress, net->num_arcs);
  std::vector<ARC *> stack;
  if (start->arcs != nullptr) stack.push_back(start->arcs);
  while (!stack.empty()) {
    ARC *arc = stack.back();
    stack.pop_back();
    STATE *destination = arc->destination;
    uint8_t flags = (arc->next == nullptr ? ARC_ITEM_LAST : 0) |
                    (destination->flags.final ? ARC_ITEM_FINAL : 0);
    out.put_arc_item(work->file_label[arc->label], flags);
    work->arcs_written++;
    bar.arc_done();
    if (arc->next != nullptr) stack.push_back(arc->next);
    if (number_of(destination) == 0) {
      destination->client_cell = reinterpret_cast<void *>(next++);
      if (destination->arcs != nullptr) {
        stack.push_back(destination->arcs);
        continue;
      }
    }
    out.put_number(static_cast<int64_t>(number_of(destination) - 1));
  }
  work->states_written = static_cast<uint32_t>(next - 1);
  bar.finish("\n");
  return 0;
}

int network_to_stream(NET *net, ByteWriter &out) {
  const size_t start = out.size();
  FORMAT_TABLE &table = format_table();
  NET *copy = nullptr;
  int status;
  if (net->flags2.vantel_compressed) {
    status = table.other_writer(net, out, nullptr);
  } else if (net->flags2.is_virtual) {
    status = table.virtual_writer(net, out, nullptr);
  } else if (net->flags.compacted) {
    status = table.compacted_writer(net, out, nullptr);
  } else if (net->flags.tabular) {
    warning(
        "Network contains a transition table which cannot be written to a file in this "
        "implementation.");
    status = 1;
  } else {
    NET *written = net;
    if (net->flags.shared_arc_lists) {
      warning(
          "Network has shared arc lists. This property cannot be preserved\nin a file. "
          "Saving as an optimized network instead.");
      written = copy = copy_fsm(net);
      if (copy != nullptr) optimize_arcs_quietly(copy);
    } else if (net->flags2.has_arc_vectors) {
      written = copy = copy_fsm(net);  // a plain copy: files hold arc lists
    }
    status = written == nullptr ? 1 : write_standard_record(written, out, table.standard_writer);
  }
  if (copy != nullptr) free_network(copy);
  if (status != 0) {
    out.bytes().resize(start);
    return 1;
  }
  out.put_number(trailing_length(static_cast<int64_t>(out.size() - start)));
  return 0;
}

int encode_nets(NV *nv, const char *file_name, int type, ByteWriter &out) {
  if (nv == nullptr) return 3;
  int present = 0;
  for (int i = 0; i < nv->len; i++) present += nv->nets[i] != nullptr && nv->nets[i]->flags2.live;
  if (present < nv->len) {
    error_printf("Only %d nets present. Cannot write %d.", present, nv->len);
    return 1;
  }
  if (!write_header(out, type, 0, nullptr, nv->len, nv->len > 0 ? nv->nets[0] : nullptr)) return 1;
  FILE_HEADER &header = last_file_header();
  const size_t table = static_cast<size_t>(header.header_length);
  for (int i = 0; i < nv->len; i++) {
    const size_t offset = out.size();
    if (network_to_stream(nv->nets[i], out) != 0) continue;
    header.locations[i] = static_cast<uint32_t>(offset);
    if (header.type != FILE_TYPE_OLD && header.type != FILE_TYPE_NO_TABLE)
      out.patch_u32(table + 4 * static_cast<size_t>(i), static_cast<uint32_t>(offset));
  }
  out.patch_u32(0, static_cast<uint32_t>(out.size()));
  header.total_length = static_cast<int64_t>(out.size());
  header.file_name = file_name == nullptr ? "" : file_name;
  return 0;
}

int save_nets_typed(NV *nv, const char *file_name, int type) {
  ByteWriter out;
  if (int status = encode_nets(nv, file_name, type, out); status != 0) return status;
  FILE *file = open_expanded(file_name, "wb");
  if (file == nullptr) {
    error_printf("Cannot open '%s'.", file_name == nullptr ? "" : file_name);
    return 9;
  }
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Opening output file '%s'\n", file_name);
  bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    error("Write error. No space on device? Aborting.");
    return 9;
  }
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Closing output file '%s'\n", file_name);
  return 0;
}

void install_standard_writer() { format_table().standard_writer = write_standard_body; }

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int save_nets(NV *nv, const char *file_name, FST_CONTEXT *) {
  return guarded(__func__, 1, [&]() -> int {
    return save_nets_typed(nv, file_name, 0);
  });
}

KORA_API unsigned char *save_net_to_memory(NET *net, size_t *length, FST_CONTEXT *) {
  return guarded(__func__, nullptr, [&]() -> unsigned char * {
    if (length != nullptr) *length = 0;
    if (net == nullptr || length == nullptr) {
      error("save_net_to_memory: Unexpected NULL argument.");
      return nullptr;
    }
    NV *nv = nv_of_net(net);
    ByteWriter out;
    int status = encode_nets(nv, "", 0, out);
    free_nv(nv);
    if (status != 0) return nullptr;
    auto *bytes = static_cast<unsigned char *>(std::malloc(out.size()));
    if (bytes == nullptr) out_of_memory("SAVE_NET_TO_MEMORY");
    std::memcpy(bytes, out.data(), out.size());
    *length = out.size();
    return bytes;
  });
}

KORA_API int save_net(NET *net, const char *file_name, FST_CONTEXT *) {
  return guarded(__func__, 1, [&]() -> int {
    if (net == nullptr) return 3;
    NV *nv = nv_of_net(net);
    int status = save_nets_typed(nv, file_name, 0);
    free_nv(nv);
    return status;
  });
}

KORA_API void set_save_time(long long seconds) {
  guarded(__func__, [&] { set_fixed_time(seconds < 0 ? -1 : static_cast<int64_t>(seconds)); });
}

}  // extern "C"
