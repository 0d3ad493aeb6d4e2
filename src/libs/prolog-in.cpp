// Reading networks from Prolog facts (read_prolog and read_prolog_nets, declared in kora.h).
//
// The reader takes what prolog-out.cpp writes, in this grammar:
//   file:   clauses, up to the end of the file or a line "END;"
//   clause: network(NAME). | start(NAME, STATE). | arc(NAME, STATE, STATE, LABEL).
//           | final(NAME, STATE). | symbol(NAME, SYMBOL).
//   LABEL:  SYMBOL | SYMBOL:SYMBOL (upper and lower), each SYMBOL a double-quoted name
//   NAME, STATE: atoms, runs of characters that do not end an atom (ends_prolog_atom in
//           prolog-out.h); a STATE is a decimal number below 2^31.
// "!" starts a comment that runs to the end of the line; blanks and control characters
// separate tokens; a first line that declares the file's coding is skipped (and sets the
// encoding of the rest of a stream that open_text_file did not open). Inside quotes a lone 0 is
// EPSILON and a lone ? OTHER; "%" makes the next character literal (%0 and %? are the symbols 0
// and ?, %% is %); so does a backslash, except that \n, \r and \t stand for newline, carriage
// return and tab. A quoted name ends on its line.
//
// A network is made when its name is first met, and the networks are returned in that order;
// its NETWORKNAME is the name, unless the name is a generated one ("net_" and hexadecimal
// digits). States are made on demand by number, state 0 being the start state ("start" facts
// are accepted and change nothing); the state list is in number order and each state's arcs in
// file order. The symbols of "symbol" facts and of the labels make the sigma. A network is
// marked deterministic when no state has an EPSILON arc or two arcs with one label, and
// epsilon_free when no arc is EPSILON; no other mark is claimed. An EPSILON arc from a state to
// itself, which adds nothing, is left out.
//
// A file is read twice. The first pass notes for each network the largest state number and how
// many state numbers it mentions, so that the second can keep its states in a table indexed by
// number. A network whose numbers are sparse (its table would hold more than four slots per
// mention, plus 1024) keeps its states in a hash table instead, as does every network read in
// one pass: a stream is when it cannot be rewound, and the standard input also when parameter
// word KORA_PROLOG_ONE_PASS is set. The states of a hash table are sorted by number at the end.
// Time O(bytes) with tables, O(bytes + V log V) with hash tables; space O(V + E).
//
// A syntax error stops the reading: "*** MESSAGE at 'TOKEN'\n" goes to the standard error
// stream and the error "Parse error on line N in file 'NAME'." (for the standard input "Parse
// error on line N.") to the error channel; the networks read before it are returned.

#include "prolog-in.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "alph.h"
#include "bin-in.h"
#include "boundary.h"
#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "flag-marks.h"
#include "flat-hash.h"
#include "label.h"
#include "net-vector.h"
#include "prolog-out.h"
#include "prop-names.h"
#include "prop.h"
#include "struct.h"
#include "text-input.h"
#include "utf8.h"

namespace kora {
namespace {

constexpr uint32_t kLargestState = 0x7FFFFFFF;

// ---- Tokens ----------------------------------------------------------------------------------

enum class Kind { kAtom, kString, kOpen, kClose, kComma, kDot, kColon, kEnd, kBad };

struct Token {
  Kind kind = Kind::kEnd;
  std::string text;              // as written: an atom's bytes, a string with its quotes
  std::vector<uint32_t> codes;   // the characters of an atom or a string, escapes undone
  bool escaped = false;          // a string used an escape
  const char *problem = nullptr; // what is wrong with a kBad token
  long long line = 0;
};

// Cuts the lines of a file into tokens.
class Scanner {
 public:
  // With `own_coding`, a coding line sets the encoding of the rest of the stream; otherwise the
  // context's input encoding is the stream's.
  Scanner(FILE *stream, bool own_coding)
      : lines_(stream), own_coding_(own_coding),
        utf8_(context()->in_char_encoding == KORA_UTF8) {}

