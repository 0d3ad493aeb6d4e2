// The regular-expression compiler: reading expressions from strings and files through the
// grammar (regex-grammar.y), the error report of the parser, and the constructions its rules call.
//
// Each construction takes its operand networks over and calls the calculus in its consuming
// form, so a network lives on the parse stack until the rule that uses it; the result of the
// whole expression lands in the parser's result slot. Constructions without an operation of
// their own in the calculus:
//   A < B    the complement of [$B $A]: no string of B before a string of A (A > B mirrors it);
//   \A       [? - A], the single symbols outside A;
//   $.A      $A minus the strings with two occurrences of A: two occurrences start at different
//            places, ?* [[A ?*] & [?+ A ?*]] ?*, or at one place with different ends,
//            ?* [A & [A ?+]] ?* (A must not hold the empty string);
//   $?A      [~$A] | [$.A];
//   A./.B    B ignored inside the strings of A only: the dummy symbol D marks the places
//            inside, [A / D] - [D ?*] - [?* D], and each D is then replaced by a string of B
//            (the lower side of the composition with [[\D] | [D .x. B]]*); languages only.
// The cost is that of the calculus operations called; parsing itself is linear in the text.
// Tested in tests/regex/.

#include "regex-in.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "fat-str.h"
#include "flag-marks.h"
#include "functions.h"
#include "label.h"
#include "merge.h"
#include "minimize.h"
#include "modify.h"
#include "net-vector.h"
#include "priority-union.h"
#include "regex-include.h"
#include "regex-scanner.h"
#include "struct.h"

