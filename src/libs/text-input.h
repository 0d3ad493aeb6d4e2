// Text input: reading the lines of text files whatever their line ends, detecting binary files,
// and choosing the input encoding of a file from its byte order mark or its coding declaration
// ("# -*- coding: latin-1 -*-") for the time it is read.
//
// Every reader of text files (word lists and spaced text, regular-expression files, lexicon
// sources) goes through this module:
//
//   TextFile file;                       // or open_text_file with a stream of one's own
//   if (open_text_file(name, &file) != TEXT_OK) ...;   // reported; nothing to close
//   while (file.lines.next() == TEXT_LINE) use(file.lines.text(), file.lines.length());
//   close_text_file(&file);              // closes it and restores the input encoding
//
// LF, CR and CR LF all end a line; the line end is never part of the text. A line with three
// NUL bytes marks the file as binary. Reading is one pass with getc: O(bytes).
// Tested in tests/foundation/text_input_test.cpp.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace kora {

// Statuses of reading a line.
enum TextStatus {
  TEXT_LINE = 0,       // a line was read
  TEXT_END = -1,       // end of file, nothing read
  TEXT_BINARY = 10,    // a third NUL byte in the line: the file is not text
  TEXT_LONG_LINE = 13  // size - 1 characters read without a line end; the line goes on
};

// Statuses of opening a text file.
enum TextFileStatus {
  TEXT_OK = 0,
  TEXT_BAD_DECLARATION = 3,  // an unknown or late coding declaration (warned about; reading goes on)
  TEXT_CANNOT_OPEN = 9,      // missing, unreadable or not a regular file
  TEXT_NOT_TEXT = 10         // the first line looks binary
};

// Whether `line` has the form of a coding declaration: "#" or "!", later "-*-", later "coding:".
bool is_coding_declaration(const char *line);

// Reads the coding declaration of `line`, if it has one. "utf-8" and "utf8" set *encoding to
// UTF-8 (1); "iso-8859-1", "iso88591", "iso8859-1", "iso-8859/1", "iso8859/1", "latin-1" and
// "latin1" (any case) set it to ISO-8859-1 (2), unless it is already 1 from a UTF-8 byte order
// mark, which gives the warning "The declaration ... comes after a UTF_8 byte order mark ..."
// and 3. Any other name gives the warning "Unknown character encoding: %s." and 3. Returns 0
// when the line has no declaration or a valid one.
int parse_coding_declaration(const char *line, int *encoding);

// Inspects the first line of the stream from its current position: byte order marks of UTF-16
// and UTF-32 are warned about as unsupported and skipped; the UTF-8 mark sets *encoding to 1,
// is skipped, and the rest of the line is searched for a coding declaration; without a mark
// the whole line is. The stream is left at its old position plus the bytes skipped, so that
// readers never see a byte order mark. Returns the status of reading the line (TEXT_LINE,
// TEXT_END, TEXT_LONG_LINE or TEXT_BINARY); a declaration is looked for only after TEXT_LINE
// or TEXT_LONG_LINE. *encoding is left alone when nothing is detected.
int check_byte_order_mark(FILE *stream, int *encoding);

// Stores the context's input encoding in *saved and detects the encoding of the file: of
// `stream`, or of the file `filename` opened here when `stream` is null (a null name gives
// TEXT_OK; a file that cannot be opened gives the warning "'%s' cannot be opened." and
// TEXT_CANNOT_OPEN). *detected becomes the encoding detected, or *saved when nothing was; when
// it differs from the current one the input encoding is switched to it (with `verbose`, "Input
// encoding set to %s\n" on standard error). A file opened here is closed again, and one whose
// first line looks binary is reported as the error "'%s' appears to be a binary file.".
// Returns TEXT_OK, TEXT_CANNOT_OPEN or TEXT_NOT_TEXT.
int set_input_encoding_for_file(int *saved, int *detected, FILE *stream, const char *filename,
                                int verbose);

// Undoes set_input_encoding_for_file: when `detected` differs from `saved`, the input encoding
// goes back to `saved` (with `verbose`, "Input encoding restored to %s.\n" on standard error).
void restore_input_encoding(int saved, int detected, int verbose);

// Reads whole lines of any length and counts them. A line end is LF, CR or CR LF; it is consumed
// but not stored (after a lone CR the next character is put back). A last line without a line
// end is a line too; when verbose, "Last line is not terminated.\n" goes to standard error. A
// third NUL byte in a line means the file is not text (the first two are kept as characters).
class LineReader {
 public:
  explicit LineReader(FILE *stream = nullptr) : stream_(stream) {}

  void attach(FILE *stream) { stream_ = stream; }

  // Reads the next line: TEXT_LINE, TEXT_END or TEXT_BINARY. The text (which may hold up to two
  // NUL bytes) stays valid until the next call.
  int next();

  const char *text() const { return text_.c_str(); }
  size_t length() const { return text_.size(); }
  // The number of the line last read, from 1.
  long long number() const { return number_; }

 private:
  FILE *stream_;
  std::string text_;
  long long number_ = 0;
};

// A text file open for reading, with the input encoding chosen for it.
struct TextFile {
  FILE *stream = nullptr;
  int saved_encoding = 0;
  int detected_encoding = 0;
  LineReader lines;
};

// Opens `filename` for reading and detects its encoding (set_input_encoding_for_file, quietly
// unless verbose). Returns TEXT_OK with the file open and the input encoding switched for it.
// Otherwise nothing stays open and
// the input encoding is unchanged: TEXT_CANNOT_OPEN for a null name, a missing or unreadable
// file or one that is not a regular file (reported as the error "Cannot open '%s'."), and
// TEXT_NOT_TEXT when the first line looks binary (not reported: the caller names the format).
int open_text_file(const char *filename, TextFile *file);

// open_text_file for a stream already open (`name` for messages), which the TextFile then owns:
// close_text_file closes it, and so does a status other than TEXT_OK.
int open_text_stream(FILE *stream, const char *name, TextFile *file);

// Closes the file and restores the input encoding. A file never opened is ignored.
void close_text_file(TextFile *file);

}  // namespace kora
