// Lexicon construction (see lexicon-aux.h for the method and its cost).

#include "lexicon-aux.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "concat.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "flag-marks.h"
#include "lab-vect.h"
#include "label.h"
#include "lexicon-grammar.h"
#include "minimal-sequences.h"
#include "minimize.h"
#include "modify.h"
#include "pars-tbl.h"
#include "prune.h"
#include "struct.h"
#include "text-input.h"
#include "union.h"

namespace kora {
namespace {

// A bracketed class name ("<<<N>>>") must be shorter than this.
constexpr size_t kMaxClassLabelLength = 100;
constexpr long long kProgressStep = 10000;

// `word` without its "%" escapes: each "%" goes and the character after it stays.
std::string strip_escapes(const std::string &word) {
  std::string stripped;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '%' && i + 1 < word.size()) ++i;
    stripped.push_back(word[i]);
  }
  return stripped;
}

// The network of the regular expression `text` of an entry or a definition, which begins on
// line `line`, or null after the regex compiler's report and "\nline %lld: Regular expression
// error: '%s'\n" with the line of the error (that of the text when the error has no place).
NET *compile_lexicon_regex(const std::string &text, long long line) {
  NET *net = read_regex(text.c_str());
  if (net != nullptr) return net;
  long long error_line = 1;
  regex_error_position(&error_line, nullptr);
  std::string message = "line " + std::to_string(line + error_line - 1) +
                        ": Regular expression error: '" + text + "'";
  error_or_print(message.c_str(), ("\n" + message + "\n").c_str());
  return nullptr;
}

// The one-symbol network that stands for a regular expression that did not compile.
NET *regex_error_placeholder() {
  return symbol_net("*** regex error ***");
}

struct Sublexicon {
  std::string name;          // as declared, escapes stripped
  uint32_t class_label;      // "<<<name>>>"
  bool declared = false;
  long long declared_line = 0;   // where its LEXICON line is
  long long mentioned_line = 0;  // where an entry first continues to it
  bool regex_failed = false;  // a regular-expression entry did not compile: not finished
  LabelSequences entries;
  NET *regexes = nullptr;    // the union of its regular-expression entries, with class labels
  NET *net = nullptr;        // built at the end
};

class VornBuilder : public LexiconBuilder {
 public:
  explicit VornBuilder(bool progress)
      : progress_(progress && parameter(KORA_VERBOSE) != 0), ids_(make_lab_vector(64)) {}
  ~VornBuilder() override;

  void begin_multichar_symbols() override { declared_ = true; }
  void multichar_symbol(const std::string &word) override;
  void end_multichar_symbols() override {}
  void no_multichar_symbols() override { declared_ = false; }
  void definition(const std::string &name, const std::string &regex, long long line) override;
  void begin_lexicons() override;
  void begin_sublexicon(const std::string &name, long long line) override;
  void simple_entry(const std::string &word, const std::string &class_name,
                    long long line) override;
  void pair_entry(const std::string &upper, const std::string &lower,
                  const std::string &class_name, long long line) override;
  void regex_entry(const std::string &regex, const std::string &class_name,
                   long long line) override;
  void info_string(long long line) override;
  void end_sublexicon() override;
  void end_lexicons() override {}

  // The network of the lexicon after a parse without errors (the caller's).
  NET *build();

 private:
  // The class label of `name` (escapes stripped), ID_NO_SYMBOL when it is too long (reported).
  uint32_t class_label(const std::string &name, std::string *stripped);
  // The sublexicon of a class label, created undeclared when new.
  size_t find_or_create(uint32_t label, const std::string &name);
  // find_or_create for the class of an entry on line_.
  void mention(uint32_t label, const std::string &name);
  // Cuts `word` into symbols, appended to `out`; false (reported) on a UTF-8 error.
  bool tokenize(const std::string &word, std::vector<uint32_t> *out);
  void note_symbol(uint32_t id);
  bool count_entry();
  void add_entry(uint32_t class_label);
  void progress_text(const std::string &text, bool separate);
  void finish_sublexicons();
  void report_undefined();
  void report_lost(const NET *result);

