// kora convert [--from FORMAT] [--properties FILE] --to FORMAT IN OUT: the networks of IN
// written to OUT in another format. Formats: binary (a saved network file, the default for
// --from), text (a word list), spaced (spaced text), prolog (Prolog facts) and, for --to only,
// properties (a network's properties, one per line). A properties text holds no states or arcs,
// so no network can be read from it; --properties FILE reads one into every network instead,
// before the networks are written. Network files and Prolog files hold any number of networks,
// the other formats one: a file of several is refused for them. OUT "-" is the standard output
// (not for a network file); any other OUT is written whole or not at all.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

enum class Format { binary, text, spaced, prolog, properties };

struct FormatName {
  const char *name;
  Format format;
  const char *what;  // what a file of the format holds, for messages
};

const FormatName kFormats[] = {
    {"binary", Format::binary, "the networks"},
    {"text", Format::text, "the word list"},
    {"spaced", Format::spaced, "the spaced text"},
    {"prolog", Format::prolog, "the Prolog facts"},
    {"properties", Format::properties, "the properties"},
};

// The format named `name`, or null after naming the option and what it takes.
const FormatName *format_named(const char *option, const char *name, bool writing) {
  for (const FormatName &format : kFormats)
    if (std::strcmp(name, format.name) == 0 && (writing || format.format != Format::properties))
      return &format;
  if (!writing && std::strcmp(name, "properties") == 0)
    std::fprintf(stderr,
                 "kora: a properties file holds no network; --properties FILE reads one into "
                 "the networks\n");
  else
    std::fprintf(stderr, "kora: option %s takes %s, not '%s'\n", option,
                 writing ? "binary, text, spaced, prolog or properties"
                         : "binary, text, spaced or prolog",
                 name);
  return nullptr;
}

Source source_of(Format format) {
  switch (format) {
    case Format::text: return Source::words;
    case Format::spaced: return Source::spaced;
    case Format::prolog: return Source::prolog;
    default: return Source::saved;
  }
}

// Writes the networks in the format to the file (the standard output when null): whether the
// library wrote them without a complaint.
bool write_networks(Format format, const std::vector<NET *> &nets, const char *file_name) {
  size_t failures = failures_seen();
  NV *nv = make_nv(static_cast<int>(nets.size()));
  for (size_t i = 0; i < nets.size(); i++) NV_net(nv, i) = nets[i];
  int status = 1;
  switch (format) {
    case Format::binary: status = save_nets(nv, file_name, nullptr); break;
    case Format::prolog: status = write_prolog_nets(nv, file_name); break;
    case Format::text: status = write_text(nets[0], file_name); break;
    case Format::spaced: status = write_spaced_text(nets[0], file_name); break;
    case Format::properties: status = write_net_properties(nets[0], file_name); break;
  }
  free_nv(nv);
  return status == 0 && failures_seen() == failures;
}

// Reads the properties text into the network. read_net_properties reports a line it leaves
// out on standard error and reads on, so what it writes there is caught (and written again) to
// tell whether every line was read. False when one was not or the file could not be read.
bool read_properties_into(NET *net, const char *properties) {
  std::fflush(stderr);
  FILE *caught = std::tmpfile();
  const int saved = caught != nullptr ? dup(STDERR_FILENO) : -1;
  if (saved >= 0) dup2(fileno(caught), STDERR_FILENO);
  const int status = read_net_properties(net, properties);
  std::string printed;
  if (saved >= 0) {
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::rewind(caught);
    char block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, caught)) > 0) printed.append(block, got);
  }
  if (caught != nullptr) std::fclose(caught);
  std::fputs(printed.c_str(), stderr);
  return status == 0 && printed.find("Aborting\n") == std::string::npos;
}

int convert(const FormatName &from, const FormatName &to, const char *properties,
            const char *input, const char *output) {
  std::vector<NET *> nets = read_networks(input, source_of(from.format));
  if (nets.empty()) return 1;
  int status = 0;
  if (nets.size() > 1 && to.format != Format::binary && to.format != Format::prolog) {
    std::fprintf(stderr, "kora: '%s' holds %zu networks, and --to %s writes one\n", input,
                 nets.size(), to.name);
    status = 1;
  }
  if (status == 0 && properties != nullptr) {
    for (NET *net : nets) {
      if (check_readable(properties) && read_properties_into(net, properties)) continue;
      std::fprintf(stderr, "kora: cannot read the properties of '%s'\n", properties);
      status = 1;
      break;
    }
  }
  if (status == 0) {
    if (std::strcmp(output, "-") == 0) {
      if (!write_networks(to.format, nets, nullptr)) {
        std::fprintf(stderr, "kora: cannot write %s to the standard output\n", to.what);
        status = 1;
      }
    } else {
      status = write_whole_file(output, to.what, [&](const char *file_name) {
        return write_networks(to.format, nets, file_name);
      });
    }
  }
  for (NET *net : nets) free_network(net);
  return status;
}

}  // namespace

int convert_command(int argc, char **argv) {
  const char *from_name = "binary", *to_name = nullptr, *properties = nullptr;
  if (!take_option(argc, argv, "--from", &from_name) ||
      !take_option(argc, argv, "--to", &to_name) ||
      !take_option(argc, argv, "--properties", &properties))
    return usage();
  std::vector<const char *> files;
  if (!parse_arguments(argc, argv, {}, nullptr, files) || files.size() != 2 || to_name == nullptr)
    return usage();
  const FormatName *from = format_named("--from", from_name, false);
  const FormatName *to = from == nullptr ? nullptr : format_named("--to", to_name, true);
  if (to == nullptr) return usage();
  if (to->format == Format::binary && std::strcmp(files[1], "-") == 0) {
    std::fprintf(stderr, "kora: --to binary writes a network file, not the standard output\n");
    return usage();
  }
  return convert(*from, *to, properties, files[0], files[1]);
}

}  // namespace kora_tool