  Token next() {
    for (;;) {
      if (!has_line_ && !next_line()) {
        Token end;
        end.line = lines_.number();
        return end;
      }
      while (at_ < text_.size() && static_cast<unsigned char>(text_[at_]) <= ' ') at_++;
      if (at_ == text_.size() || text_[at_] == '!') {
        has_line_ = false;
        continue;
      }
      Token token;
      token.line = lines_.number();
      const char c = text_[at_];
      const Kind single = c == '(' ? Kind::kOpen : c == ')' ? Kind::kClose
                          : c == ',' ? Kind::kComma : c == '.' ? Kind::kDot
                          : c == ':' ? Kind::kColon : Kind::kBad;
      if (single != Kind::kBad) {
        token.kind = single;
        token.text = c;
        at_++;
      } else if (c == '"') {
        quoted(&token);
      } else {
        atom(&token);
      }
      return token;
    }
  }

  // Whether the file turned out not to be text.
  bool binary() const { return binary_; }

 private:
  bool next_line() {
    if (ended_) return false;
    const int status = lines_.next();
    if (status == TEXT_BINARY) binary_ = true;
    if (status != TEXT_LINE) return false;
    text_.assign(lines_.text(), lines_.length());
    at_ = 0;
    if (lines_.number() == 1 && is_coding_declaration(text_.c_str())) {
      int declared = utf8_ ? KORA_UTF8 : KORA_LATIN1;
      if (own_coding_ && parse_coding_declaration(text_.c_str(), &declared) == 0)
        utf8_ = declared == KORA_UTF8;
      return next_line();
    }
    size_t end = text_.find_last_not_of(" \t");
    if (text_.compare(0, end == std::string::npos ? 0 : end + 1, "END;") == 0) {
      ended_ = true;
      return false;
    }
    has_line_ = true;
    return true;
  }

  // Decodes the character at at_ in the input encoding and moves past it; false for invalid
  // UTF-8.
  bool decode(uint32_t *code) {
    const auto byte = static_cast<unsigned char>(text_[at_]);
    if (utf8_ && byte >= 0x80) {
      const int used = utf8_decode_char(text_.data() + at_, text_.size() - at_, code);
      if (used == 0) return false;
      at_ += static_cast<size_t>(used);
      return true;
    }
    *code = input_character_code(byte, true);
    at_++;
    return true;
  }

  void atom(Token *token) {
    const size_t start = at_;
    token->codes.reserve(16);
    while (at_ < text_.size() && !ends_prolog_atom(static_cast<unsigned char>(text_[at_]))) {
      uint32_t code = 0;
      if (!decode(&code)) {
        bad(token, start, "invalid UTF-8");
        return;
      }
      token->codes.push_back(code);
    }
    token->kind = Kind::kAtom;
    token->text.assign(text_, start, at_ - start);
  }

  void quoted(Token *token) {
    const size_t start = at_++;
    token->codes.reserve(16);
    for (;;) {
      if (at_ == text_.size()) return bad(token, start, "unterminated string");
      const char c = text_[at_];
      if (c == '"') break;
      uint32_t code = 0;
      if (c == '%' || c == '\\') {
        token->escaped = true;
        if (++at_ == text_.size()) return bad(token, start, "unterminated string");
        const char after = text_[at_];
        if (c == '\\' && (after == 'n' || after == 'r' || after == 't')) {
          token->codes.push_back(after == 'n' ? '\n' : after == 'r' ? '\r' : '\t');
          at_++;
          continue;
        }
      }
      if (!decode(&code)) return bad(token, start, "invalid UTF-8");
      if (code == 0) return bad(token, start, "NUL character in a name");
      token->codes.push_back(code);
    }
    at_++;
    token->kind = Kind::kString;
    token->text.assign(text_, start, at_ - start);
  }

  // Makes `token` a bad token of the text from `start` to the end of the line.
  void bad(Token *token, size_t start, const char *problem) {
    token->kind = Kind::kBad;
    token->problem = problem;
    token->text.assign(text_, start, std::string::npos);
    at_ = text_.size();
  }

  LineReader lines_;
  bool own_coding_;
  bool utf8_;
  std::string text_;
  size_t at_ = 0;
  bool has_line_ = false;
  bool ended_ = false;
  bool binary_ = false;
};

// ---- Clauses -----------------------------------------------------------------------------------

enum class Fact { kNetwork, kStart, kArc, kFinal, kSymbol };

struct Clause {
  Fact fact = Fact::kNetwork;
  Token name;
  uint32_t from = 0;   // start, final: the state; arc: the source
  uint32_t to = 0;     // arc: the destination
  Token upper;         // arc: the label or its upper side; symbol: the symbol
  Token lower;         // arc: the lower side of a pair
  bool pair = false;
};

// Reads clauses one at a time, stopping at the first syntax error.
class Parser {
 public:
  explicit Parser(Scanner &scanner) : scanner_(scanner) {}