namespace kora {
namespace {

// What follow_regex_token keeps of the tokens read: for each open bracket (the expression
// itself at the bottom) whether a replace arrow stands in it, and the last token.
struct TokenTrail {
  std::vector<bool> rule_in_bracket{false};
  RegexToken last = RegexToken::END_OF_INPUT;
};

TokenTrail &token_trail() {
  static TokenTrail trail;
  return trail;
}

// The result of one parse: the network of the expression (the caller's) or null.
NET *parse_one() {
  NET *&slot = regex_result_slot();
  free_network(slot);
  slot = nullptr;
  regex_saw_end() = false;
  TokenTrail outer = std::move(token_trail());  // a parse inside another: a function's body
  token_trail() = TokenTrail();
  if (parse_regex_input() == 2) recover_from_error();  // the stack was exhausted
  token_trail() = std::move(outer);
  NET *net = slot;
  slot = nullptr;
  return net;
}

// Frees `net` when it is not null; gives the null network.
NET *refuse(NET *net) {
  if (net != nullptr) free_network(net);
  return null_net();
}

// The complement of an automaton, consuming it; a refused network gives the null network.
NET *complement(NET *net) {
  NET *result = negate_net(net, 0);
  return result != nullptr ? result : refuse(net);
}

NET *any_symbol() { return label_net(OTHER); }

std::string label_text(uint32_t id) {
  std::string text;
  append_label(text, id, 0);
  return text;
}

NET *contains_one(NET *a) {
  a = min_fsm(a, 0);
  if (NET_start_state(a) == nullptr || STATE_final(NET_start_state(a))) return refuse(a);
  NET *all = contains_net(copy_fsm(a), 0);
  NET *one_then_any = concat_net(copy_fsm(a), kleene_star_net(), 0, 0);
  NET *later = concat_net(kleene_plus_net(), concat_net(copy_fsm(a), kleene_star_net(), 0, 0), 0, 0);
  NET *two_starts = contains_net(intersect_net(one_then_any, later, 0, 0), 0);
  NET *longer = concat_net(copy_fsm(a), kleene_plus_net(), 0, 0);
  NET *nested = intersect_net(a, longer, 0, 0);
  NET *twice = union_net(two_starts, contains_net(nested, 0), 0, 0);
  return minus_net(all, twice, 0, 0);
}

NET *ignore_inside(NET *a, NET *b) {
  if (NET_arity(a) > 1 || NET_arity(b) > 1) {
    error("Ignoring inside is defined only for regular languages.");
    free_network(a);
    free_network(b);
    return null_net();
  }
  // The places inside the strings of A: D inserted anywhere, but not first or last.
  NET *dummy = label_net(DUMMY_SYMBOL);
  NET *inside = ignore_net(a, copy_fsm(dummy), 0, 0);
  NET *first = concat_net(copy_fsm(dummy), kleene_star_net(), 0, 0);
  NET *last = concat_net(kleene_star_net(), copy_fsm(dummy), 0, 0);
  inside = minus_net(minus_net(inside, first, 0, 0), last, 0, 0);
  // Each D becomes a string of B: [[\D] | [D .x. B]]*, applied downward.
  NET *other = other_than_net(copy_fsm(dummy), 0);
  NET *fill = zero_plus_net(union_net(other, crossproduct_net(dummy, b, 0, 0), 0, 0), 0);
  NET *result = lower_side_net(compose_net(inside, fill, 0, 0), 0);
  if (NET_sigma(result) != nullptr) alph_remove_from(NET_sigma(result), DUMMY_SYMBOL, 0);
  return result;
}


}  // namespace

// --- Errors -------------------------------------------------------------------------------------

namespace {

bool opens_bracket(RegexToken token) {
  switch (token) {
    case RegexToken::LBRACKET: case RegexToken::LPAREN: case RegexToken::EPS_BRACKET_OPEN:
    case RegexToken::SIGMA_OPEN: case RegexToken::LABELS_OPEN: case RegexToken::LIT_OPEN:
    case RegexToken::IMPLODE_OPEN: case RegexToken::EXPLODE_OPEN: case RegexToken::ENDTAG_OPEN:
    case RegexToken::CONTEXT_FUNCTION: case RegexToken::CASE_FUNCTION_NAME:
    case RegexToken::FUNCTION_NAME:
      return true;
    default:
      return false;
  }
}

// The hint for an error at the current token: in the grammar a replace rule (or a list of
// them) is a whole expression, which cannot be the left operand of ".o." or ".O." without
// brackets.
std::string regex_error_hint() {
  const TokenTrail &trail = token_trail();
  if ((trail.last != RegexToken::COMPOSE && trail.last != RegexToken::LENIENT_COMPOSE) ||
      !trail.rule_in_bracket.back())
    return "";
  const char *op = current_token_text();
  return std::string("Hint: a replace rule (or a list of them) before ") + op +
         " must be in brackets: [A -> B || L _ R] " + op + " C";
}

}  // namespace

void follow_regex_token(RegexToken token) {
  TokenTrail &trail = token_trail();
  trail.last = token;
  if (opens_bracket(token)) {
    trail.rule_in_bracket.push_back(false);
  } else if (token == RegexToken::RBRACKET || token == RegexToken::RPAREN ||
             token == RegexToken::EPS_BRACKET_CLOSE) {
    if (trail.rule_in_bracket.size() > 1) trail.rule_in_bracket.pop_back();
  } else if (token == RegexToken::REPLACE_ARROW || token == RegexToken::LEFTWARD_ARROW) {
    trail.rule_in_bracket.back() = true;
  } else if (token == RegexToken::END_OF_EXPRESSION || token == RegexToken::END_OF_INPUT) {
    trail.rule_in_bracket.assign(1, false);
  }
}

void report_regex_error(const char *message) {
  record_error_place();
  const char *name = current_source_name();
  const std::string hint = regex_error_hint();
  if (name != nullptr) {
    error_printf("Regex error at %s on line %lld in '%s'", current_token_text(),
                 current_line() + 1, name);
  } else {
    error_printf("Regex error (%s) at %s", message, current_token_text());
  }
  // After the error, as a warning of its own, so that the error's text stays as it is.
  if (!hint.empty()) warning_printf("%s", hint.c_str());
  set_scanner_state(ScannerState::ERROR_SYNC);
  INT_PARAMETERS *parameters = int_parameters();
  parameters->word[KORA_ERROR_COUNT]++;
  if (parameters->word[KORA_ERROR_COUNT] > parameters->word[KORA_MAX_ERRORS]) {
    error_printf("too many errors (%d): trying to terminate processing",
                 parameters->word[KORA_ERROR_COUNT]);
    set_scanner_state(ScannerState::FINISHED);
  }
}

// --- Reading ------------------------------------------------------------------------------------

namespace {

// What compiling one expression from a string changes for its duration (the string source,
// quiet verbose mode, no echo, no warning for a missing ";", the error count), put back
// however the compilation ends: a call abandoned by the memory budget unwinds through here.
class StringCompilation {
 public:
  explicit StringCompilation(const std::string &source)
      : verbose_(int_parameters()->word[KORA_VERBOSE]), encoding_(context()->in_char_encoding),
        depth_(source_depth()) {
    int_parameters()->word[KORA_VERBOSE] = 0;
    push_string_source(source.c_str());
    echo_ = set_echo(0);
    warn_ = set_missing_semicolon_warning(0);
  }
  ~StringCompilation() {
    while (source_depth() > depth_) pop_source();
    set_echo(echo_);
    set_missing_semicolon_warning(warn_);
    int_parameters()->word[KORA_VERBOSE] = verbose_;
    if (context()->in_char_encoding != encoding_) set_input_char_encoding(context(), encoding_);
  }
  StringCompilation(const StringCompilation &) = delete;
  StringCompilation &operator=(const StringCompilation &) = delete;

