// Reading word lists and spaced text into minimal networks.

#include "text-read.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "boundary.h"
#include "context.h"
#include "error.h"
#include "flat-hash.h"
#include "label.h"
#include "minimal-sequences.h"
#include "text-input.h"
#include "utf8.h"

namespace kora {
namespace {

// The control characters 1 to 4 would give the ids of OTHER and of the internal markers
// ALTCHAIN, GUARDEDEPSILON and _DET_EPSILON_; read from text they are symbols named by the
// character, so that what is read is written back as it was.
constexpr uint32_t kLastMarkerCode = 4;

uint32_t control_symbol(uint32_t code) {
  uint32_t id = ID_NO_SYMBOL;
  uint32_t name[2] = {code, 0};
  intern_fat_symbol(&id, name);
  return id;
}

// The symbols of single characters, remembered so that each is interned once per file.
class CharacterSymbols {
 public:
  explicit CharacterSymbols(bool utf8) : utf8_(utf8), others_("NETWORK_FROM_TEXT_FILE") {
    for (uint32_t &id : small_) id = ID_NO_SYMBOL;
  }

  // The symbol of a character: a Unicode code in UTF-8 mode, a byte otherwise.
  uint32_t of(uint32_t code) {
    if (code < 256) {
      uint32_t &id = small_[code];
      if (id == ID_NO_SYMBOL) id = intern(code);
      return id;
    }
    bool added = false;
    Entry *entry = others_.insert(hash_mix(code), [code](const Entry &e) { return e.code == code; },
                                  &added);
    if (added) *entry = {code, intern(code)};
    return entry->id;
  }

 private:
  struct Entry {
    uint32_t code;
    uint32_t id;
  };

  uint32_t intern(uint32_t code) const {
    uint32_t id = ID_NO_SYMBOL;
    if (code <= kLastMarkerCode) return control_symbol(code);
    if (!utf8_) {
      intern_byte_symbol(&id, static_cast<unsigned char>(code));
    } else if (code < 128) {
      id = code;
    } else {
      uint32_t name[2] = {code, 0};
      intern_fat_symbol(&id, name);
    }
    return id;
  }

  bool utf8_;
  uint32_t small_[256];
  FlatHash<Entry> others_;
};

void warn_invalid_utf8(const char *file_name, long long line) {
  warning_printf("'%s', line %lld: invalid UTF-8; the word is left out.", file_name, line);
}

// The lines of a text file that the readers take in, with the failure of a binary file.
class FileLines {
 public:
  FileLines(TextFile &file, const char *name) : file_(file), name_(name) {}

  // The next line: true, or false at the end of the file or when it turned out binary.
  bool next() {
    const int status = file_.lines.next();
    if (status == TEXT_LINE) return true;
    if (status == TEXT_BINARY) {
      error_printf("'%s' appears not to be a text file.", name_);
      failed_ = true;
    }
    return false;
  }
  const char *text() const { return file_.lines.text(); }
  size_t length() const { return file_.lines.length(); }
  long long number() const { return file_.lines.number(); }
  const char *name() const { return name_; }
  bool failed() const { return failed_; }

 private:
  TextFile &file_;
  const char *name_;
  bool failed_ = false;
};

// The words of a word list.
class WordListReader : public SequenceReader {
 public:
  explicit WordListReader(FileLines &lines)
      : lines_(lines), utf8_(context()->in_char_encoding == KORA_UTF8), symbols_(utf8_) {}

