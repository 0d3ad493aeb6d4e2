// Reading networks from files (see bin-in.h).

#include "bin-in.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "alph.h"
#include "bin-objects.h"
#include "boundary.h"
#include "compact-arcs.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "net-vector.h"
#include "optimize.h"
#include "platform.h"
#include "print.h"
#include "prop-names.h"
#include "prop.h"
#include "struct.h"
#include "twol.h"
#include "virtual-net.h"

namespace kora {
namespace {

bool cp1252_option() {
  return context()->in_char_encoding == KORA_LATIN1 && parameter(KORA_REPORT_BAD_CHARS) != 0;
}

// Defines the lists of a DEFINED_LISTS value; false, reported, when it is not a list of lists
// of strings.
bool define_file_lists(const OBJECT *value) {
  if (value->type != LIST_TYPE || value->value.sequence == nullptr) {
    error("The value of 'DEFINED_LISTS' should be a list of lists.");
    return false;
  }
  const SEQUENCE *lists = value->value.sequence;
  for (int i = 0; i < lists->length; i++) {
    const SEQUENCE *strings = nullptr;
    if (lists->element_type == OBJECT_TYPE) {
      const OBJECT *list = lists->data[i].object;
      if (list != nullptr && list->type == LIST_TYPE) strings = list->value.sequence;
    } else if (lists->element_type == LIST_TYPE) {
      strings = lists->data[i].sequence;
    }
    if (strings == nullptr) {
      error("Expecting a list of lists.");
      return false;
    }
    if (strings->element_type != STRING_TYPE || strings->length < 1) {
      error("Expecting a list of strings.");
      return false;
    }
    uint32_t ids[2];
    ALPH *members = make_alph(0, KORA_BINARY_ALPH);
    for (int j = 0; j < strings->length; j++) {
      FAT_STR name = fat_strdup(strings->data[j].string);
      ids[j == 0 ? 0 : 1] = ID_NO_SYMBOL;
      intern_fat_symbol(&ids[j == 0 ? 0 : 1], name);
      std::free(name);
      if (j > 0 && ids[1] != ID_NO_SYMBOL) members = alph_add_to(members, ids[1], 0);
    }
    if (ids[0] == ID_NO_SYMBOL || ids[0] == EPSILON) {
      free_alph(members);
      continue;
    }
    define_list_by_id(ids[0], members, 0);
  }
  return true;
}

bool read_properties(NET *net, ByteReader &in) {
  int64_t count = in.get_number();
  if (!in.check_count(count)) return false;
  const bool cp1252 = cp1252_option();
  for (int64_t i = 0; i < count; i++) {
    FAT_STR key = in.get_string(in.get_number(), cp1252);
    if (key == nullptr) return false;
    OBJECT *value = get_object(in, cp1252);
    if (value == nullptr) {
      std::free(key);
      return false;
    }
    const bool lists = fat_strcmp(key, standard_name("DEFINED_LISTS")) == 0;
    if (lists && !define_file_lists(value)) {
      std::free(key);
      free_object(value);
      in.fail();
      return false;
    }
    add_prop(net, key, value);
    std::free(key);
  }
  return !in.failed();
}

// The atoms of the record as symbol ids by file index (EPSILON 0, OTHER 1 first).
bool read_atoms(ByteReader &in, std::vector<uint32_t> &symbols) {
  int64_t count = in.get_number();
  int64_t type = in.get_number();
  if (in.failed()) return false;
  if (type != STRING_TYPE) {
    if (type >= INTEGER_TYPE && type <= BYTE_BLOCK_TYPE)
      error_printf("get_atoms: Unimplemented object type %d", static_cast<int>(type));
    else
      error_printf("get_atoms: Illegal symbol type %d", static_cast<int>(type));
    in.fail();
    return false;
  }
  if (!in.check_count(count)) return false;
  symbols.assign({EPSILON, OTHER});
  symbols.reserve(static_cast<size_t>(count) + 2);
  const bool cp1252 = cp1252_option();
  for (int64_t i = 0; i < count; i++) {
    FAT_STR name = in.get_string(in.get_number(), cp1252);
    if (name == nullptr) return false;
    uint32_t id = ID_NO_SYMBOL;
    int status = intern_fat_symbol(&id, name);
    std::free(name);
    if (status != 0) {
      in.fail();
      return false;
    }
    symbols.push_back(id);
  }
  return true;
}

// The label table of the record as label ids by file index.
bool read_labels(ByteReader &in, const std::vector<uint32_t> &symbols,
                 std::vector<uint32_t> &labels) {
  int64_t count = in.get_number();
  int64_t arity = in.get_number();
  if (in.failed()) return false;
  if (arity != 1 && arity != 2) {
    error_printf("get_alphabet: Illegal arity %d", static_cast<int>(arity));
    in.fail();
    return false;
  }
  if (!in.check_count(count)) return false;
  labels.reserve(static_cast<size_t>(count));
  auto symbol = [&](int64_t index, uint32_t *out) {
    if (index < 0) {
      error_printf("get_alphabet: Illegal negative label %d",
                   static_cast<int>(std::max<int64_t>(index, INT32_MIN)));
      return false;
    }
    if (static_cast<uint64_t>(index) >= symbols.size()) {
      error_printf("get_alphabet: No symbol at index %d",
                   static_cast<int>(std::min<int64_t>(index, INT32_MAX)));
      return false;
    }
    *out = symbols[static_cast<size_t>(index)];
    return true;
  };
  for (int64_t i = 0; i < count; i++) {
    int64_t upper_index = in.get_number();
    int64_t lower_index = arity == 2 ? in.get_number() : upper_index;
    if (in.failed()) return false;
    uint32_t label = ID_NO_SYMBOL;
    if (arity == 2 && upper_index == -1 && lower_index == -1) {
      intern_pair(&label, OTHER, OTHER);
    } else {
      uint32_t upper, lower;
      if (!symbol(upper_index, &upper) || !symbol(lower_index, &lower)) {
        in.fail();
        return false;
      }
      // Two equal indexes are the symbol itself (OTHER too: the pair OTHER:OTHER is -1, -1).
      if (upper_index == lower_index)
        label = upper;
      else if (intern_pair(&label, upper, lower) != 0) {
        in.fail();
        return false;
      }
    }
    labels.push_back(label);
  }
  return true;
}

// The label set, sigma, arity and determinism of a network whose arcs have been read; returns
// the number of symbols of the sigma.
size_t finish_alphabets(NET *net, const std::vector<uint32_t> &symbols,
                        const std::vector<uint32_t> &labels, const std::vector<uint8_t> &used) {
  free_alph(net->labels);
  free_alph(net->sigma);
  net->labels = make_alph(static_cast<int>(labels.size()), KORA_LABEL_ALPH);
  net->sigma = make_alph(0, KORA_BINARY_ALPH);
  bool other = false, epsilon = false;
  std::vector<bool> listed;
  for (size_t i = 0; i < labels.size(); i++) {
    if (!used[i]) continue;
    uint32_t label = labels[i];
    if (label == EPSILON) {
      epsilon = true;
      continue;
    }
    other = other || upper_id(label) == OTHER || lower_id(label) == OTHER;
    // A damaged file may list a label twice.
    if (label >= listed.size()) listed.resize(label + 1, false);
    if (!listed[label]) append_new_label(net->labels, label);
    listed[label] = true;
  }
  size_t sigma_size = 0;
  auto add_to_sigma = [&](uint32_t symbol) {
    if (test_alph_member(net->sigma, symbol)) return;
    net->sigma = alph_add_to(net->sigma, symbol, 0);
    sigma_size++;
  };
  for (size_t i = 2; i < symbols.size(); i++)
    if (symbols[i] != EPSILON) add_to_sigma(symbols[i]);
  if (other) add_to_sigma(OTHER);
  if (epsilon) net->flags.epsilon_free = 0;
  set_arity_from_labels(net);
  return sigma_size;
}

// Clears the marks of the network that what the reader saw of its body contradicts (see
// network_from_stream in bin-in.h); `sigma_size` is the number of symbols of its sigma.
void clear_contradicted_marks(NET *net, const BODY_READ &work, size_t sigma_size) {
  if (!work.cycle_free) net->flags.loop_free = 0;
  if (!work.all_deterministic) net->flags.deterministic = net->flags.minimized = 0;
  if (work.fewest_arcs < sigma_size) net->flags.completed = 0;
}

// Sets the has-flags marks of the sides whose symbols include flag diacritics.
void mark_flags(NET *net) {
  net->flags2.upper_has_flags = 0;
  net->flags2.lower_has_flags = 0;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net->labels);
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator)) {
    LABEL *upper = label_record(upper_id(label));
    LABEL *lower = label_record(lower_id(label));
    if (upper != nullptr && upper->flag != nullptr) net->flags2.upper_has_flags = 1;
    if (lower != nullptr && lower->flag != nullptr) net->flags2.lower_has_flags = 1;
  }
}