 private:
  int verbose_;
  int encoding_;
  int depth_;  // sources open before; an abandoned call may leave a function's body open too
  int echo_ = 0;
  int warn_ = 0;
};

// Pops the file source of read_regexes, and any source opened inside it, however the reading
// ends.
class FileSourceScope {
 public:
  FileSourceScope() : depth_(source_depth() - 1) {}
  ~FileSourceScope() {
    while (source_depth() > depth_) pop_source();
  }
  FileSourceScope(const FileSourceScope &) = delete;
  FileSourceScope &operator=(const FileSourceScope &) = delete;

 private:
  int depth_;
};

}  // namespace

NET *compile_regex(const char *text) {
  if (source_depth() == 0) forget_error_place();
  if (text == nullptr) {
    error("Unexpected NULL argument in read_regex().");
    return nullptr;
  }
  std::string source = text;
  size_t end = source.find_last_not_of(" \t\r\n");
  if (end == std::string::npos || source[end] != ';') source += ";";
  StringCompilation compilation(source);
  INT_PARAMETERS *parameters = int_parameters();
  parameters->word[KORA_ERROR_COUNT] = 0;
  set_scanner_state(ScannerState::BETWEEN_EXPRESSIONS);
  NET *net = parse_one();
  if (net != nullptr && parameters->word[KORA_ERROR_COUNT] != 0) {
    free_network(net);
    net = nullptr;
  }
  return net;
}

NET *compile_next_regex(bool *at_end) {
  NET *net = parse_one();
  *at_end = regex_saw_end() || (net == nullptr && scanner_state() == ScannerState::FINISHED);
  const char *name = current_source_name();
  if (net != nullptr && name != nullptr && parameter(KORA_RECORD_REGEX_SOURCE) != 0) {
    char where[1001];
    std::snprintf(where, sizeof where, "%s:%lld", name, expression_start_line() + 1);
    add_string_property(net, "SOURCE", where);
  }
  return net;
}

NV *read_regexes(const char *file_name, int count) {
  if (!push_file_source(file_name)) return nullptr;
  forget_error_place();
  int_parameters()->word[KORA_ERROR_COUNT] = 0;
  NV *nets = make_nv(0);
  {
    FileSourceScope source;
    bool at_end = false;
    while (count < 0 || NV_len(nets) < count) {
      NET *net = compile_next_regex(&at_end);
      if (at_end) break;
      nv_push_back(net, nets);
    }
  }
  if (int_parameters()->word[KORA_ERROR_COUNT] != 0) {
    free_nv_and_nets(nets);
    return nullptr;
  }
  return nets;
}

// --- Symbols and atoms --------------------------------------------------------------------------

uint32_t regex_symbol(const char *text) {
  uint32_t id = ID_NO_SYMBOL;
  if (intern_symbol(&id, text) != 0) {
    report_regex_error("Kora error: cannot intern symbol in function intern_unicode()");
    return ID_NO_SYMBOL;
  }
  return id;
}

uint32_t regex_quoted_symbol(uint32_t *codes) {
  uint32_t id = ID_NO_SYMBOL;
  if (intern_fat_symbol(&id, codes) != 0) {
    report_regex_error("Kora error: cannot intern symbol in function intern_literal()");
    return ID_NO_SYMBOL;
  }
  return id;
}

NET *regex_symbol_net(uint32_t id) {
  if (id == EPSILON) return epsilon_net();
  if (NET *copy = copy_defined_net(id)) return copy;
  if (ALPH *list = defined_list(id)) return alphabet_net(list);
  return label_net(id);
}

NET *regex_literal_net(uint32_t id) { return id == EPSILON ? epsilon_net() : label_net(id); }

NET *regex_range_net(const uint32_t *codes) {
  ALPH *symbols = make_alph(0, KORA_LABEL_ALPH);
  for (size_t i = 0; codes[i] != 0; i += 3) {
    if (codes[i + 1] != '-' || codes[i + 2] == 0 || codes[i] > codes[i + 2]) {
      char *text = fat_to_utf8(codes, nullptr);
      error_printf("%s    The string containing the error is: \"%s\"",
                   codes[i + 1] != '-' ? "Expecting a '-' separator in a character range.\n"
                                       : "Character range is empty.\n",
                   text);
      std::free(text);
      break;
    }
    for (uint32_t c = codes[i]; c <= codes[i + 2]; c++) {
      uint32_t name[2] = {c, 0};
      uint32_t id = ID_NO_SYMBOL;
      if (intern_fat_symbol(&id, name) == 0) alph_add_to(symbols, id, 0);
    }
  }
  NET *net = alphabet_net(symbols);
  free_alph(symbols);
  return net;
}

NET *regex_sigma_net(NET *net) {
  NET *result = alphabet_net(net_sigma(net));
  free_network(net);
  return result;
}

NET *regex_labels_net(NET *net) {
  NET *result = alphabet_net(net_labels(net));
  free_network(net);
  return result;
}

int regex_count(uint32_t id) {
  if (id == EPSILON) return 0;
  return static_cast<int>(std::strtol(label_text(id).c_str(), nullptr, 10));
}

int regex_positive(int count) {
  if (count < 1) error_printf("regex_parse: Positive integer expeted, got %d.", count);
  return count;
}

// --- Operations ---------------------------------------------------------------------------------

NET *regex_binary(RegexOp op, NET *a, NET *b) {
  const int minimize = minimize_results() ? 1 : 0;
  switch (op) {
    case RegexOp::UNION:
      return union_net(a, b, 0, 0);
    case RegexOp::INTERSECT:
      return intersect_net(a, b, 0, 0);
    case RegexOp::MINUS:
      return minus_net(a, b, 0, 0);
    case RegexOp::UPPER_MINUS:
      return oneside_minus_fsm(a, b, 0, 0, 0, minimize);
    case RegexOp::LOWER_MINUS:
      return oneside_minus_fsm(a, b, 1, 0, 0, minimize);
    case RegexOp::UPPER_PRIORITY:
      return priority_union_net(a, b, 0, 0, 0);
    case RegexOp::LOWER_PRIORITY:
      return priority_union_net(a, b, 1, 0, 0);
    case RegexOp::LEFT_MERGE:
      return merge_fsm(a, b, 0, minimize);
    case RegexOp::RIGHT_MERGE:
      return merge_fsm(b, a, 0, minimize);
    case RegexOp::SHUFFLE:
      return shuffle_net(a, b, 0);
    case RegexOp::BEFORE:
      return complement(concat_net(contains_net(b, 0), contains_net(a, 0), 0, 0));
    case RegexOp::AFTER:
      return complement(concat_net(contains_net(a, 0), contains_net(b, 0), 0, 0));
    case RegexOp::CROSS:
      if (NET_arity(a) > 1 || NET_arity(b) > 1) {
        error(
            "Cannot compile the product because one of the component networks\n    is a "
            "transducer");
        free_network(a);
        free_network(b);
        return null_net();
      }
      return crossproduct_net(a, b, 0, 0);
    case RegexOp::COMPOSE:
      return compose_net(a, b, 0, 0);
    case RegexOp::LENIENT_COMPOSE:
      return lenient_compose_net(a, b, 0, 0);
    case RegexOp::CONCAT:
      return concat_net(a, b, 0, 0);
    case RegexOp::IGNORE:
      return ignore_net(a, b, 0, 0);
    case RegexOp::IGNORE_INSIDE:
      return ignore_inside(a, b);
  }
  free_network(b);
  return a;
}

NET *regex_unary(RegexUnary op, NET *a) {
  switch (op) {
    case RegexUnary::OPTIONAL:
      return optional_net(a, 0);
    case RegexUnary::STAR:
      return zero_plus_net(a, 0);
    case RegexUnary::PLUS:
      return one_plus_net(a, 0);
    case RegexUnary::COMPLEMENT:
      return complement(a);
    case RegexUnary::TERM_COMPLEMENT:
      return other_than_net(a, 0);
    case RegexUnary::CONTAINS:
      return contains_net(a, 0);
    case RegexUnary::CONTAINS_ONE:
      return contains_one(a);
    case RegexUnary::CONTAINS_AT_MOST_ONE: {
      NET *none = complement(contains_net(copy_fsm(a), 0));
      return union_net(none, contains_one(a), 0, 0);
    }
    case RegexUnary::UPPER:
      return upper_side_net(a, 0);
    case RegexUnary::LOWER:
      return lower_side_net(a, 0);
    case RegexUnary::INVERT:
      return invert_net(a, 0);
    case RegexUnary::REVERSE:
      return reverse_net(a, 0);
    case RegexUnary::MINIMIZE:
      if (minimize_results()) minimize_net(a);
      return a;
  }
  return a;
}

NET *regex_repeat(NET *net, int min, int max) {
  if (min < 0 || max < -1) return refuse(net);  // "^<0": no count of repetitions fits
  return repeat_net(min_fsm(net, 0), min, max, 0);
}

NET *regex_substitute(NET *net, uint32_t symbol, ALPH *list) {
  NET *result = substitute_net(symbol, list, net, 0);
  free_alph(list);
  return result;
}

NET *regex_result(NET *net) {
  if (minimize_results()) minimize_net(net);
  return recompute_flag_marks(net);
}

// --- Function forms -----------------------------------------------------------------------------

namespace {

// The label id of the symbol spelled `text` (a function name keeps its "("); frees the text.
uint32_t label_of_text(char *name) {
  uint32_t id = ID_NO_SYMBOL;
  intern_symbol(&id, name);
  std::free(name);
  return id;
}

// The argument at `position` taken out of `args` (null when there is none).
NET *take_argument(NV *args, int position) {
  if (args == nullptr || position >= NV_len(args)) return nullptr;
  NET *net = NV_net(args, position);
  NV_net(args, position) = nullptr;
  return net;
}

}  // namespace

NET *regex_function_call(char *name, NV *args) { return call_user_function(label_of_text(name), args); }

NET *regex_case_function(char *name, NET *net, char *side) {
  return case_function(label_of_text(name), net, side == nullptr ? ID_NO_SYMBOL : label_of_text(side));
}

NET *regex_context_function(int specifier, NV *args) {
  NET *first = take_argument(args, 0);
  NET *second = take_argument(args, 1);
  free_nv_and_nets(args);
  return context_function(static_cast<uint32_t>(specifier), first, second);
}

NET *regex_explode(NV *args) { return explode_symbols(args); }

uint32_t regex_implode(NV *args) { return implode_symbols(args); }

NET *regex_end_tag(uint32_t symbol) { return end_tag_net(symbol); }

namespace {

// The expressions of an included file, compiled in the middle of the including expression: the
// error count and the end mark of the outer compilation are set aside meanwhile, and the
// included file's errors are then counted in the outer one, which fails with them.
NV *compile_included_source() {
  INT_PARAMETERS *parameters = int_parameters();
  const int outer_errors = parameters->word[KORA_ERROR_COUNT];
  const bool outer_saw_end = regex_saw_end();
  parameters->word[KORA_ERROR_COUNT] = 0;
  NV *nets = make_nv(0);
  bool at_end = false;
  while (true) {
    NET *net = compile_next_regex(&at_end);
    if (at_end) break;
    if (net != nullptr) nv_push_back(net, nets);
  }
  const int errors = parameters->word[KORA_ERROR_COUNT];
  parameters->word[KORA_ERROR_COUNT] = outer_errors + errors;
  regex_saw_end() = outer_saw_end;
  if (errors != 0) {
    free_nv_and_nets(nets);
    return nullptr;
  }
  return nets;
}

}  // namespace

NET *regex_include_file(int file_operator, uint32_t file_name) {
  if (file_name == ID_NO_SYMBOL || label_record(file_name)->arity != 1) return null_net();
  // The name's bytes in the library's encoding, at most 500 of them.
  const uint32_t *fat = label_record(file_name)->name;
  char *thin = parameter(KORA_CHAR_ENCODING) == KORA_LATIN1 ? fat_to_thin(fat, nullptr)
                                                            : fat_to_utf8(fat, nullptr);
  std::string name(thin);
  std::free(thin);
  if (name.size() > 500) name.resize(500);
  return include_file(file_operator, name.c_str(), compile_included_source);
}

NET *regex_variable_reference(uint32_t) {
  error(".RE2N_VAR. names a network of a variable stack, and regular expressions have none.");
  return null_net();
}

REPL_RULES *regex_function_rule(NET *upper, int arrow, char *function) {
  REPL_RULES *rule = make_replace_rule(upper, arrow, nullptr);
  set_insertion_function(rule, label_of_text(function));
  return rule;
}

}  // namespace kora

