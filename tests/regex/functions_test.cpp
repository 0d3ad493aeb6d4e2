// Regex functions: define_function with its checks and messages, calls of user functions with
// the binding and restoring of parameters, Implode( and Explode(, and the context functions
// (EndTag( is compiled in grammar_test.cpp). The regex compiler is a small stand-in installed
// through set_regex_compiler: it reads alternatives separated by "|", each a blank-separated
// sequence of symbols, where a defined name denotes (a copy of) its network, "Lit(s)" the plain
// symbol s and "G(s)" a call of the user function G( with the one argument s; "[", "]" and a
// file operator fail.

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "define.h"
#include "functions-table.h"
#include "functions.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "net-vector.h"

namespace {

using kora_test::messages;
using kora_test::stdout_of;
using kora_test::spellings;
using Texts = std::set<std::string>;

NET *compile_stub(const char *text);

// How many times the stand-in compiler ran.
int stub_calls = 0;

NET *symbol_or_definition(const std::string &token) {
  const uint32_t id = kora::symbol_id(token.c_str());
  if (NET *defined = kora::copy_defined_net(id)) return defined;
  return label_net(id);
}

NET *compile_token(const std::string &token) {
  if (token.find_first_of("[]@") != std::string::npos) return nullptr;
  const size_t open = token.find('(');
  if (open == std::string::npos) return symbol_or_definition(token);
  if (token.back() != ')') return nullptr;
  const std::string name = token.substr(0, open + 1);
  const std::string argument = token.substr(open + 1, token.size() - open - 2);
  if (argument.find_first_of("(),|") != std::string::npos || argument.empty()) return nullptr;
  if (name == "Lit(") return label_net(kora::symbol_id(argument.c_str()));
  NET *value = compile_stub(argument.c_str());
  if (value == nullptr) return nullptr;
  return kora::call_user_function(kora::symbol_id(name.c_str()), kora::nv_of_net(value));
}

NET *compile_stub(const char *text) {
  stub_calls++;
  NET *result = nullptr;
  std::stringstream alternatives(text);
  std::string alternative;
  while (std::getline(alternatives, alternative, '|')) {
    std::stringstream tokens(alternative);
    NET *sequence = epsilon_net();
    for (std::string token; tokens >> token;) {
      NET *part = compile_token(token);
      if (part == nullptr) {
        free_network(sequence);
        free_network(result);
        return nullptr;
      }
      sequence = concat_net(sequence, part, 0, 0);
    }
    result = result == nullptr ? sequence : union_net(result, sequence, 0, 0);
  }
  return result != nullptr ? result : epsilon_net();
}

NET *compile_nothing(const char *) { return nullptr; }

class FunctionsTest : public kora_test::Library {
 protected:
  void SetUp() override {
    kora_test::Library::SetUp();
    kora::set_regex_compiler(compile_stub);
    stub_calls = 0;
    int_parameters()->word[KORA_VERBOSE] = 0;
  }
  void TearDown() override {
    kora::set_regex_compiler(read_regex);  // what initialize_kora installs
    kora_test::Library::TearDown();
  }
};

uint32_t id_of(const char *name) { return kora::symbol_id(name); }

NV *args(std::initializer_list<NET *> nets) {
  NV *nv = make_nv(0);
  for (NET *net : nets) kora::nv_push_back(net, nv);
  return nv;
}

NET *call(const char *name, std::initializer_list<NET *> nets) {
  return kora::call_user_function(id_of(name), args(nets));
}

Texts strings_of(NET *net, size_t max = 6) {
  Texts texts = spellings(net, max, " ");
  free_network(net);
  return texts;
}

std::string last_error() {
  return messages().errors.empty() ? std::string("<none>") : messages().errors.back();
}

// --- define_function ---------------------------------------------------------------------------

// Bad prototypes, bodies that do not compile, and parameters that do not occur in the body as
// symbols or that cannot be put inside Lit( (the stand-in cannot put "a|b" there).
TEST_F(FunctionsTest, PrototypeAndBodyErrorsHaveTheirMessages) {
  struct Case {
    const char *prototype, *body;
    const char *message;
  } cases[] = {
      {"F (x)", "x", "A function name or parameter cannot contain whitespace: 'F ('."},
      {"F(x) junk", "x", "Junk 'junk' at the end of a function process call.\n"},
      {"F(x,)", "x", "An empty string cannot be a function parameter."},
      {"F( , x)", "x", "An empty string cannot be a function parameter."},
      {"F(x y)", "x", "A function name or parameter cannot contain whitespace: 'x y'."},
      {"Fx", "x", "A function name must end in '('."},
      {"F(x", "x", "A function prototype must end in ')'."},
      {"(x)", "x", "A function name cannot be empty."},
      {"F(x, x)", "x", "Parameter 'x' occurs twice in the function prototype."},
      {"UpCase(x)", "x", "'UpCase(' is a system function. It cannot be redefined."},
      {"  Lit(x)", "x", "'Lit(' is a system function. It cannot be redefined."},
      {"EndTag(x)", "x", "'EndTag(' is a system function. It cannot be redefined."},
      {"F(x)", "x [ y",
       "'x [ y'\n is not a valid regular expression. Function 'F(' cannot be defined."},
      {"F(x, y)", "x z", "Parameter 'y' does not occur in the function definition"},
      {"F(x)", "xy", "Parameter 'x' does not occur in the function definition"},
      {"G(a|b)", "a|b",
       "Parameter 'a|b' cannot be literalized in the function definition' G(a|b):\n"
       "           'a|b'"},
  };
  for (const Case &c : cases) {
    messages().clear();
    EXPECT_EQ(define_function(c.prototype, c.body), 1) << c.prototype;
    EXPECT_EQ(last_error(), c.message) << c.prototype;
    EXPECT_EQ(messages().errors.size(), 1u) << c.prototype;
  }
  EXPECT_EQ(kora::lookup_function(id_of("F(")), nullptr) << "nothing was defined";
  EXPECT_EQ(kora::lookup_function(id_of("G(")), nullptr);
  EXPECT_EQ(define_function(nullptr, "x"), 1);
  EXPECT_EQ(define_function("F(x)", nullptr), 1);
}

// Blanks around the name and the parameters are trimmed; "F()" has no parameters; a new
// definition replaces the old one (warned when verbose), a refused one leaves it.
TEST_F(FunctionsTest, DefinitionsAreStoredAndReplaced) {
  int_parameters()->word[KORA_VERBOSE] = 1;
  EXPECT_EQ(stdout_of([] { EXPECT_EQ(define_function("  F( x ,y\t) ", "x y"), 0); }),
            "defined F(x, y).\n");
  const kora::FUNCTION_RECORD *func = kora::lookup_function(id_of("F("));
  ASSERT_NE(func, nullptr);
  EXPECT_EQ(std::vector<uint32_t>(func->parameters->items, func->parameters->items + 2),
            (std::vector<uint32_t>{'x', 'y'}));
  EXPECT_STREQ(func->body, "x y");
  EXPECT_EQ(stdout_of([] { EXPECT_EQ(define_function("F(x)", "x x"), 0); }), "defined F(x).\n");
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"Function 'F(x, y)' is being redefined."});
  int_parameters()->word[KORA_VERBOSE] = 0;
  EXPECT_EQ(define_function("F(x)", "x ]"), 1);
  EXPECT_EQ(strings_of(call("F(", {symbol_net("b")})), (Texts{"b b"}));
  ASSERT_EQ(define_function("Const()", "a b"), 0);
  EXPECT_EQ(strings_of(call("Const(", {})), (Texts{"a b"}));
}

