// Helpers of the regex tests: compiling an expression and describing what it accepts.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "kora.h"
#include "language.h"

namespace kora_test {

// Owns a compiled network for the length of a test.
struct Compiled {
  NET *net;
  explicit Compiled(const char *regex) : net(read_regex(regex)) {}
  ~Compiled() { free_network(net); }
  Compiled(const Compiled &) = delete;
  Compiled &operator=(const Compiled &) = delete;
};

// The pairs of `net` of at most `max_length` symbols a side, as "upper" for an identity pair and
// "upper:lower" otherwise; symbols of one printable ASCII character are written as themselves,
// others as <name> (the two fresh symbols of the universe as <FRESH-1>, <FRESH-2>). OTHER stands
// for the symbols of `universe_nets` and of `net` outside its sigma, and the fresh ones.
std::set<std::string> spell(const NET *net, size_t max_length,
                            const std::vector<const NET *> &universe_nets = {});

// Whether two networks have the same pairs up to `max_length` symbols a side, over the symbols of
// both and two fresh ones.
::testing::AssertionResult same_relation(const NET *a, const NET *b, size_t max_length);

}  // namespace kora_test