NET *empty_network() {
  NET *net = make_network();
  net->start = make_state(nullptr, net);
  net->labels = make_alph(0, KORA_LABEL_ALPH);
  net->sigma = make_alph(0, KORA_BINARY_ALPH);
  return net;
}

NET *fail_record(NET *net) {
  free_network(net);
  return nullptr;
}

// Cells of one heap for a reader that knows how many it expects: taken from the heap in runs
// of fresh cells as long as the cells still expected, so that each cell costs a pointer step
// (take<T> with T the heap's cell type). Cells taken and not used (the file promised more) go
// back to the heap.
class FreshCells {
 public:
  FreshCells(HEAP *heap, int64_t expected, const char *what)
      : heap_(heap), expected_(expected), what_(what) {}
  FreshCells(const FreshCells &) = delete;
  FreshCells &operator=(const FreshCells &) = delete;
  ~FreshCells() {
    for (; left_ > 0; left_--, next_ += heap_->cell_size) free_cell(next_, heap_);
  }

  template <typename T>
  T *take() {
    if (left_ == 0) refill();
    left_--;
    T *cell = reinterpret_cast<T *>(next_);
    next_ += sizeof(T);
    return cell;
  }

 private:
  void refill() {
    const unsigned wanted = static_cast<unsigned>(std::clamp<int64_t>(expected_, 1, UINT32_MAX));
    next_ = static_cast<std::byte *>(cell_run(heap_, wanted, &left_));
    if (next_ == nullptr) out_of_memory(what_);
    expected_ -= left_;
  }

