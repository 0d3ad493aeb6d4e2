// Writing networks as Prolog facts (write_prolog and write_prolog_nets, declared in kora.h).
//
// A file holds a coding line ("# -*- coding: utf-8 -*-", left out on the standard output when
// the interactive parameter is on), then for each network, with NAME its Prolog name and the
// states numbered from 0, the start state:
//
//   network(NAME).
//   symbol(NAME, "a").            one for each symbol of the sigma, in id order
//   arc(NAME, 0, 1, "a").         state by state, each state's arcs in list order
//   arc(NAME, 1, 2, "b":"0").     a pair: its upper and its lower symbol
//   final(NAME, 2).               the final states in number order
//
// Inside the quotes EPSILON is 0 and OTHER ?; the symbols named "0" and "?" are written %0 and
// %?; in names "%" is written %%, a double quote \", a backslash \\, and a newline, carriage
// return or tab \n, \r, \t; every other character as itself in the output encoding, which
// becomes UTF-8 for the file when ISO-8859-1 cannot write a symbol or a name.
//
// The Prolog name is the network's NETWORKNAME, when it is a string of 1 to 78 characters, lower
// case, with every character that would end an atom (blanks, , . : ( ) ! ") written "_"; else,
// and when that name is taken by an earlier network of the file or has the form of a generated
// one, "net_" followed by a number of the network in hexadecimal (prolog_numbers in
// prolog-out.h), which the reader does not take for a name.
//
// Method: the network (or its plain copy, for another representation) has its state list put in
// the standard order (state-order.h), which numbers the states breadth first from the start
// state; the facts follow that order. Time O(V + E + S log S) for S sigma symbols, plus the
// characters written; space O(V) for the numbers and one line at a time.

#include "prolog-out.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "case-map.h"
#include "context.h"
#include "error.h"
#include "label.h"
#include "prop-names.h"
#include "prop.h"
#include "scratch.h"
#include "state-order.h"
#include "text-write.h"

namespace kora {
namespace {

constexpr int kLongestName = 78;

// The NETWORKNAME of the network when the Prolog name is made from it, else null.
const uint32_t *usable_name(const NET *net) {
  const OBJECT *value = get_prop(net, standard_name("NETWORKNAME"));
  if (value == nullptr || value->type != STRING_TYPE || value->value.string == nullptr)
    return nullptr;
  const int length = fat_strlen(value->value.string);
  return length > 0 && length <= kLongestName ? value->value.string : nullptr;
}

unsigned long long prolog_number(const NET *net) {
  auto [entry, added] = prolog_numbers.numbers.try_emplace(net, prolog_numbers.next);
  if (added) prolog_numbers.next++;
  return entry->second;
}

// Whether a name or a symbol of the network has a character that ISO-8859-1 cannot write.
bool needs_utf8(NET *net, const NET *named) {
  if (needs_unicode(net)) return true;
  const uint32_t *name = usable_name(named);
  for (const uint32_t *c = name; c != nullptr && *c != 0; ++c)
    if (simple_lower(*c) > 0xFF) return true;
  return false;
}

// The Prolog name of `named` (see the top of the file); `taken` holds the names given to the
// earlier networks of the file and receives this one.
std::string prolog_name(const NET *named, bool utf8, std::set<std::string> *taken) {
  std::string name;
  if (const uint32_t *own = usable_name(named)) {
    for (const uint32_t *c = own; *c != 0; ++c) {
      if (ends_prolog_atom(*c))
        name += '_';
      else
        append_output_code(simple_lower(*c), utf8, &name);
    }
    if (is_generated_prolog_name(name.data(), name.size()) || taken->count(name) > 0) name.clear();
  }
  if (name.empty()) {
    char generated[32];
    std::snprintf(generated, sizeof generated, "net_%llx", prolog_number(named));
    name = generated;
  }
  taken->insert(name);
  return name;
}

// Appends the symbol `id` between double quotes.
void append_symbol(uint32_t id, bool utf8, std::string *out) {
  *out += '"';
  const LABEL *label = label_record(id);
  if (id == EPSILON || id == OTHER || label == nullptr || label->arity != 1) {
    *out += id == OTHER ? '?' : '0';
  } else {
    const uint32_t *name = label->name;
    if ((name[0] == '0' || name[0] == '?') && name[1] == 0) *out += '%';
    for (const uint32_t *c = name; *c != 0; ++c) {
      switch (*c) {
        case '%': *out += "%%"; break;
        case '"': *out += "\\\""; break;
        case '\\': *out += "\\\\"; break;
        case '\n': *out += "\\n"; break;
        case '\r': *out += "\\r"; break;
        case '\t': *out += "\\t"; break;
        default: append_output_code(*c, utf8, out);
      }
    }
  }
  *out += '"';
}

// Writes the facts of one network; `net` is its plain form, `named` the caller's network,
// whose name it gets. False when the stream failed.
bool write_facts(NET *net, const NET *named, bool utf8, std::set<std::string> *taken,
                 FILE *stream) {
  const std::string name = prolog_name(named, utf8, taken);
  std::string line;
  line.append("network(").append(name).append(").\n");
  std::vector<uint32_t> symbols;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_sigma(net));
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    symbols.push_back(id);
  std::sort(symbols.begin(), symbols.end());
  for (uint32_t id : symbols) {
    line.append("symbol(").append(name).append(", ");
    append_symbol(id, utf8, &line);
    line.append(").\n");
  }
  std::fwrite(line.data(), 1, line.size(), stream);
  number_states_for_listing(net);
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    const std::string from = std::to_string(state_number(state));
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      line.assign("arc(").append(name).append(", ").append(from).append(", ");
      line.append(std::to_string(state_number(arc->destination))).append(", ");
      append_symbol(upper_id(arc->label), utf8, &line);
      if (label_arity(arc->label) > 1) {
        line += ':';
        append_symbol(lower_id(arc->label), utf8, &line);
      }
      line.append(").\n");
      std::fwrite(line.data(), 1, line.size(), stream);
    }
  }
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    if (!state->flags.final) continue;
    line.assign("final(").append(name).append(", ");
    line.append(std::to_string(state_number(state))).append(").\n");
    std::fwrite(line.data(), 1, line.size(), stream);
  }
  clear_client_cells(net);
  return std::ferror(stream) == 0;
}