  // The next clause: true; false at the end of the input or at a syntax error (failed()).
  bool next(Clause *clause) {
    if (failed_) return false;
    Token functor = scanner_.next();
    last_line_ = functor.line;
    if (functor.kind == Kind::kEnd) return false;
    static const struct {
      const char *name;
      Fact fact;
    } facts[] = {{"network", Fact::kNetwork}, {"start", Fact::kStart}, {"arc", Fact::kArc},
                 {"final", Fact::kFinal},     {"symbol", Fact::kSymbol}};
    bool known = false;
    for (const auto &fact : facts)
      if (functor.kind == Kind::kAtom && functor.text == fact.name) {
        clause->fact = fact.fact;
        known = true;
      }
    if (!known) return fail(functor);
    clause->pair = false;
    if (!expect(Kind::kOpen) || !expect(Kind::kAtom, &clause->name)) return false;
    switch (clause->fact) {
      case Fact::kNetwork:
        break;
      case Fact::kStart:
      case Fact::kFinal:
        if (!expect(Kind::kComma) || !state(&clause->from)) return false;
        break;
      case Fact::kArc:
        if (!expect(Kind::kComma) || !state(&clause->from) || !expect(Kind::kComma) ||
            !state(&clause->to) || !expect(Kind::kComma) ||
            !expect(Kind::kString, &clause->upper))
          return false;
        break;
      case Fact::kSymbol:
        if (!expect(Kind::kComma) || !expect(Kind::kString, &clause->upper)) return false;
        break;
    }
    Token token = take();
    if (clause->fact == Fact::kArc && token.kind == Kind::kColon) {
      clause->pair = true;
      if (!expect(Kind::kString, &clause->lower)) return false;
      token = take();
    }
    if (token.kind != Kind::kClose) return fail(token);
    return expect(Kind::kDot);
  }

  bool failed() const { return failed_; }

  // Reports the syntax error; `file_name` is null for the standard input.
  void report(const char *file_name) const {
    std::fprintf(stderr, "*** %s at '%s'\n", message_, offending_.c_str());
    if (file_name == nullptr)
      error_printf("Parse error on line %lld.", last_line_);
    else
      error_printf("Parse error on line %lld in file '%s'.", last_line_, file_name);
  }

 private:
  Token take() {
    Token token = scanner_.next();
    last_line_ = token.line;
    return token;
  }

  bool expect(Kind kind, Token *out = nullptr) {
    Token token = take();
    if (token.kind != kind) return fail(token);
    if (out != nullptr) *out = std::move(token);
    return true;
  }

  // A state number: decimal digits, at most kLargestState.
  bool state(uint32_t *number) {
    Token token = take();
    if (token.kind != Kind::kAtom) return fail(token);
    uint64_t value = 0;
    for (char c : token.text) {
      if (c < '0' || c > '9' || value > kLargestState) return fail(token, "bad state number");
      value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > kLargestState) return fail(token, "bad state number");
    *number = static_cast<uint32_t>(value);
    return true;
  }

  bool fail(const Token &token, const char *message = "syntax error") {
    failed_ = true;
    message_ = token.kind == Kind::kBad ? token.problem : message;
    offending_ = token.text;
    return false;
  }

  Scanner &scanner_;
  bool failed_ = false;
  const char *message_ = "";
  std::string offending_;
  long long last_line_ = 0;
};

// ---- Building ----------------------------------------------------------------------------------

// What the first pass notes of the state numbers of a network.
struct Extent {
  uint32_t largest = 0;
  size_t mentions = 0;
};

using Extents = std::unordered_map<std::string, Extent>;

// The states of a network by number, made on demand: in a table indexed by number when the
// first pass says that it is dense, else in a hash table.
class StateIndex {
 public:
  explicit StateIndex(const Extent *extent) {
    if (extent != nullptr && extent->largest / 4 <= extent->mentions + 256)
      table_.assign(static_cast<size_t>(extent->largest) + 1, nullptr);
  }

  STATE *get(uint32_t number, NET *net) {
    if (number < table_.size()) {
      STATE *&state = table_[number];
      if (state == nullptr) state = make_state(nullptr, net);
      return state;
    }
    bool added = false;
    Entry *entry = hash_.insert(hash_mix(number), [number](const Entry &e) {
      return e.number == number;
    }, &added);
    if (added) {
      *entry = {number, make_state(nullptr, net)};
      sparse_.push_back(*entry);
    }
    return entry->state;
  }