  HEAP *heap_;
  int64_t expected_;
  const char *what_;
  std::byte *next_ = nullptr;
  unsigned left_ = 0;
};

// Reads the records at the file's locations (or one after the other for files without a
// location table) into a vector.
NV *read_networks(ByteReader &in, const char *name) {
  FILE_HEADER &header = last_file_header();
  header.file_name = name;
  const int type = header.type;
  const bool table = type != FILE_TYPE_OLD && type != FILE_TYPE_NO_TABLE;
  NV *nv = make_nv(0);
  // The vector is freed should a read give up the call (the networks in it are the call's, freed
  // by the boundary); it is handed out only when whole.
  std::unique_ptr<NV, void (*)(NV *)> vector(nv, free_nv);
  for (int i = 0; i < header.network_count; i++) {
    if (table) {
      uint32_t location = header.locations[static_cast<size_t>(i)];
      if (location == 0) continue;
      ByteReader record(in);
      if (location >= in.size()) {
        record.fail_eof();
        continue;
      }
      record.seek(location);
      if (NET *net = network_from_stream(record, type)) nv_push_back(net, nv);
    } else {
      NET *net = network_from_stream(in, type);
      if (net == nullptr) break;
      nv_push_back(net, nv);
    }
  }
  if (nv->len == 0) return nullptr;
  return vector.release();
}