// A body with a file operator or Implode( is not compiled at definition time.
TEST_F(FunctionsTest, BodiesThatReadFilesAreNotValidated) {
  const int before = stub_calls;
  EXPECT_EQ(define_function("G(x)", "@\"words.txt\" x"), 0) << last_error();
  EXPECT_EQ(define_function("H(x)", "x @ \"words.txt\""), 0) << last_error();
  EXPECT_EQ(define_function("I(x)", "@txt words.txt x"), 0) << last_error();
  EXPECT_EQ(define_function("J(x)", "Implode( x ) [ x"), 0) << last_error();
  EXPECT_EQ(stub_calls, before + 4) << "only the Lit( checks of the parameters compiled";
}

// --- Calls --------------------------------------------------------------------------------------

TEST_F(FunctionsTest, CallsBindArgumentsToParameters) {
  ASSERT_EQ(define_function("Double(x)", "x x"), 0);
  ASSERT_EQ(define_function("Swap(x, y)", "y x | Lit(x)"), 0);
  EXPECT_EQ(strings_of(call("Double(", {union_net(symbol_net("a"), symbol_net("b"), 0, 0)})),
            (Texts{"a a", "a b", "b a", "b b"}));
  EXPECT_EQ(strings_of(call("Swap(", {symbol_net("p"), string_to_net("qr", 0)})),
            (Texts{"q r p", "x"}))
      << "Lit(x) is the plain symbol";
  // The same network passed twice.
  NET *twice = symbol_net("c");
  EXPECT_EQ(strings_of(call("Swap(", {twice, twice})), (Texts{"c c", "x"}));
  // A call inside a body.
  ASSERT_EQ(define_function("Quad(x)", "Double(x) Double(x)"), 0) << last_error();
  EXPECT_EQ(strings_of(call("Quad(", {symbol_net("a")}), 4), (Texts{"a a a a"}));
  EXPECT_TRUE(messages().errors.empty()) << last_error();
}

