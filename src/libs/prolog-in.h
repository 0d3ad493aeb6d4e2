// Networks read from Prolog facts: read_prolog and read_prolog_nets, declared in kora.h, and the
// same from an open stream for the file operator @pl of regular expressions. The grammar, the
// two passes and the messages are described in prolog-in.cpp; the facts are those that
// prolog-out.cpp writes. Tested in tests/formats/prolog_test.cpp.
#pragma once

#include <cstdio>

#include "kora.h"

namespace kora {

// The networks of the Prolog text of `stream`, open and positioned at its start (a coding line
// there sets the encoding of the rest), as read_prolog_nets gives them; the stream stays the
// caller's. Read in two passes when the stream can be rewound, else in one, and in one for the
// standard input when parameter word KORA_PROLOG_ONE_PASS is set. `name` names the stream in
// messages; for the standard input "Parse error on line N." names none.
NV *read_prolog_stream(FILE *stream, const char *name);

}  // namespace kora
