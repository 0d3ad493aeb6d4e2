// The oracle of the calculus tests: the string pairs a network accepts, enumerated up to a
// bound.
//
// OTHER is given a concrete meaning: a universe of symbol ids is fixed for a test (the symbols
// of the networks compared plus two fresh ones), and an arc labelled OTHER on a network stands for
// every universe symbol outside that network's sigma. OTHER:x stands for every such symbol paired
// with x, and OTHER:OTHER for every pair of two different such symbols.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "kora.h"
#include "networks.h"

namespace kora_test {

using StringPair = std::pair<Symbols, Symbols>;  // (upper, lower)
using Relation = std::set<StringPair>;

// The symbols of the networks' sigmas (OTHER left out) and two fresh symbols no network knows.
Symbols universe_of(const std::vector<const NET *> &nets);

// The concrete (upper, lower) pairs an arc label stands for (EPSILON excluded).
std::vector<std::pair<uint32_t, uint32_t>> label_instances(uint32_t label, const NET *net,
                                                           const Symbols &universe);

// Every (upper, lower) pair the network accepts whose sides have at most max_length symbols,
// EPSILON spelling nothing, as do the ALTCHAIN arcs of optimized networks (they stand for the
// arcs of their destination); shared arc lists are read as they run. For a network of arity 1 upper equals lower.
Relation enumerate(const NET *net, const Symbols &universe, size_t max_length);
// The same with a bound for each side.
Relation enumerate(const NET *net, const Symbols &universe, size_t max_upper, size_t max_lower);

// Every string of at most `max_length` symbols of `universe`, shorter strings first: the inputs
// that lookup tests try.
std::vector<Symbols> strings_up_to(const Symbols &universe, size_t max_length);

// Readable form of a relation for failure messages.
std::string describe(const Relation &relation);

// The pairs of `net` of at most `max_length` symbols a side, as "upper" for an identity pair and
// "upper:lower" otherwise; symbols of one printable ASCII character are written as themselves,
// others as <name> (the two fresh symbols of the universe as <FRESH-1>, <FRESH-2>). OTHER stands
// for the symbols of `universe_nets` and of `net` outside its sigma, and the fresh ones.
std::set<std::string> words(const NET *net, size_t max_length,
                            const std::vector<const NET *> &universe_nets = {});

// Whether two networks have the same pairs up to `max_length` symbols a side, over the symbols of
// both and two fresh ones.
::testing::AssertionResult same_relation(const NET *a, const NET *b, size_t max_length);

// The label sequences of at most `max_length` labels that paths from the start state to a final
// state spell, each label an atom (a tuple or OTHER is one label; EPSILON spells nothing) paired
// with its arc's user pointer when `pointers` is set: the reference of the operations that treat
// labels as atoms, and of the text readers and writers. A walk over (state, sequence)
// configurations, each visited once, so that EPSILON cycles cost nothing.
using Atom = std::pair<uint32_t, const void *>;
std::set<std::vector<Atom>> atom_sequences(const NET *net, size_t max_length, bool pointers);

// The label sequences alone, of any length: the network must be loop-free (and is best marked so,
// which spares the walk its set of configurations).
std::set<Symbols> label_paths(const NET *net);

// The characters of UTF-8 text, each as its bytes (a lead byte and the continuation bytes after
// it).
std::vector<std::string> utf8_characters(const std::string &text);

// Owns a network compiled from a regular expression for the length of a test.
struct Compiled {
  NET *net;
  explicit Compiled(const char *regex) : net(read_regex(regex)) {}
  ~Compiled() { free_network(net); }
  Compiled(const Compiled &) = delete;
  Compiled &operator=(const Compiled &) = delete;
};

// The name of a symbol in UTF-8 ("" for EPSILON and for ids that are not symbols).
std::string utf8_name(uint32_t id);

// Every (upper, lower) pair the network accepts with at most `max_symbols` symbols on each side,
// each side spelled as the UTF-8 names of its symbols joined by `separator`. For an automaton
// the two sides are equal.
std::set<std::pair<std::string, std::string>> spelled_pairs(const NET *net, size_t max_symbols,
                                                            const char *separator = "");

// The upper sides of spelled_pairs: the strings of an automaton.
std::set<std::string> spellings(const NET *net, size_t max_symbols, const char *separator = "");

}  // namespace kora_test