  // Every state made, in number order.
  std::vector<STATE *> in_order() {
    std::vector<STATE *> states;
    for (STATE *state : table_)
      if (state != nullptr) states.push_back(state);
    std::sort(sparse_.begin(), sparse_.end(),
              [](const Entry &a, const Entry &b) { return a.number < b.number; });
    for (const Entry &entry : sparse_) states.push_back(entry.state);
    return states;
  }

 private:
  struct Entry {
    uint32_t number;
    STATE *state;
  };
  std::vector<STATE *> table_;
  FlatHash<Entry> hash_{"READ_PROLOG"};
  std::vector<Entry> sparse_;  // the states of the hash table, in the order they were made
};

// A network under construction. Its states are on its state list from the moment they are
// made, so that freeing the network frees them.
struct Building {
  NET *net;
  StateIndex states;
  std::vector<uint32_t> listed;  // the symbols of its "symbol" facts
  bool epsilon = false;          // an EPSILON arc was added

  Building(NET *made, const Extent *extent) : net(made), states(extent) {}
};

// Makes the networks of the clauses, in the order their names are first met.
class Builder {
 public:
  // `extents` from the first pass, or null for one pass.
  explicit Builder(const Extents *extents) : extents_(extents) {}

  void add(const Clause &clause) {
    Building &building = network(clause.name);
    NET *net = building.net;
    switch (clause.fact) {
      case Fact::kNetwork:
      case Fact::kStart:
        break;
      case Fact::kFinal:
        building.states.get(clause.from, net)->flags.final = 1;
        break;
      case Fact::kSymbol:
        if (uint32_t id = symbol(clause.upper); id != ID_NO_SYMBOL) building.listed.push_back(id);
        break;
      case Fact::kArc: {
        STATE *from = building.states.get(clause.from, net);
        STATE *to = building.states.get(clause.to, net);
        uint32_t label = symbol(clause.upper);
        if (clause.pair) {
          const uint32_t lower = symbol(clause.lower);
          if (label == ID_NO_SYMBOL || lower == ID_NO_SYMBOL ||
              intern_pair(&label, label, lower) != 0)
            break;
        }
        if (label == ID_NO_SYMBOL || (label == EPSILON && from == to)) break;
        building.epsilon = building.epsilon || label == EPSILON;
        push_arc(alloc_arc(label, to, net), from);
        break;
      }
    }
  }

  // The networks, finished, in a new vector (null when there are none); the builder gives
  // them up.
  NV *finish() {
    for (std::unique_ptr<Building> &building : buildings_) finish(*building);
    NV *nv = nullptr;
    for (std::unique_ptr<Building> &building : buildings_) nv = nv_push_back(building->net, nv);
    buildings_.clear();
    return nv;
  }

  // Frees the networks made so far.
  void discard() {
    for (std::unique_ptr<Building> &building : buildings_) free_network(building->net);
    buildings_.clear();
  }

 private:
  Building &network(const Token &name) {
    auto [entry, added] = by_name_.try_emplace(name.text, buildings_.size());
    if (!added) return *buildings_[entry->second];
    const Extent *extent = nullptr;
    if (extents_ != nullptr) {
      auto found = extents_->find(name.text);
      if (found != extents_->end()) extent = &found->second;
    }
    NET *net = make_network();
    buildings_.push_back(std::make_unique<Building>(net, extent));
    if (!is_generated_prolog_name(name.text.data(), name.text.size())) {
      std::vector<uint32_t> codes = name.codes;
      codes.push_back(0);
      add_string_prop(net, standard_name("NETWORKNAME"), fat_strdup(codes.data()));
    }
    net->start = buildings_.back()->states.get(0, net);
    return *buildings_.back();
  }

  // The label of a quoted symbol: a lone 0 or ? written without escape is EPSILON or OTHER.
  static uint32_t symbol(const Token &token) {
    if (!token.escaped && token.codes.size() == 1 && token.codes[0] == '0') return EPSILON;
    if (!token.escaped && token.codes.size() == 1 && token.codes[0] == '?') return OTHER;
    std::vector<uint32_t> name = token.codes;
    name.push_back(0);
    uint32_t id = ID_NO_SYMBOL;
    intern_fat_symbol(&id, name.data());
    return id;
  }

