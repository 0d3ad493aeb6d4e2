// Networks read from Prolog facts: read_prolog and read_prolog_nets, declared in kora.h. The
// grammar, the two passes and the messages are described in prolog-in.cpp; the facts are those
// that prolog-out.cpp writes. Tested in tests/formats/prolog_test.cpp.
#pragma once

#include "kora.h"
