// Networks as arguments and results of the tool's commands: reading a network from a saved file,
// a word list or spaced text; saving one, whole or not at all; and its size in one line.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "count-paths.h"
#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

const char *plural(uint64_t count) { return count == 1 ? "" : "s"; }

}  // namespace

bool parse_network_arguments(int argc, char **argv, std::vector<Flag> flags, size_t max_operands,
                             Source *source, std::vector<const char *> &operands,
                             const char **output) {
  bool words = false, spaced = false;
  flags.push_back({"--words", &words});
  flags.push_back({"--spaced", &spaced});
  if (!parse_arguments(argc, argv, flags, output, operands) || operands.empty() ||
      operands.size() > max_operands || (words && spaced))
    return false;
  *source = spaced ? Source::spaced : words ? Source::words : Source::saved;
  return true;
}

namespace {

// The networks of a saved file (`all`) or its first one, the library's messages held back: a
// file that is no network file at all (a word list, an empty or a foreign file) is named as
// such, with a hint for a word list; what went wrong in a network file is reported as the
// library says it. *named says whether the file was named as no network file.
std::vector<NET *> load_saved_networks(const char *file_name, bool all, bool *named) {
  std::string messages;
  keep_messages_in(&messages);
  std::vector<NET *> nets;
  if (all) {
    if (NV *nv = load_nets(file_name, nullptr)) {
      for (int i = 0; i < NV_len(nv); i++) nets.push_back(NV_net(nv, i));
      free_nv(nv);
    }
  }
  // The networks of a two-level file are converted together, which load_net does.
  if (!nets.empty() && nets[0]->flags.twol) {
    for (NET *net : nets) free_network(net);
    nets.clear();
    all = false;
  }
  if (!all) {
    if (NET *net = load_net(file_name, nullptr)) nets.push_back(net);
  }
  keep_messages_in(nullptr);
  const bool foreign = messages.find("Unknown file type") != std::string::npos;
  const bool text = messages.find("looks like a text file") != std::string::npos ||
                    messages.find("Bad file header") != std::string::npos;
  *named = nets.empty() && (foreign || text);
  if (nets.empty() && foreign) {
    std::fprintf(stderr, "kora: %s is not a kora network file\n", file_name);
  } else if (nets.empty() && text) {
    std::fprintf(stderr,
                 "kora: %s is not a kora network file (for a word list, give --words)\n",
                 file_name);
  } else {
    report(messages);
  }
  return nets;
}

std::vector<NET *> read_networks(const char *file_name, Source source, bool all) {
  if (!check_readable(file_name)) return {};
  size_t failures = failures_seen();
  std::vector<NET *> nets;
  bool named = false;
  NET *net = nullptr;
  switch (source) {
    case Source::words: net = read_text(file_name); break;
    case Source::spaced: net = read_spaced_text(file_name); break;
    case Source::saved: nets = load_saved_networks(file_name, all, &named); break;
    case Source::prolog:
      if (NV *nv = read_prolog_nets(file_name)) {
        for (int i = 0; i < NV_len(nv); i++) {
          if (all || i == 0)
            nets.push_back(NV_net(nv, i));
          else
            free_network(NV_net(nv, i));
        }
        free_nv(nv);
      }
      break;
  }
  if (net != nullptr) nets.push_back(net);
  // Networks the library complained about while reading them are not to be trusted.
  if (!nets.empty() && failures_seen() > failures) {
    for (NET *each : nets) free_network(each);
    nets.clear();
  }
  if (nets.empty() && !named)
    std::fprintf(stderr, "kora: cannot read a network from '%s'\n", file_name);
  return nets;
}

}  // namespace

std::vector<NET *> read_networks(const char *file_name, Source source) {
  return read_networks(file_name, source, true);
}

NET *read_network(const char *file_name, Source source) {
  std::vector<NET *> nets = read_networks(file_name, source, false);
  return nets.empty() ? nullptr : nets[0];
}

int write_whole_file(const char *output, const char *what,
                     const std::function<bool(const char *file_name)> &write) {
  std::string temporary = std::string(output) + ".XXXXXX";
  int error = 0;  // the system's reason, when a step of its own failed
  int fd = mkstemp(temporary.data());
  if (fd < 0) {
    error = errno;
  } else {
    // mkstemp makes the file readable by its owner only; give it the mode a new file gets.
    mode_t mask = umask(0);
    umask(mask);
    bool ready = fchmod(fd, 0666 & ~mask) == 0;
    if (close(fd) != 0) ready = false;
    if (!ready) error = errno;
    if (ready && write(temporary.c_str())) {
      if (std::rename(temporary.c_str(), output) == 0) return 0;
      error = errno;
    }
    unlink(temporary.c_str());
  }
  std::fprintf(stderr, "kora: cannot write %s to '%s'%s%s\n", what, output,
               error != 0 ? ": " : "", error != 0 ? std::strerror(error) : "");
  return 1;
}

int save_network(NET *net, const char *output) {
  return write_whole_file(output, "the network", [net](const char *file_name) {
    return save_net(net, file_name, nullptr) == 0;
  });
}

void print_summary(NET *net) {
  // A virtual network's states are made as walks reach them: it is not counted.
  if (net->flags2.is_virtual) {
    std::printf("virtual: made as lookups reach it.\n");
    return;
  }
  const char *kind = NET_arity(net) == 2 ? "path" : "word";
  std::printf("%u state%s, %u arc%s, ", NET_num_states(net), plural(NET_num_states(net)),
              NET_num_arcs(net), plural(NET_num_arcs(net)));
  // The arcs of a reduced labelset stand for several labels each, and a compacted network has
  // no arc lists: their paths are not counted.
  if (net->flags2.reduced_labelset)
    std::printf("reduced labelset.\n");
  else if (NET_compacted(net))
    std::printf("compacted.\n");
  else if (std::optional<uint64_t> paths = count_paths(net))
    std::printf("%llu %s%s.\n", static_cast<unsigned long long>(*paths), kind, plural(*paths));
  else
    std::printf("loops.\n");
}

}  // namespace kora_tool