  bool next(std::vector<uint32_t> *labels) override {
    while (lines_.next()) {
      if (lines_.number() == 1 && is_coding_declaration(lines_.text())) continue;
      const auto *text = reinterpret_cast<const unsigned char *>(lines_.text());
      size_t length = lines_.length();
      if (std::memchr(text, 0, length) != nullptr) {
        // NUL bytes spell nothing: the line is read without them.
        without_nuls_.assign(lines_.text(), length);
        without_nuls_.erase(std::remove(without_nuls_.begin(), without_nuls_.end(), '\0'),
                            without_nuls_.end());
        text = reinterpret_cast<const unsigned char *>(without_nuls_.data());
        length = without_nuls_.size();
      }
      if (length == 0) continue;
      if ((length == 4 && std::memcmp(text, "END;", 4) == 0) || (length == 1 && text[0] == 4))
        return false;
      labels->clear();
      if (!spell(text, length, labels)) {
        warn_invalid_utf8(lines_.name(), lines_.number());
        continue;
      }
      labels->push_back(ID_NO_SYMBOL);
      return true;
    }
    return false;
  }

  bool failed() const override { return lines_.failed(); }

 private:
  // The symbols of the characters of a line; false for invalid UTF-8.
  bool spell(const unsigned char *text, size_t length, std::vector<uint32_t> *labels) {
    size_t i = 0;
    while (i < length) {
      uint32_t code = text[i];
      int used = 1;
      if (utf8_ && code >= 0x80) {
        used = utf8_decode_char(reinterpret_cast<const char *>(text) + i, length - i, &code);
        if (used == 0) return false;
      }
      labels->push_back(symbols_.of(code));
      i += static_cast<size_t>(used);
    }
    return true;
  }