TEST_F(FunctionsTest, BadCallsAreReportedAndFreeTheirArguments) {
  ASSERT_EQ(define_function("F(x, y)", "x y"), 0);
  NET *result = call("F(", {symbol_net("a"), symbol_net("b"), symbol_net("c")});
  EXPECT_EQ(last_error(), "Function 'F(x, y)' called with too many arguments.");
  EXPECT_EQ(strings_of(result), Texts{}) << "the null network";
  result = call("F(", {symbol_net("a")});
  EXPECT_EQ(last_error(), "Function 'F(x, y)' called with too few arguments.");
  free_network(result);
  result = call("G(", {symbol_net("a")});
  EXPECT_EQ(last_error(), "'G(' is an undefined function symbol.");
  EXPECT_EQ(strings_of(result), Texts{});
  result = kora::call_user_function(id_of("F("), nullptr);
  EXPECT_EQ(last_error(), "Function 'F(x, y)' called with too few arguments.");
  free_network(result);
}

// A parameter named like a defined network or list denotes the argument during the call and
// its old meaning afterwards, whether the call succeeds or fails.
TEST_F(FunctionsTest, ParameterDefinitionsAreRestored) {
  NET *defined = symbol_net("q");
  ASSERT_EQ(define_net("x", defined, 0), 0);
  ASSERT_EQ(define_function("Double(x)", "x x"), 0);
  EXPECT_EQ(strings_of(call("Double(", {symbol_net("a")})), (Texts{"a a"}));
  EXPECT_EQ(kora::defined_net(id_of("x")), defined) << "the same record is defined again";
  EXPECT_EQ(defined->definition_label, id_of("x"));

  // "upper" is defined as a symbol list at start-up.
  ALPH *list = symbol_list("upper");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(define_function("Up(upper)", "upper b"), 0);
  EXPECT_EQ(strings_of(call("Up(", {symbol_net("a")})), (Texts{"a b"}));
  EXPECT_EQ(symbol_list("upper"), list);
  EXPECT_EQ(kora::defined_net(id_of("upper")), nullptr);

  // A body that no longer compiles: the bindings still go.
  kora::set_regex_compiler(compile_nothing);
  EXPECT_EQ(strings_of(call("Double(", {symbol_net("a")})), Texts{});
  EXPECT_EQ(kora::defined_net(id_of("x")), defined);
  EXPECT_EQ(strings_of(call("Up(", {symbol_net("a")})), Texts{});
  EXPECT_EQ(symbol_list("upper"), list);
  EXPECT_EQ(kora::defined_net(id_of("upper")), nullptr);
}

TEST_F(FunctionsTest, AFunctionThatCallsItselfIsRefused) {
  ASSERT_EQ(define_function("F(x)", "x"), 0);
  ASSERT_EQ(define_function("F(x)", "F(x) x"), 0) << "validated with the old F(";
  NET *defined = symbol_net("kept");
  define_net("x", defined, 0);
  EXPECT_EQ(strings_of(call("F(", {symbol_net("a")})), Texts{});
  EXPECT_EQ(last_error(), "Function 'F(x)' calls itself and cannot be computed.");
  EXPECT_EQ(kora::defined_net(id_of("x")), defined);
}

// --- Implode and Explode ------------------------------------------------------------------------

TEST_F(FunctionsTest, ImplodeJoinsTheSymbolsOfSinglePaths) {
  NET *cat = concat_net(concat_net(symbol_net("c"), symbol_net("a"), 0, 0), symbol_net("t"), 0, 0);
  const uint32_t id = kora::implode_symbols(args({cat}));
  EXPECT_EQ(kora_test::utf8_name(id), "cat");
  EXPECT_EQ(id, id_of("cat"));
  // Several arguments, multi-character symbols and EPSILON arcs.
  NET *with_epsilon = concat_net(symbol_net("\xC3\xBF" "x"), epsilon_net(), 0, 0);
  EXPECT_EQ(kora_test::utf8_name(kora::implode_symbols(args({with_epsilon, string_to_net("yz", 0)}))),
            "\xC3\xBF" "xyz");
  EXPECT_EQ(kora::implode_symbols(args({epsilon_net()})), kora::EPSILON);
  EXPECT_TRUE(messages().errors.empty()) << last_error();
}

