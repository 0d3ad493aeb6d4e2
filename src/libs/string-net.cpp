// The network of one string.

#include "string-net.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "context.h"
#include "error.h"
#include "label.h"
#include "modify.h"
#include "struct.h"
#include "utf8.h"

namespace kora {
namespace {

// A character of the string: its code (a byte value in ISO-8859-1) and the 1-based byte offset
// of its first byte.
struct Character {
  uint32_t code;
  int offset;
};

// A symbol on the path, with the offset of the text it was read from.
struct Symbol {
  uint32_t id;
  int offset;
};

// The bytes of the character `code` that utf8_decode read at `bytes`: a byte it could not
// decode gave ILLEGAL_UTF8_CODE for that byte alone.
int utf8_length(uint32_t code, const char *bytes) {
  if (code != ILLEGAL_UTF8_CODE) return utf8_char_size(code);
  char encoded[4];
  const int length = utf8_encode_char(code, encoded);
  return std::strncmp(bytes, encoded, length) == 0 ? length : 1;
}

// Buffers reused from one string to the next: a word list written as an expression makes a
// network per word.
struct Scratch {
  std::vector<uint32_t> codes;
  std::vector<Character> characters;
  std::vector<Symbol> symbols;
  std::vector<int> offsets;
  std::vector<uint32_t> labels;
  std::vector<uint32_t> path;
};
// Taken once per string: each access to a thread-local of a shared library is a call.
Scratch &scratch() {
  thread_local Scratch buffers;
  return buffers;
}

void read_characters(const char *string, bool utf8, Scratch &scratch,
                     std::vector<Character> *characters) {
  characters->clear();
  if (!utf8) {
    for (int i = 0; string[i] != 0; i++)
      characters->push_back({static_cast<unsigned char>(string[i]), i + 1});
    return;
  }
  std::vector<uint32_t> &codes = scratch.codes;
  codes.resize(std::strlen(string) + 1);
  const int count = utf8_decode(string, codes.data());
  int position = 0;
  for (int i = 0; i < count; i++) {
    characters->push_back({codes[i], position + 1});
    position += utf8_length(codes[i], string + position);
  }
}

// The symbol of a character read from the string.
uint32_t symbol_of_character(uint32_t code, bool utf8) {
  if (utf8) return character_symbol(code);
  uint32_t id = ID_NO_SYMBOL;
  intern_byte_symbol(&id, static_cast<unsigned char>(code));
  return id;
}

// The symbols of `string` into `out` (replacing what it held).
void read_symbols(const char *string, Scratch &scratch, std::vector<Symbol> *out) {
  const FST_CONTEXT *settings = context();
  const bool utf8 =
      settings->in_char_encoding == KORA_UTF8 || settings->out_char_encoding == KORA_UTF8;
  std::vector<Character> &characters = scratch.characters;
  read_characters(string, utf8, scratch, &characters);
  std::vector<Symbol> &symbols = *out;
  symbols.clear();
  for (const Character &character : characters) {
    const uint32_t id = symbol_of_character(character.code, utf8);
    if (id != ID_NO_SYMBOL) symbols.push_back({id, character.offset});
  }
}

// Adds to every OTHER arc the arcs for the other symbols of the sigma, so that OTHER also
// matches them.
void let_other_match_known_symbols(NET *net) {
  std::vector<uint32_t> list{OTHER};
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net->sigma);
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    if (id != OTHER) list.push_back(id);
  if (list.size() == 1) return;
  ALPH *replacement = labels_to_alph(list.data(), static_cast<int>(list.size()), KORA_LABEL_ALPH);
  substitute_worker(net, OTHER, replacement, 0, false, true);
  free_alph(replacement);
}

}  // namespace

uint32_t character_symbol(uint32_t code) {
  if (code >= 2 && code < 128) return code;
  uint32_t name[2] = {code, 0};
  uint32_t id = ID_NO_SYMBOL;
  intern_fat_symbol(&id, name);
  return id;
}

NET *path_net(const std::vector<uint32_t> &ids, const std::vector<int> *offsets) {
  NET *net = null_net();
  STATE *state = net->start;
  std::vector<uint32_t> &labels = scratch().labels;
  labels.clear();
  for (size_t i = 0; i < ids.size(); i++) {
    const uint32_t id = ids[i];
    STATE *next = alloc_state();
    state->next = next;
    net->num_states++;
    ARC *arc = offsets != nullptr
                   ? alloc_big_arc(id, next, reinterpret_cast<void *>(intptr_t{(*offsets)[i]}), net)
                   : alloc_arc(id, next, net);
    push_arc(arc, state);
    if (id == EPSILON) {
      state->flags.deterministic = 0;
      net->flags.deterministic = 0;
      net->flags.minimized = 0;
      net->flags.epsilon_free = 0;
    } else {
      labels.push_back(id);
      add_symbols_of_label(net->sigma, id);
      if (label_arity(id) > net->arity) net->arity = static_cast<int16_t>(label_arity(id));
    }
    state = next;
  }
  state->flags.final = 1;
  std::sort(labels.begin(), labels.end());
  labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
  free_alph(net->labels);
  net->labels = labels_to_alph(labels.data(), static_cast<int>(labels.size()), KORA_LABEL_ALPH);
  if (test_alph_member(net->sigma, OTHER)) let_other_match_known_symbols(net);
  return net;
}

void string_symbols(const char *string, std::vector<uint32_t> *ids) {
  Scratch &scratch = kora::scratch();
  read_symbols(string, scratch, &scratch.symbols);
  ids->clear();
  for (const Symbol &symbol : scratch.symbols) ids->push_back(symbol.id);
}

NET *make_string_net(const char *string, bool positions) {
  if (string == nullptr) {
    error("Unexpected NULL argument in string_to_net().");
    return nullptr;
  }
  Scratch &scratch = kora::scratch();
  read_symbols(string, scratch, &scratch.symbols);
  std::vector<uint32_t> &ids = scratch.path;
  ids.clear();
  std::vector<int> &offsets = scratch.offsets;
  offsets.clear();
  for (const Symbol &symbol : scratch.symbols) {
    ids.push_back(symbol.id);
    offsets.push_back(symbol.offset);
  }
  return path_net(ids, positions ? &offsets : nullptr);
}

}  // namespace kora

extern "C" {

KORA_API NET *string_to_net(const char *string, int positions) {
  return kora::guarded(__func__, nullptr, [&]() -> NET * {
    return kora::make_string_net(string, positions != 0);
  });
}

}  // extern "C"
