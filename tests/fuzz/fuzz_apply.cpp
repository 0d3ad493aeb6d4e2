// Applies a small analyser (multi-character symbols, flag diacritics, an inserted network, a
// list, OTHER and an epsilon cycle) and one without flags or OTHER to arbitrary text, down and
// up, as a string and as a stream of lines, in both encodings, and cuts the text with
// tokenize_string.

#include <cstdint>
#include <cstdio>
#include <string>

#include "alph.h"
#include "kora.h"
#include "lab-vect.h"
#include "label.h"
#include "pars-tbl.h"

namespace {

void ignore(const char *, const char *, int) {}

uint32_t sym(const char *name) { return kora::symbol_id(name); }

// c a t [+Noun:0 | @P.N.pl@ +Pl:s] with an inserted network, a list flag, OTHER and an epsilon
// cycle on the way.
NET *analyser() {
  NET *middle = string_to_net("xy", 0);
  define_net("Middle", middle, 0);
  ALPH *vowels = kora::make_alph(0, KORA_BINARY_ALPH);
  alph_add_to(vowels, 'a', 0);
  alph_add_to(vowels, sym("\xC3\xA9"), 0);
  define_symbol_list("V", vowels);
  NET *net = make_empty_net();
  STATE *s[6];
  for (int i = 0; i < 6; i++) s[i] = add_state_to_net(net, i == 5);
  net->start = s[0];
  add_arc_to_state(net, s[0], 'c', s[1], nullptr, 0);
  add_arc_to_state(net, s[1], sym("@L.V@"), s[2], nullptr, 0);
  add_arc_to_state(net, s[1], sym("@I.Middle@"), s[2], nullptr, 0);
  add_arc_to_state(net, s[2], 't', s[3], nullptr, 0);
  add_arc_to_state(net, s[2], KORA_OTHER, s[3], nullptr, 0);
  add_arc_to_state(net, s[3], kora::pair_id(sym("+Noun"), KORA_EPSILON), s[5], nullptr, 0);
  add_arc_to_state(net, s[3], sym("@P.N.pl@"), s[4], nullptr, 0);
  add_arc_to_state(net, s[4], kora::pair_id(sym("+Pl"), 's'), s[5], nullptr, 0);
  add_arc_to_state(net, s[4], KORA_EPSILON, s[3], nullptr, 0);
  add_arc_to_state(net, s[5], sym("@R.N.pl@"), s[5], nullptr, 0);
  return net;
}

// The same words without flags or OTHER, searched the shorter way: a wide deterministic start
// state (a to l, and "ch"), a multi-byte character, and the epsilon cycle.
NET *flag_free_analyser() {
  NET *net = make_empty_net();
  STATE *s[6];
  for (int i = 0; i < 6; i++) s[i] = add_state_to_net(net, i == 5);
  net->start = s[0];
  for (char c = 'a'; c <= 'l'; c++) add_arc_to_state(net, s[0], c, s[1], nullptr, 0);
  add_arc_to_state(net, s[0], sym("ch"), s[1], nullptr, 0);
  add_arc_to_state(net, s[1], 'a', s[2], nullptr, 0);
  add_arc_to_state(net, s[1], sym("\xC3\xA9"), s[2], nullptr, 0);
  add_arc_to_state(net, s[2], 't', s[3], nullptr, 0);
  add_arc_to_state(net, s[3], kora::pair_id(sym("+Noun"), KORA_EPSILON), s[5], nullptr, 0);
  add_arc_to_state(net, s[3], KORA_EPSILON, s[4], nullptr, 0);
  add_arc_to_state(net, s[4], kora::pair_id(sym("+Pl"), 's'), s[5], nullptr, 0);
  add_arc_to_state(net, s[4], KORA_EPSILON, s[3], nullptr, 0);
  return net;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static FST_CONTEXT *context = [] {
    set_warning_function(ignore);
    set_error_function(ignore);
    FST_CONTEXT *made = initialize_kora();
    int_parameters()->word[KORA_VERBOSE] = 0;
    return made;
  }();
  static NET *nets[2] = {analyser(), flag_free_analyser()};
  if (size > 4096) return 0;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  int_parameters()->word[KORA_APPLY_BOTH_SIDES] = size % 3 == 0;
  std::string text(reinterpret_cast<const char *>(data), size);

  for (int run = 0; run < 4; run++) {  // each network down and up
    APPLY_CONTEXT *applyer = init_apply(nets[run / 2], run % 2, nullptr);
    apply_to_string(text.c_str(), applyer);
    FILE *stream = fmemopen(text.data(), text.size(), "r");
    if (stream != nullptr) {
      init_apply_to_stream(stream, applyer);
      while (next_apply_output(applyer) != nullptr) {
      }
      std::fclose(stream);
    }
    free_applyer(applyer);
  }

  LAB_VECTOR *ids = kora::make_lab_vector(16);
  kora::PARSE_TABLE *table = kora::get_parse_table(nets[0], 0);
  kora::tokenize_string(text.c_str(), table, ids);
  kora::free_lab_vector(ids);
  return 0;
}