// Marks the state deterministic unless two of its arcs share a label or one is EPSILON. `seen`
// has a slot per label id and holds no pointer to this state before the call.
void mark_deterministic(STATE *state, std::vector<const STATE *> &seen) {
  bool deterministic = true;
  for (ARC *arc = state->arcs; arc != nullptr && deterministic; arc = arc->next) {
    if (arc->label == EPSILON || seen[arc->label] == state) deterministic = false;
    seen[arc->label] = state;
  }
  state->flags.deterministic = deterministic;
}

}  // namespace

bool mark_deterministic_states(NET *net) {
  std::vector<const STATE *> seen(label_count(), nullptr);
  bool all = true;
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    mark_deterministic(state, seen);
    all = all && state->flags.deterministic;
  }
  return all;
}

// The body lists the arcs depth first from the start state: each arc item is followed either
// by the arc items of its destination, a new state (its first byte has bit 0x40), or by the
// destination's number in order of appearance (the next number being a new state without
// arcs). The states are linked in that order as they appear, so that the network owns them
// whatever happens next; a state is marked deterministic or not when its last arc is read,
// while its arcs are still at hand.
//
// The body is thus a depth-first walk, and the network has a cycle exactly when an arc refers
// back to a state on the path from the start state to the state being read. The states of that
// path are marked 1 (visit marks) while they are on it: a state leaves the path when the walk
// is back at a state above it, all its arcs and those of its new destinations read. Every state
// enters and leaves the path once, so the check adds O(V) to the read.
int read_standard_body(NET *net, ByteReader &in, BODY_READ *work) {
  std::vector<uint8_t> &used = work->used;
  used.assign(work->labels.size(), false);
  // Every state but the start takes at least one byte of the body.
  const int64_t most_states =
      std::min<int64_t>(work->state_count, static_cast<int64_t>(in.remaining()) + 1);
  std::vector<STATE *> states;
  states.reserve(static_cast<size_t>(most_states));
  // States and arcs are made whole in registers and stored at once: a fresh cell is never read
  // before it is written (reading a page not yet written would map it twice).
  FreshCells state_cells(STATE_HEAP, most_states, "ALLOC_STATE");
  FreshCells arc_cells(ARC_HEAP, std::min<int64_t>(work->arc_count, in.remaining()), "ARC_ALLOC");
  auto fresh_state = [&](bool final) {
    STATE made{};
    made.flags.is_state = 1;
    made.flags.deterministic = 1;
    made.flags.live = 1;
    made.flags.final = final;
    STATE *state = state_cells.take<STATE>();
    *state = made;
    states.push_back(state);
    return state;
  };
  STATE *start = fresh_state(work->start_final);
  net->states = start;
  net->start = start;
  STATE *newest = start;
  auto new_state = [&](uint8_t flags) {
    STATE *state = fresh_state((flags & ARC_ITEM_FINAL) != 0);
    newest->next = state;
    newest = state;
    return state;
  };
  struct Open {
    STATE *state;
    ARC *last;
    size_t arcs;
  };
  // The states whose arcs are still being read, the last one's next; each is on `path`.
  std::vector<Open> open;
  std::vector<STATE *> path;
  auto enter = [&](STATE *state) {
    open.push_back({state, nullptr, 0});
    path.push_back(state);
    state->flags.visit_mark = 1;
  };
  auto leave_path_above = [&](const STATE *state) {
    for (; path.back() != state; path.pop_back()) path.back()->flags.visit_mark = 0;
  };
  work->all_deterministic = true;
  work->cycle_free = true;
  work->fewest_arcs = SIZE_MAX;
  std::vector<const STATE *> seen(label_count(), nullptr);
  // The state's arcs are all read: a single arc is deterministic unless it is EPSILON.
  auto close = [&](const Open &closed) {
    if (closed.last == closed.state->arcs)
      closed.state->flags.deterministic = closed.last->label != EPSILON;
    else
      mark_deterministic(closed.state, seen);
    work->all_deterministic = work->all_deterministic && closed.state->flags.deterministic;
    work->fewest_arcs = std::min(work->fewest_arcs, closed.arcs);
    open.pop_back();
  };
  ProgressBar bar(work->progress,
                  static_cast<uint32_t>(std::min<int64_t>(work->arc_count, UINT32_MAX)));
  int64_t arcs = 0;
  bool ok = true;
  if (work->arc_count > 0)
    enter(start);
  else
    work->fewest_arcs = 0;
  auto append = [&](Open &from, uint32_t label, STATE *destination) {
    ARC made{};
    made.label = label;
    made.destination = destination;
    made.flags.live = 1;
    ARC *arc = arc_cells.take<ARC>();
    *arc = made;
    if (from.last == nullptr)
      from.state->arcs = arc;
    else
      from.last->next = arc;
    from.last = arc;
    from.arcs++;
    arcs++;
    bar.arc_done();
  };
  while (!open.empty()) {
    leave_path_above(open.back().state);
    uint8_t flags = 0;
    uint32_t index = in.get_arc_item(&flags);
    if (in.failed()) {
      ok = false;
      break;
    }
    if (index >= work->labels.size()) {
      error_printf("get_arc: Bad label index %u", index);
      ok = false;
      break;
    }
    used[index] = true;
    const uint32_t label = work->labels[index];
    const bool last = flags & ARC_ITEM_LAST;
    if (in.peek() & 0x40) {
      STATE *destination = new_state(flags);
      append(open.back(), label, destination);
      if (last) close(open.back());
      enter(destination);
      continue;
    }
    int64_t reference = in.get_number();
    if (in.failed()) {
      ok = false;
      break;
    }
    if (reference < 0 || static_cast<uint64_t>(reference) > states.size()) {
      error_printf("get_arc: no state at loc %lld", static_cast<long long>(reference));
      ok = false;
      break;
    }
    if (static_cast<size_t>(reference) == states.size()) {
      new_state(flags);
      work->fewest_arcs = 0;
    }
    STATE *destination = states[static_cast<size_t>(reference)];
    if (destination->flags.visit_mark == 1) work->cycle_free = false;
    append(open.back(), label, destination);
    if (last) close(open.back());
  }
  for (STATE *state : path) state->flags.visit_mark = 0;
  work->deterministic_marked = true;
  net->num_states = static_cast<uint32_t>(states.size());
  net->num_arcs = static_cast<uint32_t>(arcs);
  bar.finish(context()->eol_string == nullptr ? "\n" : context()->eol_string);
  if (!ok) {
    in.fail();
    return 1;
  }
  if (arcs != work->arc_count) {
    error_printf("get_arcs_and_states: Arc count mismatch. Difference is %lld.",
                 static_cast<long long>(work->arc_count - arcs));
    return 1;
  }
  if (static_cast<int64_t>(states.size()) != work->state_count) {
    error_printf("get_arcs_and_states: State count mismatch. Difference is %lld.",
                 static_cast<long long>(work->state_count - static_cast<int64_t>(states.size())));
    return 1;
  }
  return 0;
}