  FileLines &lines_;
  bool utf8_;
  CharacterSymbols symbols_;
  std::string without_nuls_;
};

// One symbol of a line of spaced text, its escapes undone.
struct Token {
  std::string name;
  bool escaped = false;  // some character was written with "%"
};

// The symbols of a line of spaced text, up to a comment.
std::vector<Token> tokens_of(const char *text, size_t length) {
  std::vector<Token> tokens;
  size_t i = 0;
  for (;;) {
    while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == length || text[i] == '!' || text[i] == '#') break;
    Token token;
    while (i < length && text[i] != ' ' && text[i] != '\t') {
      if (text[i] == '%' && i + 1 < length) {
        token.escaped = true;
        ++i;
      }
      token.name += text[i++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// The paths of spaced text.
class SpacedTextReader : public SequenceReader {
 public:
  explicit SpacedTextReader(FileLines &lines) : lines_(lines) {}

  bool next(std::vector<uint32_t> *labels) override {
    for (;;) {
      std::vector<Token> upper;
      if (!next_line(&upper)) return false;
      if (upper.empty()) continue;
      std::vector<Token> lower;
      const long long line = lines_.number();
      if (next_line(&lower) && !lower.empty()) {
        // A line right after the lower one starts the next block.
        std::vector<Token> after;
        if (next_line(&after) && !after.empty()) pending_ = std::move(after), has_pending_ = true;
      }
      labels->clear();
      if (!spell(upper, lower, labels)) {
        warn_invalid_utf8(lines_.name(), line);
        continue;
      }
      labels->push_back(ID_NO_SYMBOL);
      return true;
    }
  }

  bool failed() const override { return lines_.failed(); }

 private:
  // The symbols of the next line that is not a comment (none for an empty line); false at the
  // end of the file.
  bool next_line(std::vector<Token> *tokens) {
    if (has_pending_) {
      *tokens = std::move(pending_);
      has_pending_ = false;
      return true;
    }
    while (lines_.next()) {
      const char *text = lines_.text();
      size_t first = 0;
      while (first < lines_.length() && (text[first] == ' ' || text[first] == '\t')) ++first;
      if (first < lines_.length() && (text[first] == '!' || text[first] == '#')) continue;
      *tokens = tokens_of(text, lines_.length());
      return true;
    }
    return false;
  }

  // The label of a symbol: a lone unescaped 0 or ? is EPSILON or OTHER. ID_NO_SYMBOL for a name
  // that is not valid in the input encoding.
  static uint32_t label_of(const Token &token) {
    if (!token.escaped && token.name == "0") return EPSILON;
    if (!token.escaped && token.name == "?") return OTHER;
    const auto first = static_cast<unsigned char>(token.name.empty() ? 0 : token.name[0]);
    if (token.name.size() == 1 && first > 0 && first <= kLastMarkerCode)
      return control_symbol(first);
    uint32_t id = ID_NO_SYMBOL;
    if (token.name.find('\0') != std::string::npos) {
      std::string name = token.name;
      name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
      if (name.empty()) return EPSILON;
      return intern_symbol(&id, name.c_str()) == 0 ? id : ID_NO_SYMBOL;
    }
    return intern_symbol(&id, token.name.c_str()) == 0 ? id : ID_NO_SYMBOL;
  }

  // The labels of a block; false when a name is not valid.
  static bool spell(const std::vector<Token> &upper, const std::vector<Token> &lower,
                    std::vector<uint32_t> *labels) {
    const size_t count = lower.empty() ? upper.size() : std::max(upper.size(), lower.size());
    for (size_t i = 0; i < count; ++i) {
      const uint32_t u = i < upper.size() ? label_of(upper[i]) : EPSILON;
      if (u == ID_NO_SYMBOL) return false;
      uint32_t label = u;
      if (!lower.empty()) {
        const uint32_t l = i < lower.size() ? label_of(lower[i]) : EPSILON;
        if (l == ID_NO_SYMBOL || intern_pair(&label, u, l) != 0) return false;
      }
      if (label != EPSILON) labels->push_back(label);
    }
    return true;
  }

  FileLines &lines_;
  std::vector<Token> pending_;
  bool has_pending_ = false;
};

// Reads an open text file through a Reader of its lines, and closes it.
template <typename Reader>
NET *read_open_text(TextFile &file, const char *file_name) {
  FileLines lines(file, file_name);
  Reader reader(lines);
  NET *net = seqs_to_net(reader);
  close_text_file(&file);
  return net;
}

// Reads a file through a Reader of its lines.
template <typename Reader>
NET *read_text_file(const char *file_name) {
  TextFile file;
  const int status = open_text_file(file_name, &file);
  if (status == TEXT_NOT_TEXT) error_printf("'%s' appears not to be a text file.", file_name);
  if (status != TEXT_OK) return nullptr;
  return read_open_text<Reader>(file, file_name);
}

}  // namespace

NET *read_text_stream(FILE *stream, const char *name, bool spaced, bool *not_text) {
  TextFile file;
  const int status = open_text_stream(stream, name, &file);
  *not_text = status == TEXT_NOT_TEXT;
  if (status != TEXT_OK) return nullptr;
  return spaced ? read_open_text<SpacedTextReader>(file, name)
                : read_open_text<WordListReader>(file, name);
}

NET *seqs_to_net(SequenceReader &reader) {
  const bool verbose = parameter(KORA_VERBOSE) != 0;
  LabelSequences sequences;
  std::vector<uint32_t> labels;
  bool noted_empty = false;
  while (reader.next(&labels)) {
    size_t count = 0;
    while (count < labels.size() && labels[count] != ID_NO_SYMBOL) ++count;
    size_t spelled = 0;
    for (size_t i = 0; i < count; ++i) spelled += labels[i] != EPSILON;
    if (spelled == 0 && verbose && !noted_empty) {
      std::fprintf(stderr, "NOTE: Making start state final on empty sequence.\n");
      noted_empty = true;
    }
    sequences.add(labels.data(), count);
    if (verbose && sequences.size() % 100 == 0) std::fputc('.', stderr);
  }
  if (verbose && sequences.size() >= 100) std::fputc('\n', stderr);
  if (reader.failed()) return nullptr;
  return minimal_net_of_sequences(sequences);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *read_text(const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return read_text_file<WordListReader>(file_name);
  });
}

KORA_API NET *read_spaced_text(const char *file_name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return read_text_file<SpacedTextReader>(file_name);
  });
}

}  // extern "C"
