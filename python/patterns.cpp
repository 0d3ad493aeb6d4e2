// Net.mark, Net.extract, Net.count and Net.patterns_many: see patterns.h.

#include "patterns.h"

#include <pybind11/stl.h>

#include <string>
#include <utility>
#include <vector>

#include "arguments.h"
#include "kora.h"
#include "tag-side.h"

namespace py = pybind11;

namespace kora_python {
namespace {

enum class Work { mark, extract, count };

Work work_of(py::handle what) {
  const std::string name = text_argument(what, "what");
  if (name == "mark") return Work::mark;
  if (name == "extract") return Work::extract;
  if (name == "count") return Work::count;
  throw py::value_error("what must be 'mark', 'extract' or 'count', not '" + name + "'");
}

struct Outcome {
  std::string text;
  std::vector<std::pair<std::string, long>> counts;
};

// What the pattern applyer makes of each text, read from `direction` ("up", "down", or None
// for the side without the tags).
std::vector<Outcome> run(Net &net, const std::vector<std::string> &texts, Work work,
                         py::handle direction) {
  refuse_lazy(net.get(), "marking patterns");
  int side = -1;
  if (!direction.is_none()) {
    const std::string name = text_argument(direction, "direction");
    if (name != "up" && name != "down")
      throw py::value_error("direction must be 'down', 'up' or None, not '" + name + "'");
    side = name == "up" ? 1 : 0;
  }
  bool untagged = false;
  std::vector<Outcome> outcomes = exclusive([&] {
    std::vector<Outcome> out(texts.size());
    if (side < 0) {
      const int tags = kora_tool::tag_side(net.get());  // under the lock
      if (tags < 0) {
        untagged = true;
        return out;
      }
      side = tags == 0 ? 1 : 0;
    }
    int32_t *words = int_parameters()->word;
    const int32_t saved[3] = {words[KORA_COUNT_PATTERNS], words[KORA_DELETE_PATTERNS],
                              words[KORA_EXTRACT_PATTERNS]};
    words[KORA_COUNT_PATTERNS] = 1;
    words[KORA_DELETE_PATTERNS] = work == Work::count;
    words[KORA_EXTRACT_PATTERNS] = work != Work::mark;
    APPLY_CONTEXT *applyer = init_apply_patterns(net.get(), side, nullptr);
    words[KORA_COUNT_PATTERNS] = saved[0];
    words[KORA_DELETE_PATTERNS] = saved[1];
    words[KORA_EXTRACT_PATTERNS] = saved[2];
    if (applyer == nullptr) return out;
    for (size_t i = 0; i < texts.size(); i++) {
      init_apply_to_string(texts[i].c_str(), applyer);
      for (const char *chunk; (chunk = next_pattern_output(applyer)) != nullptr;)
        out[i].text += chunk;
      if (work != Work::count) continue;
      const char *name = nullptr;
      for (int k = 0; pattern_match_count(applyer, k, &name) >= 0; k++)
        if (const long n = pattern_match_count(applyer, k, &name); n > 0)
          out[i].counts.emplace_back(name, n);
    }
    free_applyer(applyer);
    return out;
  });
  if (untagged) throw py::value_error("the network has no closing tags (symbols </name>)");
  report(false, "");
  return outcomes;
}

py::object result_of(Outcome &outcome, Work work) {
  if (work == Work::mark) return text(outcome.text);
  if (work == Work::extract) {
    py::list items;
    size_t start = 0;
    while (start < outcome.text.size()) {
      size_t end = outcome.text.find('\n', start);
      if (end == std::string::npos) end = outcome.text.size();
      items.append(text(outcome.text.data() + start, end - start));
      start = end + 1;
    }
    return items;
  }
  py::dict counts;
  for (const auto &[name, n] : outcome.counts) counts[text(name)] = n;
  return counts;
}

py::object one(Net &net, py::handle input, Work work, py::handle direction) {
  std::vector<Outcome> outcomes = run(net, {text_argument(input, "text")}, work, direction);
  return result_of(outcomes[0], work);
}

}  // namespace

void define_patterns(py::class_<Net, NetPtr> &net) {
  net.def("mark",
          [](Net &n, py::handle input, py::handle direction) {
            return one(n, input, Work::mark, direction);
          },
          py::arg("text"), py::arg("direction") = py::none(),
          "The text (a str) marked up with this pattern network: at each position the longest "
          "match, a string of a path that ends with a closing tag </name>, is written between "
          "<name> and </name> (matches of equal length with other tags nest), and the scan goes "
          "on after it; the rest is copied. A match never holds a line end. The network is read "
          "from the side without the closing tags, or from `direction` ('up' reads the lower "
          "side, 'down' the upper); ValueError when neither side has closing tags.")
      .def("extract",
           [](Net &n, py::handle input, py::handle direction) {
             return one(n, input, Work::extract, direction);
           },
           py::arg("text"), py::arg("direction") = py::none(),
           "The matches that mark() tags in the text, in order, each as a str with its tags "
           "('<name>match</name>').")
      .def("count",
           [](Net &n, py::handle input, py::handle direction) {
             return one(n, input, Work::count, direction);
           },
           py::arg("text"), py::arg("direction") = py::none(),
           "The number of matches that mark() tags in the text, as a dict from tag name (without "
           "'</' and '>') to count; tags without matches are left out.")
      .def("patterns_many",
           [](Net &n, py::handle inputs, py::handle what, py::handle direction) {
             const Work work = work_of(what);
             std::vector<Outcome> outcomes =
                 run(n, text_list_argument(inputs, "texts"), work, direction);
             py::list all(outcomes.size());
             for (size_t i = 0; i < outcomes.size(); i++) all[i] = result_of(outcomes[i], work);
             return all;
           },
           py::arg("texts"), py::arg("what") = "mark", py::arg("direction") = py::none(),
           "mark(), extract() or count() (`what`) of every text of an iterable of str, as a "
           "list, with one pattern applyer and the GIL released for the whole batch.");
}

}  // namespace kora_python
