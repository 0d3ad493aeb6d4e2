// The functions of the playground's WebAssembly module, which web/kora.js wraps: compiling a
// regular expression or a lexicon from text, naming networks for later expressions, looking
// strings up in both directions, and the sizes, paths and drawing of a network.
//
// Built on the public interface alone, as the tool is. Sources are written to files of the
// module's memory file system under the name the page gives them, so that the library's
// messages name them as the page does ("line 4: ..." for a lexicon, "on line 4 in 'Spelling'"
// for a regular expression). Every error and warning the library reports is kept until
// kw_errors or kw_warnings takes it. A string returned lives until the next call of the same
// function. One applyer per
// network and direction is kept, so a lookup does not rebuild the network's index.

#include <emscripten/emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "count-paths.h"
#include "error-place.h"
#include "kora.h"

namespace {

// Errors and warnings not yet taken, each ended by "\n".
std::string errors, warnings;
std::map<std::pair<NET *, int>, APPLY_CONTEXT *> applyers;

void keep_error(const char *message, const char *, int) {
  errors.append(message != nullptr ? message : "").append("\n");
}
void keep_warning(const char *message, const char *, int) {
  warnings.append(message != nullptr ? message : "").append("\n");
}

// The text of `kept`, which is then emptied.
const char *take(std::string &kept) {
  static std::string taken;
  taken = std::move(kept);
  kept.clear();
  return taken.c_str();
}

// The file of the memory file system that holds the source named `name` (in the working
// folder, so that messages name the source as the page does).
std::string source_file(const char *name, const char *text) {
  std::string path = name;
  if (FILE *file = std::fopen(path.c_str(), "wb")) {
    std::fputs(text, file);
    std::fclose(file);
  }
  return path;
}

APPLY_CONTEXT *applyer_for(NET *net, int side) {
  APPLY_CONTEXT *&applyer = applyers[{net, side}];
  if (applyer == nullptr) applyer = init_apply(net, side, nullptr);
  return applyer;
}

// The spelling of `label` on `side` (0 upper, 1 lower) appended to `out`.
void append_side(std::string &out, uint32_t label, int side) {
  if (char *name = label_side_name(label, side)) {
    out.append(name);
    std::free(name);
  }
}

// Up to `limit` paths of a network without loops, depth first, one line each: the upper side,
// and for a transducer a tab and the lower side.
void list_paths(NET *net, STATE *state, std::vector<ARC *> &path, int limit, int *listed,
                std::string &out) {
  if (*listed >= limit) return;
  if (STATE_final(state)) {
    for (ARC *arc : path) append_side(out, ARC_label(arc), 0);
    if (NET_arity(net) > 1) {
      out.append("\t");
      for (ARC *arc : path) append_side(out, ARC_label(arc), 1);
    }
    out.append("\n");
    ++*listed;
  }
  for (ARC *arc = STATE_arcs(state); arc != nullptr && *listed < limit; arc = ARC_next(arc)) {
    path.push_back(arc);
    list_paths(net, ARC_destination(arc), path, limit, listed, out);
    path.pop_back();
  }
}

}  // namespace

extern "C" {

// Starts the library with a memory budget of `megabytes`, its messages kept.
EMSCRIPTEN_KEEPALIVE void kw_start(double megabytes) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0;
  int_parameters()->word[KORA_QUIT_ON_ERROR] = 0;
  set_error_function(keep_error);
  set_warning_function(keep_warning);
  set_memory_limit(context, static_cast<size_t>(megabytes * 1024 * 1024));
}

// The errors, or the warnings, reported since they were last taken, each on its own line.
EMSCRIPTEN_KEEPALIVE const char *kw_errors() { return take(errors); }
EMSCRIPTEN_KEEPALIVE const char *kw_warnings() { return take(warnings); }

// The line of the latest regular-expression syntax error, or 0.
EMSCRIPTEN_KEEPALIVE int kw_regex_error_line() {
  long long line = 0;
  return regex_error_position(&line, nullptr) < 0 ? 0 : static_cast<int>(line);
}

