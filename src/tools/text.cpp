// kora text [--words | --spaced] NETWORK: writes the words of a network back as a word list on
// the standard output, or its paths as spaced text when a word list cannot hold them exactly
// or when the network was read from spaced text. A word list has one character per symbol and
// no way to write EPSILON or OTHER, so a transducer, a multi-character symbol, OTHER and an
// EPSILON arc each call for spaced text, which writes every symbol unambiguously ("0" and "?"
// alone are EPSILON and OTHER, "%0" and "%?" the symbols).

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// Whether a symbol name (UTF-8) is more than one character.
bool multi_character(const char *name) {
  size_t characters = 0;
  for (const char *at = name; *at != '\0'; at++)
    if ((static_cast<unsigned char>(*at) & 0xC0) != 0x80) characters++;
  return characters > 1;
}

// Whether a word list writes every path of the automaton as it is. Costs one look at each
// symbol of the sigma.
bool fits_word_list(NET *net) {
  if (NET_arity(net) != 1) return false;
  ALPH *labels = net_labels(net);
  ALPH *sigma = net_sigma(net);
  if (labels == nullptr || sigma == nullptr || test_alph_member(labels, KORA_EPSILON) ||
      test_alph_member(sigma, KORA_OTHER))
    return false;
  const bool binary = ALPH_type(sigma) == KORA_BINARY_ALPH;
  for (int i = 0; i < ALPH_len(sigma); i++) {
    if (binary && ALPH_item(sigma, i) == 0) continue;
    char *name = label_side_name(binary ? static_cast<uint32_t>(i) : ALPH_item(sigma, i), 0);
    // The arcs that end an arc-optimized state's list are no path symbols.
    const bool marker = net->flags2.optimized && name != nullptr &&
                        std::strcmp(name, "*ALTCHAIN*") == 0;
    const bool fits = name != nullptr && (marker || !multi_character(name));
    std::free(name);
    if (!fits) return false;
  }
  return true;
}

}  // namespace

int text_command(int argc, char **argv) {
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {}, 1, &source, files)) return usage();
  NET *net = read_network(files[0], source);
  if (net == nullptr) return 1;
  bool as_spaced = source == Source::spaced || !fits_word_list(net);
  int status = as_spaced ? write_spaced_text(net, nullptr) : write_text(net, nullptr);
  free_network(net);
  return status;
}

}  // namespace kora_tool
