// The network of an alphabet: alphabet_net (declared in kora.h) builds the two-state network
// whose strings are the one-symbol strings of an alphabet's members, the network form of a
// symbol list. Time and space O(members). Tested in tests/networks/alph_net_test.cpp.
#pragma once

#include "kora.h"
