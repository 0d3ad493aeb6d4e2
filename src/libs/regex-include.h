// Networks taken from files by the file operators of regular expressions: "@bin" (or "@") a
// saved network file, "@re" a file of regular expressions (the union of their networks), "@txt"
// a word list, "@stxt" spaced text, "@pl" a Prolog file and "@lx" a lexicon source. The name
// "-" is the standard input (for every operator but "@bin"). A relative name read from a file
// is taken from that file's folder, so that a grammar's files name one another wherever it is
// compiled from; read from a string it is taken from the working directory.
//
// Every failure is reported (messages below in include_file) and gives the null network, which
// the surrounding expression carries through its operations. Tested in
// tests/regex/include_test.cpp.
#pragma once

#include <cstdio>

#include "kora.h"

namespace kora {

// File operator codes, as the scanner gives them.
enum FileOperator { FILE_BIN = 0, FILE_RE = 1, FILE_TXT = 2, FILE_STXT = 3, FILE_PL = 4, FILE_LX = 5 };

// Compiles every expression of the source just pushed, to its end; the networks, or null when
// any expression failed (then reported). Supplied by the regex compiler, which this module
// lies below.
using SourceCompiler = NV *(*)();

// The network of the file `file_name` (bytes in the library's encoding) for `file_operator`.
// "@re" files are compiled with `compile_source` on the scanner's source stack; one open at a
// higher level of the stack already is refused (no recursion).
NET *include_file(int file_operator, const char *file_name, SourceCompiler compile_source);

// The readers of the layers above, installed at start-up: the lexicon compiler (a stream read
// to its end).
struct IncludeReaders {
  NET *(*lexicon)(FILE *stream);
};
void set_include_readers(IncludeReaders readers);

}  // namespace kora
