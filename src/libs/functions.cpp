// Regex functions: defining and calling user functions, Implode( and Explode(, the context
// functions and EndTag(. The case functions are in case-functions.cpp.
//
// A user function is stored as text (functions-table.h) and compiled anew at every call, with
// each parameter bound as a definition of its name: the body's occurrences of the name then
// denote the argument, exactly as a defined network would, and "Lit(" p ")" still denotes the
// plain symbol. Whatever the names meant before (a network or a symbol list) is set aside for
// the call and put back afterwards, whether the call succeeded or not. A call costs the
// compilation of the body plus O(parameters) for the binding.
//
// Implode( and Explode( accept only arguments that minimize to a single acyclic path without
// OTHER or tuples: the walk along that path is O(length) after minimization.
//
// Tested in tests/regex/functions_test.cpp.

#include "functions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "concat.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "fat-str.h"
#include "functions-table.h"
#include "lab-vect.h"
#include "label.h"
#include "minimize.h"
#include "net-vector.h"
#include "reverse.h"
#include "string-net.h"
#include "struct.h"
#include "union.h"

namespace kora {
namespace {

// Arguments a call may pass: the count must stay below this.
constexpr int kMaxCallArguments = 255;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool has_blank(const std::string &text) {
  return std::any_of(text.begin(), text.end(), is_blank);
}

std::string trimmed(const std::string &text) {
  size_t first = 0, last = text.size();
  while (first < last && is_blank(text[first])) first++;
  while (last > first && is_blank(text[last - 1])) last--;
  return text.substr(first, last - first);
}

// The name of a symbol as the library prints it.
std::string label_text(uint32_t id) {
  std::string text;
  append_label(text, id, 0);
  return text;
}

void report_signature_error(const char *before, const FUNCTION_RECORD *func, const char *after) {
  FILE *stream = message_stream();
  std::fputs(before, stream);
  print_function_signature(func->name, func->parameters, stream);
  std::fputs(after, stream);
  flush_message_as_error();
}

// --- Defining -------------------------------------------------------------------------------

// A prototype taken apart: the name with its "(" and the parameter names.
struct Prototype {
  std::string name;
  std::vector<std::string> parameters;
};

// Parses "name(p1, p2, ...)" followed by blanks only; false after reporting.
bool parse_prototype(const std::string &text, Prototype *out) {
  size_t start = 0;
  while (start < text.size() && is_blank(text[start])) start++;
  const size_t open = text.find('(', start);
  if (open == std::string::npos) {
    error("A function name must end in '('.");
    return false;
  }
  out->name = text.substr(start, open + 1 - start);
  if (has_blank(out->name)) {
    error_printf("A function name or parameter cannot contain whitespace: '%s'.", out->name.c_str());
    return false;
  }
  if (out->name == "(") {
    error("A function name cannot be empty.");
    return false;
  }
  const size_t close = text.find(')', open);
  if (close == std::string::npos) {
    error("A function prototype must end in ')'.");
    return false;
  }
  const std::string list = text.substr(open + 1, close - open - 1);
  if (!trimmed(list).empty()) {
    size_t from = 0;
    while (true) {
      const size_t comma = std::min(list.find(',', from), list.size());
      const std::string parameter = trimmed(list.substr(from, comma - from));
      if (parameter.empty()) {
        error("An empty string cannot be a function parameter.");
        return false;
      }
      if (has_blank(parameter)) {
        error_printf("A function name or parameter cannot contain whitespace: '%s'.",
                     parameter.c_str());
        return false;
      }
      out->parameters.push_back(parameter);
      if (comma == list.size()) break;
      from = comma + 1;
    }
  }
  size_t rest = close + 1;
  while (rest < text.size() && is_blank(text[rest])) rest++;
  if (rest < text.size()) {
    error_printf("Junk '%s' at the end of a function process call.\n", text.c_str() + rest);
    return false;
  }
  return true;
}

// Whether the body holds a file operator ("@bin", "@re", "@txt", "@stxt", "@pl", "@lx", or "@"
// and a double quote with only blanks between), whose files may not exist before the call.
bool has_file_operator(const std::string &body) {
  static const char *const kOperators[] = {"bin", "re", "txt", "stxt", "pl", "lx"};
  for (size_t at = body.find('@'); at != std::string::npos; at = body.find('@', at + 1)) {
    for (const char *op : kOperators)
      if (body.compare(at + 1, std::strlen(op), op) == 0) return true;
    size_t next = at + 1;
    while (next < body.size() && is_blank(body[next])) next++;
    if (next < body.size() && body[next] == '"') return true;
  }
  return false;
}

// A character that continues a symbol of the regex language, so that a name found next to it
// is only part of a longer symbol.
bool continues_symbol(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || u >= 0x7F || c == '#' || c == '\'' || c == '=' || c == '?' ||
         c == '%';
}

// Whether `name` occurs in `body` as a symbol of its own, not inside a longer one.
bool occurs_as_symbol(const std::string &body, const std::string &name) {
  for (size_t at = body.find(name); at != std::string::npos; at = body.find(name, at + 1)) {
    const bool starts = at == 0 || !continues_symbol(body[at - 1]);
    const size_t end = at + name.size();
    const bool ends = end == body.size() || !continues_symbol(body[end]);
    if (starts && ends) return true;
  }
  return false;
}

// Compiles `text` with the installed compiler; null when it fails or none is installed.
NET *compile(const std::string &text) {
  return regex_functions.compiler != nullptr ? regex_functions.compiler(text.c_str()) : nullptr;
}

// Checks that every parameter occurs in the body and can be written inside "Lit(" ... ")";
// false after reporting.
bool check_parameters(const std::string &prototype, const Prototype &parsed,
                      const std::string &body) {
  for (const std::string &parameter : parsed.parameters) {
    if (!occurs_as_symbol(body, parameter)) {
      error_printf("Parameter '%s' does not occur in the function definition", parameter.c_str());
      return false;
    }
    if (regex_functions.compiler == nullptr) continue;
    NET *literal = compile(std::string("Lit(").append(parameter).append(")"));
    if (literal == nullptr) {
      error_printf(
          "Parameter '%s' cannot be literalized in the function definition' %s:\n           '%s'",
          parameter.c_str(), trimmed(prototype).c_str(), body.c_str());
      return false;
    }
    free_network(literal);
  }
  return true;
}

// --- Calling ----------------------------------------------------------------------------------

// What a parameter's name meant before the call bound it.
struct SavedMeaning {
  uint32_t id;
  NET *net;          // its network definition, taken out of the table
  ALPH *list;        // its symbol list, taken off the label
  uint32_t list_type;
  bool bound;        // the argument is defined under the name
};

// Takes the definitions of `id` aside.
SavedMeaning set_meaning_aside(uint32_t id) {
  SavedMeaning saved{id, take_definition(id), nullptr, 0, false};
  LABEL *label = label_record(id);
  if (label != nullptr) {
    saved.list = label->definition;
    saved.list_type = label->definition_type;
    label->definition = nullptr;
    label->definition_type = 0;
  }
  return saved;
}

// Frees the argument bound under the name and gives the name its old definitions back.
void restore_meaning(const SavedMeaning &saved) {
  if (saved.bound) free_network(take_definition(saved.id));
  if (saved.net != nullptr && define_net_by_id(saved.id, saved.net, 0) != 0)
    free_network(saved.net);
  LABEL *label = label_record(saved.id);
  if (label != nullptr) {
    label->definition = saved.list;
    label->definition_type = saved.list_type;
  }
}

// Binds the parameters to the arguments (which the definitions take over), compiles the body in
// the function's encoding, and unbinds. Null when a binding or the compilation fails.
NET *compile_call(const FUNCTION_RECORD *func, NV *arguments) {
  const LAB_VECTOR *parameters = func->parameters;
  std::vector<SavedMeaning> saved;
  // The parameters' former meanings come back however the call ends (an abandoned one too).
  struct Restoring {
    std::vector<SavedMeaning> &saved;
    ~Restoring() {
      for (auto meaning = saved.rbegin(); meaning != saved.rend(); ++meaning)
        restore_meaning(*meaning);
    }
  } restoring{saved};
  bool bound = true;
  for (int i = 0; i < parameters->length; i++) {
    NET *argument = NV_net(arguments, i);
    NV_net(arguments, i) = nullptr;
    if (argument == nullptr) argument = null_net();
    // A network passed twice is defined once; the later parameter gets a copy.
    for (int j = i + 1; j < NV_len(arguments); j++)
      if (NV_net(arguments, j) == argument) NV_net(arguments, j) = copy_fsm(argument);
    saved.push_back(set_meaning_aside(parameters->items[i]));
    if (define_net_by_id(parameters->items[i], argument, 0) != 0) {
      free_network(argument);
      bound = false;
      break;
    }
    saved.back().bound = true;
  }
  if (!bound) return nullptr;
  // The body is read in the function's encoding, and the caller's comes back afterwards.
  struct Encoding {
    int library = parameter(KORA_CHAR_ENCODING);
    int input = context()->in_char_encoding;
    ~Encoding() {
      int_parameters()->word[KORA_CHAR_ENCODING] = library;
      context()->in_char_encoding = input;
    }
  } encoding;
  int_parameters()->word[KORA_CHAR_ENCODING] = func->encoding;
  context()->in_char_encoding = func->encoding;
  return compile(func->body);
}

// --- Implode and Explode ----------------------------------------------------------------------

// The symbols on the single path of each argument, in order, EPSILON left out; false after
// reporting the first argument that is not one acyclic path of plain symbols.
bool collect_path_symbols(NV *arguments, std::vector<uint32_t> *symbols) {
  if (arguments == nullptr || NV_len(arguments) == 0) {
    error("No arguments to Expand( or Implode(.");
    return false;
  }
  for (int i = 0; i < NV_len(arguments); i++) {
    NET *net = NV_net(arguments, i);
    if (net == nullptr || net->start == nullptr) {
      error("A null fsm is an illegal argument to Expand( and Implode(.");
      return false;
    }
    net = NV_net(arguments, i) = min_fsm(net, 0);
    if (!net->flags.minimized) return false;  // refused by minimization, which reported it
    if (!net->start->flags.final && net->start->arcs == nullptr) {
      error("A null fsm is an illegal argument to Expand( and Implode(.");
      return false;
    }
    if (net->arity > 1) {
      error("Arguments to Expand( and Implode( cannot be transducers.");
      return false;
    }
    if (net->sigma != nullptr && test_alph_member(net->sigma, OTHER)) {
      error("Asguments to Expand( and Implode( cannot contain the unknown symbol.");
      return false;
    }
    std::vector<STATE *> visited;
    for (STATE *state = net->start;;) {
      if (state->arcs == nullptr) break;
      if (state->flags.final || state->arcs->next != nullptr) {
        error("Arguments to Expand( and Implode( must consist of a single path.");
        return false;
      }
      visited.push_back(state);
      state = state->arcs->destination;
      if (std::find(visited.begin(), visited.end(), state) != visited.end()) {
        error("Arguments to Expand( and Implode( cannot be cyclic.");
        return false;
      }
      if (visited.back()->arcs->label != EPSILON) symbols->push_back(visited.back()->arcs->label);
    }
  }
  return true;
}

// The name of a symbol, or null for a tuple or an id never given out.
const uint32_t *symbol_name(uint32_t id) {
  const LABEL *label = label_record(id);
  return label != nullptr && label->arity == 1 ? label->name : nullptr;
}

// The network of the specifier symbol: its definition when one is made (a copy), else the
// symbol itself. Null after reporting a definition that is a relation.
NET *specifier_net(uint32_t specifier, const char *function) {
  NET *defined = defined_net(specifier);
  if (defined == nullptr) return label_net(specifier);
  if (defined->arity > 1) {
    const std::string name = label_text(specifier);
    error_printf("\n Cannot use the definition of '%s' in '%s': it denotes a relation.",
                 name.c_str(), function);
    return nullptr;
  }
  return copy_fsm(defined);
}

}  // namespace

void set_regex_compiler(RegexCompiler compile) { regex_functions.compiler = compile; }

bool is_system_function(uint32_t id) {
  if (id >= FIRST_FUNCTION_SYMBOL && id <= LAST_FUNCTION_SYMBOL) return true;
  for (const char *name : {"Lit(", "Sigma(", "Labels("})
    if (id == symbol_id(name)) return true;
  return false;
}

NET *call_user_function(uint32_t name, NV *arguments) {
  FUNCTION_RECORD *func = lookup_function(name);
  if (func == nullptr) {
    error_printf("'%s' is an undefined function symbol.", label_text(name).c_str());
    free_nv_and_nets(arguments);
    return null_net();
  }
  const int given = arguments != nullptr ? NV_len(arguments) : 0;
  const int expected = func->parameters != nullptr ? func->parameters->length : 0;
  if (given != expected || given >= kMaxCallArguments) {
    report_signature_error("Function '", func,
                           given < expected ? "' called with too few arguments."
                                            : "' called with too many arguments.");
    free_nv_and_nets(arguments);
    return null_net();
  }
  std::vector<uint32_t> &active = regex_functions.active_calls;
  if (std::find(active.begin(), active.end(), name) != active.end()) {
    report_signature_error("Function '", func, "' calls itself and cannot be computed.");
    free_nv_and_nets(arguments);
    return null_net();
  }
  if (regex_functions.compiler == nullptr) {
    error("No regex compiler is installed to compute the function.");
    free_nv_and_nets(arguments);
    return null_net();
  }
  const int verbose = parameter(KORA_VERBOSE);
  int_parameters()->word[KORA_VERBOSE] = 0;
  active.push_back(name);
  NV empty{0, nullptr};
  NET *result = compile_call(func, arguments != nullptr ? arguments : &empty);
  active.pop_back();
  free_nv_and_nets(arguments);
  int_parameters()->word[KORA_VERBOSE] = verbose;
  return result != nullptr ? result : null_net();
}

uint32_t implode_symbols(NV *arguments) {
  std::vector<uint32_t> symbols;
  const bool ok = collect_path_symbols(arguments, &symbols);
  free_nv_and_nets(arguments);
  if (!ok) return ID_NO_SYMBOL;
  std::vector<uint32_t> name;
  for (uint32_t symbol : symbols)
    for (const uint32_t *code = symbol_name(symbol); code != nullptr && *code != 0; code++)
      name.push_back(*code);
  name.push_back(0);
  uint32_t id = ID_NO_SYMBOL;
  intern_fat_symbol(&id, name.data());
  return id;
}

NET *explode_symbols(NV *arguments) {
  std::vector<uint32_t> symbols;
  const bool ok = collect_path_symbols(arguments, &symbols);
  free_nv_and_nets(arguments);
  if (!ok) return null_net();
  std::vector<uint32_t> characters;
  for (uint32_t symbol : symbols)
    for (const uint32_t *code = symbol_name(symbol); code != nullptr && *code != 0; code++)
      characters.push_back(character_symbol(*code));
  return path_net(characters, nullptr);
}

NET *context_function(uint32_t specifier, NET *first, NET *second) {
  const char *function = nullptr;
  bool two = false;
  switch (specifier) {
    case LEFT_CONTEXT: function = "LC("; break;
    case RIGHT_CONTEXT: function = "RC("; break;
    case NON_LEFT_CONTEXT: function = "NLC("; break;
    case NON_RIGHT_CONTEXT: function = "NRC("; break;
    case AND_CHECK: function = "AND("; two = true; break;
    case OR_CHECK: function = "OR("; two = true; break;
    default: break;
  }
  NET *head = nullptr;
  if (function == nullptr)
    error_printf("Bad context specifier: %d", static_cast<int>(specifier));
  else
    head = specifier_net(specifier, function);
  if (head == nullptr || first == nullptr || (two && second == nullptr)) {
    free_network(first);
    if (second != first) free_network(second);
    free_network(head);
    return null_net();
  }
  NET *body = first;
  if (two) {
    NV *both = make_nv(2);
    NV_net(both, 0) = first;
    NV_net(both, 1) = second;
    body = union_fsm(both, 0, minimize_results());
    free_nv(both);
  } else {
    if (second != nullptr && second != first) free_network(second);
    if (specifier == LEFT_CONTEXT || specifier == NON_LEFT_CONTEXT) body = reverse_fsm(first, 0);
  }
  NV *parts = make_nv(2);
  NV_net(parts, 0) = head;
  NV_net(parts, 1) = body;
  NET *result = concat_fsm(parts, 0, minimize_results());
  free_nv(parts);
  return result;
}

NET *end_tag_net(uint32_t symbol) {
  const uint32_t *name = symbol_name(symbol);
  if (name == nullptr) {
    error_printf("%d is not a legal symbol id", static_cast<int>(symbol));
    return null_net();
  }
  std::vector<uint32_t> tag{'<', '/'};
  tag.insert(tag.end(), name, name + fat_strlen(name));
  tag.push_back('>');
  tag.push_back(0);
  uint32_t id = ID_NO_SYMBOL, pair = ID_NO_SYMBOL;
  if (intern_fat_symbol(&id, tag.data()) != 0 || intern_pair(&pair, id, EPSILON) != 0)
    return null_net();
  return label_net(pair);
}

}  // namespace kora