// The network of the one expression of the regular-expression source `text` named `name`
// (comments and a final ";" allowed), or null with the messages kept. A source of several
// expressions is refused: a definition is one network.
EMSCRIPTEN_KEEPALIVE NET *kw_regex(const char *name, const char *text) {
  NV *nets = read_regex_file(source_file(name, text).c_str());
  const long long offset = regex_error_position(nullptr, nullptr);
  if (offset >= 0 && errors.starts_with("Regex error")) {
    errors.pop_back();  // the place joins the message
    errors.append("\n")
        .append(kora_tool::error_place(text, static_cast<size_t>(offset), " at the end of the source"))
        .append("\n");
  }
  if (nets == nullptr) return nullptr;
  NET *net = nullptr;
  if (NV_len(nets) == 1) {
    net = NV_net(nets, 0);
    NV_net(nets, 0) = nullptr;
  } else {
    errors.append("'").append(name).append("' holds ").append(std::to_string(NV_len(nets)))
        .append(" expressions; write one (join them with | or .o.).\n");
  }
  free_nv_and_nets(nets);
  return net;
}

// The network of the lexicon source `text` named `name`, or null with the messages kept. A
// lexicon with errors may still give a network (of the entries that read): the caller looks at
// the errors too.
EMSCRIPTEN_KEEPALIVE NET *kw_lexicon(const char *name, const char *text) {
  return read_vorn(source_file(name, text).c_str());
}

// Defines `name` as a copy of `net` for the expressions compiled after; 0 when it was defined.
EMSCRIPTEN_KEEPALIVE int kw_define(const char *name, NET *net) { return define_net(name, net, 1); }

// Forgets the definition of `name`, if there is one, without a message.
EMSCRIPTEN_KEEPALIVE void kw_undefine(const char *name) {
  if (get_net(name, 0) != nullptr) undefine_net(name);
  errors.clear();
}

// The results of looking `input` up: applying the network up (from its lower side, `up` 1) or
// down; each result is ended by "\n".
EMSCRIPTEN_KEEPALIVE const char *kw_apply(NET *net, const char *input, int up) {
  APPLY_CONTEXT *applyer = applyer_for(net, up ? 1 : 0);
  const char *found = applyer != nullptr ? apply_to_string(input, applyer) : nullptr;
  return found != nullptr ? found : "";
}

EMSCRIPTEN_KEEPALIVE int kw_num_states(NET *net) { return static_cast<int>(NET_num_states(net)); }
EMSCRIPTEN_KEEPALIVE int kw_num_arcs(NET *net) { return static_cast<int>(NET_num_arcs(net)); }
EMSCRIPTEN_KEEPALIVE int kw_arity(NET *net) { return NET_arity(net); }

// The number of paths, or -1 when the network has a loop.
EMSCRIPTEN_KEEPALIVE double kw_num_paths(NET *net) {
  std::optional<uint64_t> count = kora_tool::count_paths(net);
  return count ? static_cast<double>(*count) : -1;
}

// Up to `limit` paths of a network (see list_paths); none when it has a loop.
EMSCRIPTEN_KEEPALIVE const char *kw_paths(NET *net, int limit) {
  static std::string out;
  out.clear();
  std::vector<ARC *> path;
  int listed = 0;
  if (NET_start_state(net) != nullptr && kora_tool::count_paths(net))
    list_paths(net, NET_start_state(net), path, limit, &listed, out);
  return out.c_str();
}

// The Graphviz drawing of the network, or "" with a message when it has more than `max_states`.
EMSCRIPTEN_KEEPALIVE const char *kw_dot(NET *net, int max_states) {
  static std::string out;
  char *dot = network_to_dot(net, max_states);
  out = dot != nullptr ? dot : "";
  std::free(dot);
  return out.c_str();
}

// Frees the network and its applyers.
EMSCRIPTEN_KEEPALIVE void kw_free(NET *net) {
  for (int side : {0, 1}) {
    auto found = applyers.find({net, side});
    if (found == applyers.end()) continue;
    free_applyer(found->second);
    applyers.erase(found);
  }
  free_network(net);
}

}  // extern "C"

// The sources are written to a folder of their own in the memory file system.
int main() { return mkdir("/sources", 0777) != 0 || chdir("/sources") != 0; }
