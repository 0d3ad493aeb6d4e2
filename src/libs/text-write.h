// Writing the paths of loop-free networks as word lists and spaced text: write_text,
// write_spaced_text, write_text_to_page and write_spaced_text_to_page, declared in kora.h. The
// format and the method are described in text-write.cpp. Tested in
// tests/formats/text_write_test.cpp.
//
// Below, what every writer of a text format (word lists, spaced text, Prolog) shares: the
// network's own label map made current, the plain form of a network in another
// representation, and the characters of the output encoding.
#pragma once

#include <cstdint>
#include <string>

#include "kora.h"
#include "label.h"

namespace kora {

// Appends the code to `text` in the output encoding: its UTF-8 bytes with `utf8`, else its
// ISO-8859-1 byte (as fat_to_thin converts it).
void append_output_code(uint32_t code, bool utf8, std::string *text);

// Whether a symbol of the network's sigma has a character that ISO-8859-1 cannot write.
bool needs_unicode(NET *net);

// The label map of the network made current for the time of a write.
class NetLabelMap {
 public:
  explicit NetLabelMap(NET *net);
  ~NetLabelMap();
  NetLabelMap(const NetLabelMap &) = delete;
  NetLabelMap &operator=(const NetLabelMap &) = delete;

 private:
  LABEL_MAP *saved_;
};

// The network a writer lists: the network itself in the plain form, else a plain copy of an
// arc-optimized, shared, vectorized or reduced one (owned here). Null, reported ("Cannot do
// this operation on a %s."), for a form that has no plain copy (compacted, virtual).
class PlainForm {
 public:
  explicit PlainForm(NET *net);
  ~PlainForm();
  PlainForm(const PlainForm &) = delete;
  PlainForm &operator=(const PlainForm &) = delete;
  NET *get() const { return net_; }

 private:
  NET *net_;
  NET *copy_ = nullptr;
};

}  // namespace kora
