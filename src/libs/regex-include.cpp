// Networks of the file operators of regular expressions (see regex-include.h).

#include "regex-include.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "bin-in.h"
#include "context.h"
#include "error.h"
#include "net-vector.h"
#include "prolog-in.h"
#include "regex-scanner.h"
#include "text-input.h"
#include "text-read.h"
#include "union.h"

namespace kora {
namespace {

IncludeReaders include_readers = {nullptr};

const char *spelling(int file_operator) {
  static const char *const names[] = {"@", "@re", "@txt", "@stxt", "@pl", "@lx"};
  return file_operator >= 0 && file_operator <= FILE_LX ? names[file_operator] : "@unknown";
}

// The file a name included from the current source stands for: a relative name read from a
// file is taken from that file's folder.
std::string resolve(const char *file_name) {
  const char *including = current_source_name();
  if (std::strcmp(file_name, "-") == 0 || file_name[0] == '/' || including == nullptr)
    return file_name;
  const char *slash = std::strrchr(including, '/');
  if (slash == nullptr) return file_name;
  return std::string(including, static_cast<size_t>(slash - including) + 1) + file_name;
}

// The standard input copied into a temporary file (so that it can be read twice, as encoding
// detection and the text test do), or the named file; null when it cannot be opened.
FILE *open_input(const std::string &file_name) {
  if (file_name != "-") return std::fopen(file_name.c_str(), "rb");
  FILE *copy = std::tmpfile();
  if (copy == nullptr) return nullptr;
  char block[65536];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, stdin)) > 0) std::fwrite(block, 1, got, copy);
  std::rewind(copy);
  return copy;
}

// Whether the stream's first line is text (no third NUL byte); the stream is rewound.
bool looks_like_text(FILE *stream) {
  LineReader lines(stream);
  const bool text = lines.next() != TEXT_BINARY;
  std::rewind(stream);
  return text;
}

NET *refused(FILE *stream) {
  if (stream != nullptr) std::fclose(stream);
  return null_net();
}

// The first of the networks read from the file `name` (consumed), with a warning naming the
// `kind` of file when there were more; the null network after `failure` when there were none.
NET *first_included(NV *nets, const char *name, const char *kind, const char *failure) {
  if (nets == nullptr || nets->len == 0) {
    if (nets != nullptr) free_nv(nets);
    error_printf(failure, name);
    return null_net();
  }
  if (nets->len > 1)
    warning_printf(
        "File '%s' was called by a regular expression.\nIt contains %d %s networks.\n"
        "Only the first network was used !!!",
        name, nets->len, kind);
  return first_net(nets);
}

// "@bin": the first network of a saved network file.
NET *include_binary(const char *name) {
  return first_included(load_nets_from(name, "Cannot open input file '%s'."), name, "binary",
                        "Failed to load the nets from the binary file '%s'.");
}

// "@re": the union of the networks of a file of regular expressions.
NET *include_regexes(const char *name, const std::string &file, SourceCompiler compile_source) {
  if (file != "-" && file_source_open(file.c_str())) {
    error_printf(
        "File '%s' was called by a regular expression.\nIt was already opened on a higher "
        "level.\nThis kind of recursion is not allowed.",
        name);
    return null_net();
  }
  FILE *stream = open_input(file);
  if (stream == nullptr) {
    error_printf("File '%s' was called by @.\n    It could not be opened.", name);
    return null_net();
  }
  if (!looks_like_text(stream)) {
    error_printf(
        "File '%s' was opened by @re in a regular expression.\n    It appears not to be a "
        "text_file.",
        name);
    return refused(stream);
  }
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Opening '%s'\n", name);
  const int depth = source_depth();
  if (!push_stream_source(stream, file.c_str())) return null_net();
  NV *nets = compile_source();
  while (source_depth() > depth) pop_source();
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Closing '%s'\n", name);
  if (nets == nullptr || nets->len == 0) {
    if (nets != nullptr) free_nv(nets);
    error_printf("Failed while parsing the regular expressions in file '%s'.", name);
    return null_net();
  }
  NET *result = nets->len == 1 ? nets->nets[0] : union_fsm(nets, 0, 0);
  free_nv(nets);
  return result;
}

// "@txt", "@stxt", "@pl", "@lx": a text file read by the reader of its format.
NET *include_text(int file_operator, const char *name, const std::string &file) {
  FILE *stream = open_input(file);
  if (stream == nullptr) {
    error_printf("File '%s' was called by %s in a regular expression.\nIt could not be opened.",
                 name, spelling(file_operator));
    return null_net();
  }
  if (!looks_like_text(stream)) {
    error_printf(
        "File '%s' was opened by %s in a regular expression.\nIt appears not to be a "
        "text_file..",
        name, spelling(file_operator));
    return refused(stream);
  }
  bool not_text = false;
  NET *net = nullptr;
  switch (file_operator) {
    case FILE_TXT:
    case FILE_STXT:
      net = read_text_stream(stream, name, file_operator == FILE_STXT, &not_text);
      return net != nullptr ? net : null_net();
    case FILE_LX:
      net = include_readers.lexicon(stream);
      std::fclose(stream);
      return net != nullptr ? net : null_net();
    default: {
      NV *nets = read_prolog_stream(stream, name);
      std::fclose(stream);
      return first_included(nets, name, "prolog",
                            "Failed to build networks from the prolog file '%s'.");
    }
  }
}

}  // namespace

void set_include_readers(IncludeReaders readers) { include_readers = readers; }

NET *include_file(int file_operator, const char *file_name, SourceCompiler compile_source) {
  const std::string file = resolve(file_name);
  switch (file_operator) {
    case FILE_BIN: return include_binary(file.c_str());
    case FILE_RE: return include_regexes(file_name, file, compile_source);
    case FILE_TXT:
    case FILE_STXT:
    case FILE_PL:
    case FILE_LX: return include_text(file_operator, file_name, file);
    default:
      error_printf(
          "File '%s' was called by a regular expression.\nIt has a wrong type specification "
          "after '@'.",
          file_name);
      return null_net();
  }
}

}  // namespace kora