int write_prolog_file(NV *nv, const char *file_name) {
  const char *shown = file_name == nullptr ? "stdout" : file_name;
  bool missing = nv == nullptr;
  for (int i = 0; !missing && i < nv->len; i++) missing = nv->nets[i] == nullptr;
  if (missing) {
    error_printf("No network to write to '%s'.", shown);
    return 1;
  }
  // Every network is checked, and the encoding chosen, before the file is opened.
  std::vector<std::unique_ptr<PlainForm>> plain;
  bool utf8 = context()->out_char_encoding == KORA_UTF8;
  for (int i = 0; i < nv->len; i++) {
    NetLabelMap map(nv->nets[i]);
    plain.push_back(std::make_unique<PlainForm>(nv->nets[i]));
    if (plain.back()->get() == nullptr) return 1;
    utf8 = utf8 || needs_utf8(plain.back()->get(), nv->nets[i]);
  }
  const bool verbose = parameter(KORA_VERBOSE) != 0;
  FILE *stream = stdout;
  if (file_name != nullptr) {
    stream = std::fopen(file_name, "wb");
    if (stream == nullptr) {
      error_printf("Cannot open '%s'.", file_name);
      return 1;
    }
    if (verbose) std::fprintf(stderr, "Opening output file '%s'\n", file_name);
  }
  if (file_name != nullptr || parameter(KORA_INTERACTIVE) == 0)
    std::fprintf(stream, "# -*- coding: %s -*-\n", utf8 ? "utf-8" : "iso-8859-1");
  std::set<std::string> taken;
  bool written = true;
  for (int i = 0; i < nv->len; i++) {
    NetLabelMap map(nv->nets[i]);
    written = write_facts(plain[i]->get(), nv->nets[i], utf8, &taken, stream) && written;
  }
  if (file_name != nullptr) {
    written = std::fclose(stream) == 0 && written;
    if (verbose) std::fprintf(stderr, "Closing '%s'\n", file_name);
  } else {
    written = std::fflush(stream) == 0 && written;
  }
  if (!written) {
    error_printf("Cannot write to '%s'.", shown);
    return 1;
  }
  return 0;
}

}  // namespace

bool is_generated_prolog_name(const char *name, size_t length) {
  if (length <= 4 || std::string(name, 4) != "net_") return false;
  for (size_t i = 4; i < length; i++)
    if (std::isxdigit(static_cast<unsigned char>(name[i])) == 0) return false;
  return true;
}

void forget_prolog_number(NET *net) {
  if (!prolog_numbers.numbers.empty()) prolog_numbers.numbers.erase(net);
}

void forget_prolog_numbers() { prolog_numbers = PrologNumbers(); }

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int write_prolog_nets(NV *nv, const char *file_name) {
  return guarded(__func__, 1, [&]() -> int { return write_prolog_file(nv, file_name); });
}

KORA_API int write_prolog(NET *net, const char *file_name) {
  return guarded(__func__, 1, [&]() -> int {
    NET *nets[1] = {net};
    NV one = {1, nets};
    return write_prolog_file(net == nullptr ? nullptr : &one, file_name);
  });
}

}  // extern "C"
