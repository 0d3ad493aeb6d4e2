// kora regex [-o OUT] (EXPR | -f FILE): compiles a regular expression, or every expression of a
// file of expressions, prints the size of each network in one line and with -o saves them all to
// one network file.
//
// Under each error of the parser the command shows where it stopped: the line of the expression
// (or of the file) and a caret under the token, at the place regex_error_position gives.

#include <cstdio>
#include <cstring>
#include <string>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// The text being compiled, for the places of its errors: the expression, or the file's
// contents once an error needs them.
struct Source {
  std::string text;
  const char *file_name = nullptr;  // null for an expression
  bool read = false;
};

Source source;

// The line of `text` that holds `offset` and a caret under it, indented by two blanks. An offset
// at the end of the text (past its last blank) is shown after the last character written.
std::string place_in(const std::string &text, size_t offset) {
  size_t end_of_text = text.find_last_not_of(" \t\r\n");
  end_of_text = end_of_text == std::string::npos ? 0 : end_of_text + 1;
  const bool at_end = offset >= end_of_text;
  if (at_end) offset = end_of_text;
  size_t line_start = offset;
  while (line_start > 0 && text[line_start - 1] != '\n') line_start--;
  size_t line_end = text.find('\n', line_start);
  if (line_end == std::string::npos) line_end = text.size();
  std::string line = text.substr(line_start, line_end - line_start);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // The caret's indentation keeps the line's tabs and counts a UTF-8 character as one column.
  std::string pad;
  for (size_t i = line_start; i < offset; i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t') pad += '\t';
    else if ((c & 0xC0) != 0x80) pad += ' ';
  }
  std::string shown = "  " + line + "\n  " + pad + "^";
  if (at_end)
    shown += source.file_name != nullptr ? " at the end of the file"
                                         : " at the end of the expression";
  return shown + "\n";
}

// The contents of the file, or false when it cannot be read again.
bool read_source_file() {
  if (source.read) return true;
  FILE *file = std::fopen(source.file_name, "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    source.text.append(buffer, count);
  std::fclose(file);
  source.read = true;
  return true;
}

// The error callback while compiling: the library's report, then, for an error of the parser,
// its place.
void report_with_place(const char *message, const char *extra, int code) {
  report_library_error(message, extra, code);
  if (std::strncmp(message, "Regex error", 11) != 0) return;
  long long offset = regex_error_position(nullptr, nullptr);
  if (offset < 0 || (source.file_name != nullptr && !read_source_file())) return;
  report(place_in(source.text, static_cast<size_t>(offset)));
}

}  // namespace

int regex_command(int argc, char **argv) {
  bool from_file = false;
  const char *output = nullptr;
  std::vector<const char *> operands;
  if (!parse_arguments(argc, argv, {{"-f", &from_file}}, &output, operands) ||
      operands.size() != 1)
    return usage();
  if (from_file && !check_readable(operands[0])) return 1;
  if (from_file)
    source.file_name = operands[0];
  else
    source.text = operands[0];
  set_error_function(report_with_place);
  NV *nets = nullptr;
  if (from_file) {
    nets = read_regex_file(operands[0]);
  } else if (NET *net = read_regex(operands[0])) {
    nets = make_nv(1);
    NV_net(nets, 0) = net;
  }
  set_error_function(report_library_error);
  if (nets != nullptr && from_file && NV_len(nets) == 0) {
    std::fprintf(stderr, "kora: '%s' holds no regular expression\n", operands[0]);
    count_failure();
  }
  // An expression the library reported an error in may still have given a network (an empty
  // one, which is not what was written): it is neither saved nor summarized.
  if (nets == nullptr || failures_seen() > 0) {
    std::fprintf(stderr, "kora: the regular expression%s could not be compiled\n",
                 from_file ? "s" : "");
    if (nets != nullptr) free_nv_and_nets(nets);
    return 1;
  }
  int status = 0;
  if (output != nullptr)
    status = write_whole_file(output, "the networks", [nets](const char *file_name) {
      return save_nets(nets, file_name, nullptr) == 0;
    });
  for (int i = 0; i < NV_len(nets); i++) print_summary(NV_net(nets, i));
  free_nv_and_nets(nets);
  return status;
}

}  // namespace kora_tool
