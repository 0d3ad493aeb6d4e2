// Writing the paths of loop-free networks as word lists and spaced text: write_text,
// write_spaced_text, write_text_to_page and write_spaced_text_to_page, declared in kora.h. The
// format and the method are described in text-write.cpp. Tested in
// tests/formats/text_write_test.cpp.
#pragma once

#include "kora.h"