extern "C" {

KORA_API int define_function(const char *prototype, const char *body) {
  return kora::guarded(__func__, 1, [&]() -> int {
    using namespace kora;
    if (prototype == nullptr || body == nullptr) {
      error("Unexpected NULL argument in define_function().");
      return 1;
    }
    Prototype parsed;
    if (!parse_prototype(prototype, &parsed)) return 1;
    const std::string text = body;
    uint32_t name = ID_NO_SYMBOL;
    if (intern_symbol(&name, parsed.name.c_str()) != 0) return 1;
    for (size_t i = 0; i < parsed.parameters.size(); i++) {
      for (size_t j = 0; j < i; j++)
        if (parsed.parameters[i] == parsed.parameters[j]) {
          error_printf("Parameter '%s' occurs twice in the function prototype.",
                       parsed.parameters[i].c_str());
          return 1;
        }
    }
    if (parsed.parameters.size() >= static_cast<size_t>(kMaxCallArguments)) {
      error_printf("A function can have at most %d parameters.", kMaxCallArguments - 1);
      return 1;
    }
    if (is_system_function(name)) {
      error_printf("'%s' is a system function. It cannot be redefined.", parsed.name.c_str());
      return 1;
    }
    if (regex_functions.compiler != nullptr && !has_file_operator(text) &&
        text.find("Implode(") == std::string::npos) {
      NET *check = compile(text);
      if (check == nullptr) {
        error_printf("'%s'\n is not a valid regular expression. Function '%s' cannot be defined.",
                     body, parsed.name.c_str());
        return 1;
      }
      free_network(check);
    }
    if (!check_parameters(prototype, parsed, text)) return 1;
    LAB_VECTOR *parameters = make_lab_vector(static_cast<int>(parsed.parameters.size()));
    for (const std::string &parameter_name : parsed.parameters) {
      uint32_t id = ID_NO_SYMBOL;
      if (intern_symbol(&id, parameter_name.c_str()) != 0) {
        free_lab_vector(parameters);
        return 1;
      }
      lab_vector_push(id, parameters);
    }
    char *owned = static_cast<char *>(allocate_or_die(text.size() + 1, "copy_string"));
    std::memcpy(owned, text.c_str(), text.size() + 1);
    FUNCTION_RECORD *func = define_function_record(name, parameters, owned);
    if (parameter(KORA_VERBOSE)) {
      std::fputs("defined ", stdout);
      print_function_signature(func->name, func->parameters, stdout);
      std::fputs(".\n", stdout);
    }
    return 0;
  });
}

}  // extern "C"
