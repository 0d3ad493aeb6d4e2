// The properties text format: a network's property list written one property per line and read
// back into a network (write_net_properties and read_net_properties, declared in kora.h). The
// format is described in prop-text.cpp. Tested in tests/formats/prop_text_test.cpp.
#pragma once

#include "kora.h"