// --- Exported -----------------------------------------------------------------------------------

using namespace kora;

KORA_API NET *read_regex(const char *regex) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return compile_regex(regex);
  });
}

KORA_API int define_regex_net(const char *name, const char *regex) {
  return guarded(__func__, 1, [&]() -> int {
    if (regex == nullptr) {
      error("null regex_str");
      return 1;
    }
    NET *net = compile_regex(regex);
    if (net == nullptr) {
      error_printf("Cannot compile '%s'.", regex);
      return 1;
    }
    add_string_property(net, "DEFINITION", regex);
    if (define_net(name, net, 0) != 0) {
      free_network(net);
      return 1;
    }
    return 0;
  });
}

KORA_API int define_regex_list(const char *name, const char *regex) {
  return guarded(__func__, 1, [&]() -> int {
    if (name == nullptr || regex == nullptr) return 1;
    NET *net = compile_regex(regex);
    if (net == nullptr) {
      error("Failed to read regex as symbol list.");
      return 3;
    }
    int status = define_symbol_list(name, net_sigma(net));
    free_network(net);
    return status == 0 ? 0 : 1;
  });
}

KORA_API NET *other_than_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error("Unexpected NULL argument in other_than_net().");
      return nullptr;
    }
    if (NET_arity(net) > 1) {
      error(
          "The term complement operator \\ is defined only for regular languages:\n\\A denotes the "
          "language [? - A]. You must use the expression\n[?:? - A] instead of \\A if A represents "
          "a relation.");
      if (copy != 1) free_network(net);
      return null_net();
    }
    return minus_net(any_symbol(), net, 0, copy == 1 ? 1 : 0);
  });
}

KORA_API NET *substitute_net(uint32_t symbol, ALPH *list, NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error("Unexpected NULL argument in substitute_net().");
      return nullptr;
    }
    if (symbol >= label_count() || label_arity(symbol) != 1 || symbol == EPSILON ||
        is_special_symbol(symbol)) {
      std::string text = symbol < label_count() ? label_text(symbol) : std::to_string(symbol);
      error_printf("***Illegal use of '%s' as an ordinary label.", text.c_str());
      return copy == 1 ? copy_fsm(net) : net;
    }
    NET *result = substitute_symbol(symbol, list, net, copy);
    return result != nullptr ? compact_sigma(result) : nullptr;
  });
}

KORA_API NV *read_regex_file(const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NV * {
    return read_regexes(file_name, -1);
  });
}

KORA_API long long regex_error_position(long long *line, long long *column) {
  return guarded(__func__, -1LL, [&]() -> long long {
    RegexPlace place;
    if (!last_error_place(&place)) return -1;
    if (line != nullptr) *line = place.line + 1;
    if (column != nullptr) *column = place.column + 1;
    return place.offset;
  });
}