NET *network_from_stream(ByteReader &in, int file_type) {
  if (file_type != FILE_TYPE_OLD && file_type != FILE_TYPE_STANDARD &&
      file_type != FILE_TYPE_COMPACTED && file_type != FILE_TYPE_NO_TABLE) {
    error_printf("Unrecognized file type: %d.", file_type);
    return empty_network();
  }
  const size_t start = in.position();
  BODY_READ work;
  work.state_count = in.get_number();
  work.arc_count = in.get_number();
  int64_t word = in.get_number();
  if (in.failed()) return nullptr;
  NET *net = make_network();
  set_file_flags(net, static_cast<uint32_t>(word));
  if (net->flags2.is_virtual) net->flags.compacted = 0;
  work.start_final = (word & 0x100) != 0;
  if (!read_properties(net, in)) return fail_record(net);
  std::vector<uint32_t> symbols;
  if (!read_atoms(in, symbols) || !read_labels(in, symbols, work.labels)) return fail_record(net);

  FORMAT_TABLE &table = format_table();
  BodyReader reader = table.standard_reader;
  if (net->flags2.is_virtual)
    reader = table.virtual_reader;
  else if (net->flags.compacted)
    reader = table.compacted_reader;
  if (reader == table.standard_reader) {
    if (work.state_count == 0)
      warning_printf("network_from_stream: Number of expected states is %lld!",
                     static_cast<long long>(work.state_count));
    if (work.state_count < 0 || work.arc_count < 0) {
      error_printf("Read failed. Not enough memory for %lld states.",
                   static_cast<long long>(work.state_count));
      return fail_record(net);
    }
  }
  work.progress = context()->show_progress != 0 && parameter(KORA_VERBOSE) != 0;
  if (reader(net, in, &work) != 0) return fail_record(net);
  // A virtual network's alphabets are its operands' (virtual-net.h): the atoms and labels of its
  // record are not read into it.
  if (!net->flags2.is_virtual) {
    if (work.used.size() != work.labels.size()) work.used.assign(work.labels.size(), true);
    const size_t sigma_size = finish_alphabets(net, symbols, work.labels, work.used);
    if (!work.deterministic_marked) work.all_deterministic = mark_deterministic_states(net);
    clear_contradicted_marks(net, work, sigma_size);
  }

  int64_t expected = in.get_number();
  int64_t got = static_cast<int64_t>(in.position() - start);
  if (in.failed()) return fail_record(net);
  if (expected != got) {
    error_printf("network_from_stream: Byte count mismatch. Expected %lld, got %lld.",
                 static_cast<long long>(expected), static_cast<long long>(got));
    free_network(net);
    return empty_network();
  }
  if (file_type == FILE_TYPE_OLD) recover_sigma(net);
  if (net->flags.tabular) {
    error("File contains a transition tablewhich cannot be read in this implementation.");
    net->flags.tabular = 0;
    return fail_record(net);
  }
  mark_flags(net);
  if (!net->flags2.optimized && !net->flags.compacted && net->sigma != nullptr &&
      test_alph_member(net->sigma, ALTCHAIN_SYMBOL))
    rebuild_alternative_chains(net);
  return net;
}