  bool progress_;
  long long line_ = 0;  // the line of the construct being built, for messages
  bool declared_ = false;
  bool noted_parse_failure_ = false;
  bool noted_info_ = false;
  std::vector<uint32_t> multichar_;
  PARSE_TABLE *table_ = nullptr;
  LAB_VECTOR *ids_;
  std::vector<long long> alphabet_;  // by symbol id: the first line of an entry using it, or 0
  std::deque<Sublexicon> sublexicons_;  // a deque: current_ stays valid as it grows
  std::unordered_map<uint32_t, size_t> by_label_;
  Sublexicon *current_ = nullptr;
  std::vector<uint32_t> entry_;
  std::vector<uint32_t> lower_;
  long long entry_count_ = 0;
  long long total_entries_ = 0;
  int progress_column_ = 0;
  int progress_lines_ = 0;
};

VornBuilder::~VornBuilder() {
  for (Sublexicon &sublexicon : sublexicons_) {
    free_network(sublexicon.regexes);
    free_network(sublexicon.net);
  }
  free_parse_table(table_);
  free_lab_vector(ids_);
}

void VornBuilder::multichar_symbol(const std::string &word) {
  uint32_t id = ID_NO_SYMBOL;
  std::string name = strip_escapes(word);
  if (intern_symbol(&id, name.c_str()) == 0 && id != EPSILON && id != ID_NO_SYMBOL)
    multichar_.push_back(id);
}

void VornBuilder::definition(const std::string &name, const std::string &regex, long long line) {
  NET *net = compile_lexicon_regex(regex, line);
  if (net == nullptr) net = regex_error_placeholder();
  uint32_t id = ID_NO_SYMBOL;
  std::string stripped = strip_escapes(name);
  if (intern_symbol(&id, stripped.c_str()) != 0 ||
      define_net_by_id(id, net, parameter(KORA_READ_BY_DEFINITION)) != 0)
    free_network(net);
}

void VornBuilder::begin_lexicons() {
  // The tokenizer knows the declared symbols; single characters are entered as they are met.
  ALPH *symbols = make_alph(0, KORA_BINARY_ALPH);
  for (uint32_t id : multichar_) symbols = alph_add_to(symbols, id, 0);
  table_ = make_parse_table(nullptr, symbols, 0);
  free_alph(symbols);
  uint32_t end = ID_NO_SYMBOL;
  intern_symbol(&end, "<<<#>>>");
  find_or_create(end, "#");
  // Continuing to "#" ends a word: the end class holds the empty sequence.
  sublexicons_[0].entries.add(nullptr, 0);
}

uint32_t VornBuilder::class_label(const std::string &name, std::string *stripped) {
  *stripped = strip_escapes(name);
  std::string bracketed = "<<<" + *stripped + ">>>";
  if (bracketed.size() >= kMaxClassLabelLength) {
    error_printf("line %lld: Sublexicon name '%s' is too long: names must be shorter than %d "
                 "bytes.",
                 line_, stripped->c_str(), static_cast<int>(kMaxClassLabelLength - 6));
    return ID_NO_SYMBOL;
  }
  uint32_t id = ID_NO_SYMBOL;
  if (intern_symbol(&id, bracketed.c_str()) != 0) return ID_NO_SYMBOL;
  return id;
}

size_t VornBuilder::find_or_create(uint32_t label, const std::string &name) {
  auto found = by_label_.find(label);
  if (found != by_label_.end()) return found->second;
  sublexicons_.emplace_back();
  sublexicons_.back().name = name;
  sublexicons_.back().class_label = label;
  by_label_.emplace(label, sublexicons_.size() - 1);
  return sublexicons_.size() - 1;
}

void VornBuilder::mention(uint32_t label, const std::string &name) {
  Sublexicon &sublexicon = sublexicons_[find_or_create(label, name)];
  if (sublexicon.mentioned_line == 0) sublexicon.mentioned_line = line_;
}

void VornBuilder::progress_text(const std::string &text, bool separate) {
  int limit = progress_lines_ == 0 ? 80 : 68;
  if (separate && progress_column_ > 0) {
    if (progress_column_ + 2 + static_cast<int>(text.size()) > limit) {
      std::fputs(",\n", stderr);
      progress_column_ = 0;
      progress_lines_++;
    } else {
      std::fputs(", ", stderr);
      progress_column_ += 2;
    }
  }
  std::fputs(text.c_str(), stderr);
  progress_column_ += static_cast<int>(text.size());
}

