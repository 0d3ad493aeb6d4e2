// Marks up arbitrary text with two pattern networks, one walked as a trie (prefixes of one
// another, a multi-character symbol, a multi-byte character, OTHER) and one that the general
// search takes (a flag diacritic on the start state), in both encodings, as a string and as a
// stream read through a window of 64 bytes in blocks of 3: the two must write the same markup
// (the target aborts otherwise). A third network has contexts, some of which look back or
// ahead as far as the line goes: as a string and as a stream it is given a window of 512
// bytes, so that both see contexts of 128 bytes at most.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "apply-patterns.h"
#include "fuzz_support.h"
#include "kora.h"

namespace {

std::string markup(NET *net, const std::string &text, bool stream_it, bool contexts) {
  std::string out;
  FILE *stream = stream_it ? fmemopen(const_cast<char *>(text.data()), text.size(), "r") : nullptr;
  if (stream_it && stream == nullptr) return "";
  APPLY_CONTEXT *applyer = new_pattern_applyer(net, stream_it ? nullptr : text.c_str(), stream,
                                               nullptr, 1, nullptr);
  if (contexts) kora::set_pattern_window(applyer, 512, 3);
  else if (stream_it) kora::set_pattern_window(applyer, 64, 3);
  for (const char *chunk; (chunk = next_pattern_output(applyer)) != nullptr;) out += chunk;
  free_applyer(applyer);
  if (stream != nullptr) std::fclose(stream);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FST_CONTEXT *context = fuzz::quiet_library();
  static NET *nets[3] = {
      read_regex("[{cat} | {ca} | {\xC3\xA9t\xC3\xA9} | \"ch\" a] EndTag(a) | [c ? t EndTag(b)]"),
      read_regex("[\"@U.x.y@\" {ab} EndTag(f)] | [{abc} | {b}] EndTag(g) | [a ? EndTag(h)]"),
      read_regex("[{cat} EndTag(c) AND(NLC(a|\xC3\xA9), RC(?))] | [{ab} EndTag(d) LC(c ?*)] | "
                 "[a EndTag(e) OR(NRC({ab}), LC(\"ch\"))] | [t EndTag(t) RC(?* \" \" )]")};
  if (size > 4096) return 0;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  // A string ends at its first NUL byte; the stream gets the same bytes.
  const auto *bytes = reinterpret_cast<const char *>(data);
  const std::string text(bytes, strnlen(bytes, size));
  for (int k = 0; k < 3; k++)
    if (markup(nets[k], text, false, k == 2) != markup(nets[k], text, true, k == 2)) std::abort();
  return 0;
}