  static void finish(Building &building) {
    NET *net = building.net;
    STATE **link = &net->states;
    for (STATE *state : building.states.in_order()) {
      // Each state's arcs were pushed in front of one another: put them in file order.
      ARC *reversed = nullptr;
      for (ARC *arc = state->arcs, *next = nullptr; arc != nullptr; arc = next) {
        next = arc->next;
        arc->next = reversed;
        reversed = arc;
      }
      state->arcs = reversed;
      *link = state;
      link = &state->next;
    }
    *link = nullptr;
    labels_from_arcs(net);
    ALPH *sigma = sigma_from_labels(net, 2);
    for (uint32_t id : building.listed) sigma = alph_add_to(sigma, id, 0);
    free_alph(net->sigma);
    net->sigma = sigma;
    net->flags.epsilon_free = !building.epsilon;
    net->flags.deterministic = mark_deterministic_states(net);
    recompute_flag_marks(net);
  }

  const Extents *extents_;
  std::vector<std::unique_ptr<Building>> buildings_;
  std::unordered_map<std::string, size_t> by_name_;
};

// ---- Reading -----------------------------------------------------------------------------------

// The first pass: the extents of the networks' state numbers, up to the end or the first error.
Extents first_pass(FILE *stream, bool own_coding) {
  Extents extents;
  Scanner scanner(stream, own_coding);
  Parser parser(scanner);
  Clause clause;
  while (parser.next(&clause)) {
    Extent &extent = extents[clause.name.text];
    const int states = clause.fact == Fact::kArc ? 2
                       : clause.fact == Fact::kFinal || clause.fact == Fact::kStart ? 1 : 0;
    extent.mentions += static_cast<size_t>(states);
    if (states > 0) extent.largest = std::max(extent.largest, clause.from);
    if (states > 1) extent.largest = std::max(extent.largest, clause.to);
  }
  return extents;
}

// The networks of the stream, read in two passes (the stream rewound in between) or one;
// `name` is null for the standard input. Null, reported, when the stream is not text.
NV *read_networks(FILE *stream, const char *name, bool two_passes, bool own_coding) {
  Extents extents;
  if (two_passes) {
    const long start = std::ftell(stream);
    extents = first_pass(stream, own_coding);
    std::clearerr(stream);
    std::fseek(stream, start, SEEK_SET);
  }
  Scanner scanner(stream, own_coding);
  Parser parser(scanner);
  Builder builder(two_passes ? &extents : nullptr);
  Clause clause;
  while (parser.next(&clause)) builder.add(clause);
  if (scanner.binary()) {
    builder.discard();
    error_printf("'%s' appears not to be a text file.", name == nullptr ? "stdin" : name);
    return nullptr;
  }
  if (parser.failed()) parser.report(name);
  return builder.finish();
}

// Whether the stream can be rewound for a second pass.
bool rewindable(FILE *stream) {
  const long at = std::ftell(stream);
  return at >= 0 && std::fseek(stream, at, SEEK_SET) == 0;
}

NV *read_prolog_file(const char *file_name) {
  if (file_name == nullptr) return read_prolog_stream(stdin, nullptr);
  TextFile file;
  const int status = open_text_file(file_name, &file);
  if (status == TEXT_NOT_TEXT) error_printf("'%s' appears not to be a text file.", file_name);
  if (status != TEXT_OK) return nullptr;
  NV *nv = read_networks(file.stream, file_name, true, false);
  close_text_file(&file);
  return nv;
}

}  // namespace

NV *read_prolog_stream(FILE *stream, const char *name) {
  const bool standard_input = stream == stdin;
  const bool one_pass = standard_input && parameter(KORA_PROLOG_ONE_PASS) != 0;
  return read_networks(stream, standard_input ? nullptr : name, !one_pass && rewindable(stream),
                       true);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NV *read_prolog_nets(const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NV * { return read_prolog_file(file_name); });
}

KORA_API NET *read_prolog(const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    NV *nv = read_prolog_file(file_name);
    if (nv == nullptr) return nullptr;
    if (nv->len > 1 && parameter(KORA_VERBOSE) != 0)
      std::fprintf(stderr, "Returning only the first network out of %d\n", nv->len);
    NET *first = nv->nets[0];
    nv->nets[0] = nullptr;
    free_nv_and_nets(nv);
    return first;
  });
}

}  // extern "C"
