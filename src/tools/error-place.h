// Where a regular expression went wrong, shown as compilers show it: the line of the text that
// holds the error and a caret under its place. Shared by the tool, the Python module and the
// playground (web/).
#pragma once

#include <cstddef>
#include <string>

namespace kora_tool {

// The line of `text` that holds byte `offset` and under it a caret, each indented by two blanks
// (no line end after the caret). The caret's indentation keeps the line's tabs and counts a
// UTF-8 character as one column. An offset past the last character written (at the ";" that
// the library adds, or in the blanks after the end) is shown after that character, followed by
// `end_note`.
inline std::string error_place(const std::string &text, size_t offset, const char *end_note) {
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
  std::string pad;
  for (size_t i = line_start; i < offset; i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t')
      pad += '\t';
    else if ((c & 0xC0) != 0x80)
      pad += ' ';
  }
  std::string shown = "  ";
  shown.append(line).append("\n  ").append(pad).append("^");
  if (at_end) shown.append(end_note);
  return shown;
}

}  // namespace kora_tool