void VornBuilder::begin_sublexicon(const std::string &name, long long line) {
  line_ = line;
  entry_count_ = 0;
  std::string stripped;
  uint32_t label = class_label(name, &stripped);
  if (label == ID_NO_SYMBOL) {
    current_ = nullptr;
    return;
  }
  if (progress_) progress_text(stripped + "...", true);
  size_t index = find_or_create(label, stripped);
  current_ = &sublexicons_[index];
  if (current_->declared || index == 0)
    warning_printf("line %lld: Sublexicon is declared more than once. (%s)", line,
                   stripped.c_str());
  else
    current_->declared_line = line;
  current_->declared = true;
}

void VornBuilder::end_sublexicon() {
  if (progress_) progress_text(std::to_string(entry_count_), false);
  current_ = nullptr;
}

void VornBuilder::info_string(long long line) {
  if (noted_info_) return;
  noted_info_ = true;
  warning_printf("line %lld: Ignoring info strings.", line);
}

void VornBuilder::note_symbol(uint32_t id) {
  if (id == EPSILON || id == ID_NO_SYMBOL) return;
  if (id >= alphabet_.size()) alphabet_.resize(id + 1 + id / 2, 0);
  if (alphabet_[id] == 0) alphabet_[id] = line_;
}

bool VornBuilder::tokenize(const std::string &word, std::vector<uint32_t> *out) {
  if (tokenize_string(word.c_str(), table_, ids_) != 0) {
    warning_printf("line %lld: Cannot parse '%s'.", line_, word.c_str());
    if (!noted_parse_failure_) {
      noted_parse_failure_ = true;
      const char *note =
          "NOTE:  If you declare MULTICHAR_SYMBOLS instead of ALPHABET, all undeclared\n"
          "\t             symbols are parsed as single characters.  If neither set is "
          "declared,\n\t             then all symbols are parsed as single characters.";
      warning_or_print(note, ("\n" + std::string(note) + "\n").c_str());
    }
    return false;
  }
  for (int i = 0; i < LAB_VECTOR_length(ids_); ++i) {
    uint32_t id = LAB_VECTOR_item(ids_, i);
    if (id == ID_NO_SYMBOL) break;
    out->push_back(id);
  }
  return true;
}

// Counts an entry and prints the count every kProgressStep entries. False when there is no
// sublexicon to add to (its name was refused).
bool VornBuilder::count_entry() {
  entry_count_++;
  total_entries_++;
  if (progress_ && total_entries_ % kProgressStep == 0) {
    std::string text = std::to_string(total_entries_) + "...";
    if (progress_column_ + static_cast<int>(text.size()) + 1 > 78) {
      std::fputc('\n', stderr);
      progress_column_ = 0;
    } else if (progress_column_ > 0) {
      std::fputc(' ', stderr);
      progress_column_++;
    }
    std::fputs(text.c_str(), stderr);
    progress_column_ += static_cast<int>(text.size());
  }
  return current_ != nullptr;
}

void VornBuilder::add_entry(uint32_t class_label) {
  entry_.push_back(class_label);
  current_->entries.add(entry_.data(), entry_.size());
}

void VornBuilder::simple_entry(const std::string &word, const std::string &class_name,
                               long long line) {
  line_ = line;
  if (!count_entry()) return;
  entry_.clear();
  if (!tokenize(word, &entry_)) return;
  std::string stripped;
  uint32_t label = class_label(class_name, &stripped);
  if (label == ID_NO_SYMBOL) return;
  for (uint32_t id : entry_) note_symbol(id);
  mention(label, stripped);
  add_entry(label);
}