NV *load_nets_from_bytes(const uint8_t *bytes, size_t size, const char *name) {
  if (probe_bytes(bytes, size) != 0) return nullptr;
  if (bytes[HEADER_TYPE_OFFSET] == FILE_TYPE_UNSUPPORTED) {
    ByteReader in(bytes, size);
    format_table().other_reader(nullptr, in, nullptr);
    return nullptr;
  }
  ByteReader probe(bytes, size);
  if (!get_header(probe, true)) {
    error_printf("Bad file header. '%s' cannot be loaded.", name);
    return nullptr;
  }
  ByteReader in(bytes, size);
  get_header(in, false);
  NV *nv = read_networks(in, name);
  if (parameter(KORA_VERBOSE)) {
    std::fprintf(stderr, "%s\n", last_file_header().time_text.c_str());
    std::fprintf(stderr, "Closing input file '%s'\n", name);
  }
  return nv;
}

namespace {

// Reads the file through a read-only mapping, in which the compacted networks read leave their
// blocks: the file stays mapped as long as one of them lives.
NV *load_nets_mapped(const char *file_name, const char *open_failure) {
  FILE *file = open_expanded(file_name, "rb");
  if (file == nullptr) {
    error_printf(open_failure, file_name);
    return nullptr;
  }
  auto *mapping = new SharedMapping;
  int failure = 0;
  const bool mapped = map_file(fileno(file), &mapping->file, &failure);
  std::fclose(file);
  if (!mapped) {
    delete mapping;
    error_printf("MAP_ARC_BLOCK: %s (%d)", std::strerror(failure), failure);
    return nullptr;
  }
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Opening input file '%s'\n", file_name);
  mapping->users = 1;
  NV *nv = nullptr;
  {
    MappedReading reading(mapping);
    nv = load_nets_from_bytes(mapping->file.bytes, mapping->file.size, file_name);
  }
  // The pages read here hold the headers and label lists, copied out by now, and the pages the
  // system mapped around them: given back, so that the networks' blocks take memory only for
  // the pages their lookups read.
  forget_file_pages(mapping->file);
  release_mapping(mapping);
  return nv;
}

}  // namespace

