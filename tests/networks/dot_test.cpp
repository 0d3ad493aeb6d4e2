// Drawing networks as Graphviz DOT: a golden drawing of a small transducer, the drawing against
// the listing of print_net on random networks, and the refusals.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>

#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

using kora_test::messages;

// network_to_dot's text, freed; "(null)" when it refused.
std::string dot_of(NET *net, long max_states = 0) {
  char *text = network_to_dot(net, max_states);
  if (text == nullptr) return "(null)";
  std::string result = text;
  std::free(text);
  return result;
}

uint32_t symbol(const char *name) {
  uint32_t id = kora::ID_NO_SYMBOL;
  EXPECT_EQ(kora::intern_symbol(&id, name), 0) << name;
  return id;
}

using DotTest = kora_test::Library;

// Merged edges in arc order (arcs are added at the head of a state's list, so the listing order
// is the reverse of the order below), pairs, EPSILON, OTHER, the escapes of the listing (%0 for
// a literal zero), DOT escapes of '"' and '\' in one- and multi-character symbols, a loop, a
// state the start state cannot reach (numbered last).
TEST_F(DotTest, SmallTransducerMatchesGoldenDrawing) {
  using kora::EPSILON;
  using kora::OTHER;
  using kora::pair_id;
  NET *net = kora_test::build_net(
      5, {3, 4},
      {{0, pair_id('a', 'b'), 2},
       {0, 'c', 2},
       {0, EPSILON, 3},
       {0, pair_id(OTHER, 'x'), 2},
       {2, '"', 3},
       {2, '\\', 3},
       {2, symbol("+Noun"), 4},
       {2, '0', 4},
       {3, symbol("q\"u\\o"), 3},
       {4, OTHER, 0},
       {4, pair_id(symbol("+Pl"), EPSILON), 3}});
  EXPECT_EQ(dot_of(net), kora_test::read_file(KORA_TEST_DATA "/draw/transducer.dot"));
  EXPECT_EQ(dot_of(net, 4), "(null)");
  EXPECT_TRUE(messages().warnings.empty());
  free_network(net);
}

// What a drawing or a listing says about a network: the final states and, for each pair of
// states, the labels of its arcs in order.
struct Shape {
  std::string finals;
  std::map<std::pair<int, int>, std::string> edges;
  bool operator==(const Shape &other) const {
    return finals == other.finals && edges == other.edges;
  }
};

Shape shape_of_drawing(const std::string &dot) {
  Shape shape;
  static const std::regex node(R"(  (\d+)( \[shape=doublecircle\])?;)");
  static const std::regex edge(R"re(  (\d+) -> (\d+) \[label="(.*)"\];)re");
  std::istringstream lines(dot);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    if (std::regex_match(line, match, node) && match[2].matched) shape.finals += match[1].str() + " ";
    if (std::regex_match(line, match, edge)) {
      auto key = std::make_pair(std::stoi(match[1]), std::stoi(match[2]));
      EXPECT_EQ(shape.edges.count(key), 0u) << "two edges " << match[1] << " -> " << match[2];
      shape.edges[key] = match[3];
    }
  }
  return shape;
}

// Reads a listing whose labels hold no ", " nor " -> ".
Shape shape_of_listing(NET *net) {
  char *text = nullptr;
  size_t length = 0;
  FILE *stream = open_memstream(&text, &length);
  print_net(net, stream);
  std::fclose(stream);
  std::istringstream lines(std::string(text, length));
  std::free(text);
  Shape shape;
  static const std::regex state(R"((f?)s(\d+): +(.*))");
  static const std::regex arc(R"((.*) -> f?s(\d+)\.?)");
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    if (!std::regex_match(line, match, state)) continue;
    int source = std::stoi(match[2]);
    if (match[1].length() > 0) shape.finals += match[2].str() + " ";
    std::string arcs = match[3];
    if (arcs == "(no arcs)") continue;
    for (size_t start = 0; start <= arcs.size();) {
      size_t end = arcs.find(", ", start);
      if (end == std::string::npos) end = arcs.size();
      std::string item = arcs.substr(start, end - start);
      std::smatch parts;
      EXPECT_TRUE(std::regex_match(item, parts, arc)) << item;
      std::string &labels = shape.edges[{source, std::stoi(parts[2])}];
      labels += (labels.empty() ? "" : ", ") + parts[1].str();
      start = end + 2;
    }
  }
  return shape;
}

TEST_F(DotTest, DrawingAgreesWithListingOnRandomNetworks) {
  context_->eol_string = "\n";
  context_->line_width = 0;  // one line per state
  kora_test::RandomNetOptions options;
  options.max_states = 6;
  options.max_arcs = 14;
  options.transducer = true;
  options.other = true;
  kora_test::for_seeds(200, [&](unsigned, std::mt19937 &random) {
    NET *net = kora_test::random_net(random, options);
    std::string dot = dot_of(net);
    EXPECT_TRUE(shape_of_drawing(dot) == shape_of_listing(net)) << dot;
    // Only the start state has the arrow.
    EXPECT_NE(dot.find("  start -> 0;\n"), std::string::npos);
    EXPECT_EQ(net->states->client_cell, nullptr) << "client cells are cleared";
    free_network(net);
  });
}

TEST_F(DotTest, RefusesNullCompactedAndTooLargeNetworks) {
  EXPECT_EQ(network_to_dot(nullptr, 0), nullptr);
  NET *chain = kora_test::chain_net(4);  // 5 states
  EXPECT_EQ(dot_of(chain, 4), "(null)");
  EXPECT_NE(dot_of(chain, 5), "(null)");
  EXPECT_NE(dot_of(chain, 0), "(null)");
  EXPECT_NE(dot_of(chain, -1), "(null)");
  chain->flags.compacted = 1;
  EXPECT_EQ(dot_of(chain), "(null)");
  chain->flags.compacted = 0;
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "Unexpected NULL pointer in network_to_dot().",
                "network_to_dot: The network has 5 states, more than the 4 allowed.",
                "Cannot apply 'network_to_dot' to a compacted net. Please uncompact first."}));
  free_network(chain);
}

}  // namespace