void VornBuilder::pair_entry(const std::string &upper, const std::string &lower,
                             const std::string &class_name, long long line) {
  line_ = line;
  if (!count_entry()) return;
  entry_.clear();
  lower_.clear();
  if (!tokenize(upper, &entry_) || !tokenize(lower, &lower_)) return;
  std::string stripped;
  uint32_t label = class_label(class_name, &stripped);
  if (label == ID_NO_SYMBOL) return;
  size_t length = std::max(entry_.size(), lower_.size());
  entry_.resize(length, EPSILON);
  lower_.resize(length, EPSILON);
  for (size_t i = 0; i < length; ++i) {
    note_symbol(entry_[i]);
    note_symbol(lower_[i]);
    if (entry_[i] != lower_[i]) entry_[i] = pair_id(entry_[i], lower_[i]);
  }
  mention(label, stripped);
  add_entry(label);
}

void VornBuilder::regex_entry(const std::string &regex, const std::string &class_name,
                              long long line) {
  line_ = line;
  if (!count_entry()) return;
  std::string stripped;
  uint32_t label = class_label(class_name, &stripped);
  if (label == ID_NO_SYMBOL) return;
  mention(label, stripped);
  NET *net = compile_lexicon_regex(regex, line);
  if (net == nullptr) {
    net = regex_error_placeholder();
    current_->regex_failed = true;
  }
  extend_fsm(net, label, false);
  ALPH *sigma = NET_sigma(net);
  if (sigma != nullptr && ALPH_type(sigma) == KORA_BINARY_ALPH) {
    for (int id = 0; id < ALPH_len(sigma); ++id)
      if (ALPH_item(sigma, id) != 0 && static_cast<uint32_t>(id) != label) note_symbol(id);
  }
  if (current_->regexes == nullptr) {
    current_->regexes = net;
  } else {
    harmonize_sigmas(current_->regexes, net);
    current_->regexes = union_pair(current_->regexes, net);
  }
}

// Makes the network of every sublexicon: the minimal network of its entries, united with its
// regular-expression entries. A sublexicon whose regular expressions failed stays empty.
void VornBuilder::finish_sublexicons() {
  for (Sublexicon &sublexicon : sublexicons_) {
    if (sublexicon.regex_failed) {
      free_network(sublexicon.regexes);
      sublexicon.regexes = nullptr;
      sublexicon.net = null_net();
    } else {
      sublexicon.net = minimal_net_of_sequences(sublexicon.entries);
      if (sublexicon.regexes != nullptr) {
        harmonize_sigmas(sublexicon.net, sublexicon.regexes);
        sublexicon.net = union_pair(sublexicon.net, sublexicon.regexes);
        sublexicon.regexes = nullptr;
      }
    }
    sublexicon.entries.clear();
  }
  if (alphabet_.size() > OTHER && alphabet_[OTHER] != 0) {
    // OTHER in some entry: it must not stand for symbols that other sublexicons spell out.
    ALPH *symbols = make_alph(static_cast<int>(alphabet_.size()), KORA_BINARY_ALPH);
    for (size_t id = 0; id < alphabet_.size(); ++id) ALPH_item(symbols, id) = alphabet_[id] != 0;
    for (Sublexicon &sublexicon : sublexicons_) expand_other(sublexicon.net, symbols);
    free_alph(symbols);
  }
}

void VornBuilder::report_undefined() {
  std::vector<uint8_t> reported(sublexicons_.size(), 0);
  for (const Sublexicon &sublexicon : sublexicons_) {
    for (STATE *state = sublexicon.net->states; state != nullptr; state = state->next) {
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
        auto found = by_label_.find(arc->label);
        if (found == by_label_.end() || found->second == 0) continue;
        if (sublexicons_[found->second].declared || reported[found->second]) continue;
        reported[found->second] = 1;
        warning_printf("line %lld: Sublexicon is mentioned but not defined. (%s)",
                       sublexicons_[found->second].mentioned_line,
                       sublexicons_[found->second].name.c_str());
      }
    }
  }
}