TEST_F(FunctionsTest, ExplodeSpellsTheCharacters) {
  EXPECT_EQ(strings_of(kora::explode_symbols(args({string_to_net("cat", 0)}))), (Texts{"c a t"}));
  EXPECT_EQ(strings_of(kora::explode_symbols(args({symbol_net("cat")}))), (Texts{"c a t"}));
  NET *exploded = kora::explode_symbols(args({symbol_net("\xC3\xA9t\xC3\xA9"), symbol_net("s")}));
  EXPECT_EQ(kora_test::alph_members(exploded->labels).size(), 3u);
  EXPECT_TRUE(test_alph_member(exploded->sigma, id_of("\xC3\xA9")));
  EXPECT_EQ(strings_of(exploded), (Texts{"\xC3\xA9 t \xC3\xA9 s"}));
  EXPECT_EQ(strings_of(kora::explode_symbols(args({epsilon_net()}))), (Texts{""}));
}

TEST_F(FunctionsTest, ImplodeAndExplodeRefuseBadArguments) {
  struct Case {
    NET *argument;
    const char *message;
  } cases[] = {
      {null_net(), "A null fsm is an illegal argument to Expand( and Implode(."},
      {nullptr, "A null fsm is an illegal argument to Expand( and Implode(."},
      {pair_net('a', 'b'), "Arguments to Expand( and Implode( cannot be transducers."},
      {concat_net(symbol_net("a"), label_net(KORA_OTHER), 0, 0),
       "Asguments to Expand( and Implode( cannot contain the unknown symbol."},
      {union_net(symbol_net("a"), symbol_net("b"), 0, 0),
       "Arguments to Expand( and Implode( must consist of a single path."},
      {union_net(symbol_net("a"), string_to_net("ab", 0), 0, 0),  // a final state with an arc
       "Arguments to Expand( and Implode( must consist of a single path."},
  };
  for (bool implode : {true, false}) {
    for (const Case &c : cases) {
      messages().clear();
      NET *argument = c.argument == nullptr ? nullptr : copy_net(c.argument);
      // The first bad argument is reported; the good one before it is checked first.
      NV *nv = args({symbol_net("ok"), argument, pair_net('x', 'y')});
      if (implode) {
        EXPECT_EQ(kora::implode_symbols(nv), KORA_NO_LABEL) << c.message;
      } else {
        EXPECT_EQ(strings_of(kora::explode_symbols(nv)), Texts{}) << c.message;
      }
      EXPECT_EQ(messages().errors, std::vector<std::string>{c.message});
    }
    messages().clear();
    EXPECT_EQ(kora::implode_symbols(nullptr), KORA_NO_LABEL);
    EXPECT_EQ(last_error(), "No arguments to Expand( or Implode(.");
    EXPECT_EQ(strings_of(kora::explode_symbols(make_nv(0))), Texts{});
    EXPECT_EQ(last_error(), "No arguments to Expand( or Implode(.");
  }
  for (const Case &c : cases) free_network(c.argument);
}

// --- Context functions ----------------------------------------------------------------------------

TEST_F(FunctionsTest, ContextFunctionsPrefixTheirSpecifier) {
  const struct {
    uint32_t specifier;
    const char *expected;
  } cases[] = {{kora::LEFT_CONTEXT, "*LEFT_CONTEXT* b a"},
               {kora::NON_LEFT_CONTEXT, "*NON_LEFT_CONTEXT* b a"},
               {kora::RIGHT_CONTEXT, "*RIGHT_CONTEXT* a b"},
               {kora::NON_RIGHT_CONTEXT, "*NON_RIGHT_CONTEXT* a b"}};
  for (const auto &c : cases)
    EXPECT_EQ(strings_of(kora::context_function(c.specifier, string_to_net("ab", 0), nullptr)),
              (Texts{c.expected}));
  NET *left = kora::context_function(kora::LEFT_CONTEXT, symbol_net("a"), nullptr);
  NET *right = kora::context_function(kora::RIGHT_CONTEXT, symbol_net("b"), nullptr);
  EXPECT_EQ(strings_of(kora::context_function(kora::AND_CHECK, left, right)),
            (Texts{"*AND_CHECK* *LEFT_CONTEXT* a", "*AND_CHECK* *RIGHT_CONTEXT* b"}));
  EXPECT_EQ(strings_of(kora::context_function(kora::OR_CHECK, symbol_net("x"), symbol_net("y"))),
            (Texts{"*OR_CHECK* x", "*OR_CHECK* y"}));
  EXPECT_TRUE(messages().errors.empty()) << last_error();

  EXPECT_EQ(strings_of(kora::context_function(97, symbol_net("a"), symbol_net("b"))), Texts{});
  EXPECT_EQ(last_error(), "Bad context specifier: 97");
  ASSERT_EQ(define_net("*RIGHT_CONTEXT*", pair_net('a', 'b'), 0), 0);
  EXPECT_EQ(strings_of(kora::context_function(kora::RIGHT_CONTEXT, symbol_net("a"), nullptr)),
            Texts{});
  EXPECT_EQ(last_error(),
            "\n Cannot use the definition of '*RIGHT_CONTEXT*' in 'RC(': it denotes a relation.");
}

}  // namespace