NV *load_nets_from(const char *file_name, const char *open_failure) {
  if (file_name != nullptr && context()->map_arc_blocks == 1)
    return load_nets_mapped(file_name, open_failure);
  std::vector<uint8_t> bytes;
  if (file_name == nullptr || !read_library_file(file_name, bytes)) {
    error_printf(open_failure, file_name == nullptr ? "" : file_name);
    return nullptr;
  }
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Opening input file '%s'\n", file_name);
  return load_nets_from_bytes(bytes.data(), bytes.size(), file_name);
}

void install_standard_reader() { format_table().standard_reader = read_standard_body; }

NET *first_net(NV *nv) {
  if (nv == nullptr) return nullptr;
  NET *first = nv->nets[0];
  for (int i = 1; i < nv->len; i++) free_network(nv->nets[i]);
  nv->len = 1;
  convert_twol_nets(nv, true);
  free_nv(nv);
  return first;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NV *load_nets(const char *file_name, FST_CONTEXT *) {
  return guarded(__func__, nullptr, [&]() -> NV * {
    return load_nets_from(file_name, "Cannot open input file '%s'.");
  });
}

KORA_API NET *load_net(const char *file_name, FST_CONTEXT *) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return first_net(load_nets_from(file_name, "Cannot open '%s'."));
  });
}

KORA_API NET *load_net_from_memory(const unsigned char *bytes, size_t length, FST_CONTEXT *) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (bytes == nullptr) {
      error("load_net_from_memory: Unexpected NULL argument.");
      return nullptr;
    }
    return first_net(load_nets_from_bytes(bytes, length, "memory"));
  });
}

KORA_API int print_file_info(const char *file_name, FILE *stream) {
  return guarded(__func__, 1, [&]() -> int {
    if (stream == nullptr) stream = stdout;
    NV *nv = load_nets_from(file_name, "Cannot open input file '%s'.");
    if (nv == nullptr) return 1;
    const FILE_HEADER &header = last_file_header();
    const char *eol = context()->eol_string == nullptr ? "\n" : context()->eol_string;
    std::fprintf(stream, "File: %s%s", file_name, eol);
    std::fprintf(stream, "Type: %d%s", header.type, eol);
    std::fprintf(stream, "Created: %s%s", header.time_text.c_str(), eol);
    std::fprintf(stream, "Notice: %s%s", header.notice.c_str(), eol);
    std::fprintf(stream, "Networks: %d (%d loaded)%s", header.network_count, nv->len, eol);
    STRING_BUFFER *buffer = make_thin_buffer(80);
    for (int i = 0; i < nv->len; i++) {
      NET *net = nv->nets[i];
      const OBJECT *name = get_prop(net, standard_name("NETWORKNAME"));
      std::fprintf(stream, "%d", i + 1);
      if (name != nullptr && name->type == STRING_TYPE && name->value.string != nullptr)
        std::fprintf(stream, " %s", fat_to_utf8(name->value.string, buffer));
      std::fputs(": ", stream);
      print_net_size(net, stream, eol);
      // The forms a file keeps: arc optimization and labelset reduction.
      if (net->flags2.optimized || net->flags2.reduced_labelset)
        std::fprintf(stream, "   Form: %s%s%s%s", net->flags2.optimized ? "arc-optimized" : "",
                     net->flags2.optimized && net->flags2.reduced_labelset ? ", " : "",
                     net->flags2.reduced_labelset ? "reduced labelset" : "", eol);
      if (net->flags2.is_virtual)
        std::fprintf(stream, "   Virtual: %s%s", virtual_net_description(net).c_str(), eol);
    }
    free_string_buffer(buffer);
    free_nv_and_nets(nv);
    return 0;
  });
}

}  // extern "C"