// The warning names the line of the first entry with a lost symbol.
void VornBuilder::report_lost(const NET *result) {
  const ALPH *sigma = result->sigma;
  std::string list;
  int column = 4;
  long long first_line = 0;
  for (size_t id = 0; id < alphabet_.size(); ++id) {
    if (alphabet_[id] == 0) continue;
    if (sigma != nullptr && ALPH_type(sigma) == KORA_BINARY_ALPH &&
        static_cast<int>(id) < ALPH_len(sigma) && ALPH_item(sigma, id) != 0)
      continue;
    if (first_line == 0 || alphabet_[id] < first_line) first_line = alphabet_[id];
    std::string name;
    append_label(name, static_cast<uint32_t>(id), 1);
    if (column > 4 && column + 1 + static_cast<int>(name.size()) > 78) {
      list += "\n    ";
      column = 4;
    } else if (column > 4) {
      list += ' ';
      column++;
    }
    list += name;
    column += static_cast<int>(name.size());
  }
  if (list.empty()) return;
  const std::string warning =
      "Lost all entries containing the following symbols:\n    " + list;
  warning_or_print(("line " + std::to_string(first_line) + ": " + warning).c_str(),
                   ("\n*** Warning: " + warning + "\n").c_str());
}

NET *VornBuilder::build() {
  uint32_t root_labels[2] = {ID_NO_SYMBOL, ID_NO_SYMBOL};
  intern_symbol(&root_labels[0], "<<<ROOT>>>");
  intern_symbol(&root_labels[1], "<<<Root>>>");
  bool verbose = parameter(KORA_VERBOSE) != 0;
  if (progress_ && progress_column_ > 0) std::fputc('\n', stderr);
  if (verbose) std::fputs("Building lexicon...\n", stderr);
  finish_sublexicons();
  report_undefined();

  size_t root = 0;
  for (size_t i = 1; i < sublexicons_.size() && root == 0; ++i)
    if (sublexicons_[i].declared && (sublexicons_[i].class_label == root_labels[0] ||
                                     sublexicons_[i].class_label == root_labels[1]))
      root = i;
  for (size_t i = 1; i < sublexicons_.size() && root == 0; ++i)
    if (sublexicons_[i].declared) root = i;
  if (root == 0) {
    warning("No sublexicons defined!");
    return null_net();
  }

  // The sublexicons the root reaches through class labels.
  std::vector<uint8_t> reached(sublexicons_.size(), 0);
  std::vector<size_t> queue{root};
  reached[root] = 1;
  for (size_t next = 0; next < queue.size(); ++next) {
    for (STATE *state = sublexicons_[queue[next]].net->states; state != nullptr;
         state = state->next) {
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
        auto found = by_label_.find(arc->label);
        if (found == by_label_.end() || reached[found->second]) continue;
        if (found->second != 0 && !sublexicons_[found->second].declared) continue;
        reached[found->second] = 1;
        queue.push_back(found->second);
      }
    }
  }
  // Printed, the unused sublexicons are one list; a callback gets a warning for each, with the
  // line of its LEXICON (the list goes with the first, printed as a whole).
  std::string unused;
  for (size_t i = 1; i < sublexicons_.size(); ++i)
    if (sublexicons_[i].declared && !reached[i]) unused += "      " + sublexicons_[i].name + "\n";
  const std::string list = "\n*** Warning:  Sublexicons defined but not used:\n" + unused;
  bool listed = false;
  for (size_t i = 1; i < sublexicons_.size(); ++i) {
    if (!sublexicons_[i].declared || reached[i]) continue;
    std::string message = "line " + std::to_string(sublexicons_[i].declared_line) +
                          ": Sublexicons defined but not used: " + sublexicons_[i].name;
    warning_or_print(message.c_str(), listed ? "" : list.c_str());
    listed = true;
  }

  // The join: the reached networks' states move into the root's network, and class arcs become
  // EPSILON arcs into the start states of their sublexicons.
  NET *result = sublexicons_[root].net;
  sublexicons_[root].net = nullptr;
  std::vector<STATE *> starts(sublexicons_.size(), nullptr);
  starts[root] = result->start;
  ALPH *sigma = make_alph(static_cast<int>(label_count()), KORA_BINARY_ALPH);
  auto add_sigma = [sigma](const ALPH *other) {
    if (other == nullptr || ALPH_type(other) != KORA_BINARY_ALPH) return;
    for (int id = 0; id < ALPH_len(other) && id < ALPH_len(sigma); ++id)
      if (ALPH_item(other, id) != 0) ALPH_item(sigma, id) = 1;
  };
  add_sigma(result->sigma);
  for (size_t i : queue) {
    if (i == root) continue;
    NET *net = sublexicons_[i].net;
    sublexicons_[i].net = nullptr;
    starts[i] = net->start;
    add_sigma(net->sigma);
    if (net->states != nullptr) {
      STATE *last = net->states;
      while (last->next != nullptr) last = last->next;
      last->next = result->states;
      result->states = net->states;
    }
    result->num_states += net->num_states;
    result->num_arcs += net->num_arcs;
    merge_common_flags(result, net);
    free_network_record(net);
  }
  for (const Sublexicon &sublexicon : sublexicons_)
    if (sublexicon.class_label < static_cast<uint32_t>(ALPH_len(sigma)))
      ALPH_item(sigma, sublexicon.class_label) = 0;
  for (STATE *state = result->states; state != nullptr; state = state->next) {
    state->flags.final = 0;
    ARC **link = &state->arcs;
    while (*link != nullptr) {
      ARC *arc = *link;
      auto found = by_label_.find(arc->label);
      if (found == by_label_.end()) {
        link = &arc->next;
        continue;
      }
      STATE *target = reached[found->second] ? starts[found->second] : nullptr;
      if (target == nullptr || target == state) {
        // A class never declared loses its entries; an EPSILON loop adds nothing.
        *link = arc->next;
        free_arc(arc);
        result->num_arcs--;
        continue;
      }
      arc->label = EPSILON;
      arc->destination = target;
      state->flags.deterministic = 0;
      link = &arc->next;
    }
  }
  if (starts[0] != nullptr) starts[0]->flags.final = 1;
  result->flags.deterministic = 0;
  result->flags.minimized = 0;
  result->flags.epsilon_free = 0;
  result->flags.pruned = 0;
  result->flags.loop_free = 0;
  result->flags.sorted_states = 0;
  result->flags.start_final = starts[0] == result->start;
  result->flags2.sorted_arcs = 0;
  labels_from_arcs(result);
  free_alph(result->sigma);
  result->sigma = sigma;

  result = prune_fsm(result, 0);
  if (verbose) std::fputs("Minimizing...\n", stderr);
  result = min_fsm(result, 0);
  if (verbose) std::fputs("Done!\n", stderr);
  if (!alph_has_other(result->sigma)) {
    free_alph(result->sigma);
    result->sigma = sigma_from_labels(result, 2);
  }
  report_lost(result);
  return recompute_flag_marks(result);
}

}  // namespace

