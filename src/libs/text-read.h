// Reading finite languages and relations from text: word lists (read_text) and spaced text
// (read_spaced_text), both declared in kora.h, and seqs_to_net, which turns any source of label
// sequences into their minimal network.
//
// Word list: one word per line, every character one symbol (a byte in ISO-8859-1, a Unicode
// character in UTF-8). Empty lines are skipped; a line "END;", or one holding only the byte 4,
// ends the list; a coding declaration on the first line is not a word. Lines may be of any
// length and end in LF, CR or CR LF.
//
// Spaced text: paths as blocks of an upper line, for a transducer a lower line, and an empty
// line. Symbols are separated by blanks or tabs; a lone "0" is EPSILON and a lone "?" OTHER;
// "%" makes the next character literal; an unescaped symbol starting with "!" or "#" ends the
// line, and a line whose first symbol does so is a comment. Upper and lower symbols pair by
// position, the shorter line padded with EPSILON; without a lower line the path is the upper
// line's identities.
//
// A word (block) with invalid UTF-8 in UTF-8 mode is left out with the warning "'%s', line
// %lld: invalid UTF-8; the word is left out.". The file's encoding is detected as text-input.h
// does and the context's input encoding restored afterwards. Reading costs O(bytes) plus the
// construction of minimal-sequences.h. Tested in tests/formats/text_read_test.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "kora.h"

namespace kora {

// A source of label sequences.
class SequenceReader {
 public:
  virtual ~SequenceReader() = default;
  // Fills `labels` with the next sequence, ended by ID_NO_SYMBOL, and returns true; false after
  // the last one or on failure.
  virtual bool next(std::vector<uint32_t> *labels) = 0;
  // Whether the reader stopped on a failure it has reported.
  virtual bool failed() const { return false; }
};

// The minimal network (the caller's) of the sequences the reader yields, EPSILON spelling
// nothing: deterministic, minimized, its sigma and labels computed from its arcs. No sequence
// gives the empty language (one non-final state); an empty sequence makes the start state final
// with the note "NOTE: Making start state final on empty sequence." on standard error when
// verbose, when verbose a "." goes there every 100 sequences. A reader that failed gives null.
NET *seqs_to_net(SequenceReader &reader);

// The network of the word list (or, `spaced`, the spaced text) of an open stream, which is read
// to its end and closed; `name` names it in messages. Null when it cannot be read; *not_text
// then says whether that is because the stream is not text (not reported: the caller names it).
NET *read_text_stream(FILE *stream, const char *name, bool spaced, bool *not_text);

}  // namespace kora
