// Drawing networks as Graphviz DOT: the escapes of labels, and the drawing against the listing
// of print_net on random networks.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>

#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

// network_to_dot's text, freed; "(null)" when it refused.
std::string dot_of(NET *net) {
  char *text = network_to_dot(net, 0);
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

// Labels are written as the listing writes them (%0 for a literal zero), with '"' and '\'
// escaped for DOT, in one- and multi-character symbols; edges between two states merge their
// labels in arc order (arcs are added at the head of a state's list).
TEST_F(DotTest, LabelsAreEscapedForDot) {
  NET *net = kora_test::build_net(2, {1}, {{0, '"', 1}, {0, '\\', 1}, {0, '0', 1}, {0, symbol("q\"u\\o"), 1}});
  EXPECT_NE(dot_of(net).find("  0 -> 1 [label=\"q\\\"u\\\\o, %0, \\\\, \\\"\"];\n"), std::string::npos)
      << dot_of(net);
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
  std::istringstream lines(kora_test::written_by([&](FILE *s) { print_net(net, s); }));
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

}  // namespace