NET *compile_lexicon(std::string_view source, bool progress, long long *lines) {
  // Entry words are cut in the encoding the file is read in: a Latin-1 file is cut byte by
  // byte even when the context writes UTF-8.
  // The output encoding is put back however the compilation ends (an abandoned call too).
  struct OutputEncoding {
    FST_CONTEXT *settings = context();
    int saved = settings->out_char_encoding;
    ~OutputEncoding() { settings->out_char_encoding = saved; }
  } output_encoding;
  if (output_encoding.settings->in_char_encoding == KORA_LATIN1)
    output_encoding.settings->out_char_encoding = KORA_LATIN1;
  VornBuilder builder(progress);
  ParseResult parsed = parse_lexicon(source, builder);
  if (lines != nullptr) *lines = parsed.lines;
  if (parsed.errors > 0) {
    error_printf("Compilation aborted because of %lld parse error%s.", parsed.errors,
                 parsed.errors == 1 ? "" : "s");
    return null_net();
  }
  return builder.build();
}

NET *compile_lexicon_stream(FILE *stream, long long *lines) {
  std::string source;
  char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) source.append(buffer, count);
  return compile_lexicon(source, isatty(fileno(stream)) == 0, lines);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *read_vorn(const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    TextFile file;
    int status = open_text_file(file_name, &file);
    if (status == TEXT_NOT_TEXT) {
      error_printf("'%s' appears not to be a text file.", file_name);
      return nullptr;
    }
    if (status != TEXT_OK) return nullptr;
    struct Closing {
      TextFile *file;
      ~Closing() { close_text_file(file); }
    } closing{&file};
    return compile_lexicon_stream(file.stream, nullptr);
  });
}

}  // extern "C"
