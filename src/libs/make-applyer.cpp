// make_applyer and make_pattern_applyer: an applyer or a pattern applyer over the first network
// of a saved network file, reading a string, a text file or the standard input. They sit above
// the file formats, which the applyers themselves do not need.

#include <cstdio>
#include <memory>

#include "apply-patterns.h"
#include "apply.h"
#include "boundary.h"
#include "error.h"
#include "text-input.h"

using namespace kora;

extern "C" KORA_API APPLY_CONTEXT *make_applyer(const char *net_file, const char *string,
                                                const char *stream_file, int input_side,
                                                FST_CONTEXT *context) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (string != nullptr && stream_file != nullptr) {
      check_input_source(string, stdin);  // reports that only one may be given
      return nullptr;
    }
    NET *net = load_net(net_file, context);
    if (net == nullptr) return nullptr;
    TextFile *file = nullptr;
    FILE *stream = stdin;
    if (stream_file != nullptr) {
      file = new TextFile();
      if (open_text_file(stream_file, file) != TEXT_OK) {
        delete file;
        free_network(net);
        return nullptr;
      }
      stream = file->stream;
    }
    APPLY_CONTEXT *applyer = new_applyer(net, string, string == nullptr ? stream : nullptr,
                                         input_side, context);
    applyer->owned_net = net;
    applyer->owned_file = file;
    return applyer;
  });
}

extern "C" KORA_API APPLY_CONTEXT *make_pattern_applyer(const char *net_file, const char *string,
                                                        const char *input_file,
                                                        const char *output_file, int input_side,
                                                        FST_CONTEXT *context) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (string != nullptr && input_file != nullptr) {
      error("A pattern applyer can be initialized for a string or a stream but not both.");
      return nullptr;
    }
    NET *net = load_net(net_file, context);
    if (net == nullptr) return nullptr;
    auto file = std::make_unique<TextFile>();
    FILE *stream = stdin;
    if (input_file != nullptr) {
      if (open_text_file(input_file, file.get()) != TEXT_OK) {
        free_network(net);
        return nullptr;
      }
      stream = file->stream;
    }
    FILE *output = nullptr;
    if (output_file != nullptr && (output = std::fopen(output_file, "w")) == nullptr) {
      error_printf("Cannot open output file %s.", output_file);
      if (input_file != nullptr) close_text_file(file.get());
      free_network(net);
      return nullptr;
    }
    APPLY_CONTEXT *applyer = new_pattern_applyer(
        net, string, string == nullptr ? stream : nullptr, output, input_side, context);
    if (applyer == nullptr) {
      if (output != nullptr) std::fclose(output);
      if (input_file != nullptr) close_text_file(file.get());
      free_network(net);
      return nullptr;
    }
    set_pattern_output_owned(applyer);
    applyer->owned_net = net;
    if (input_file != nullptr) applyer->owned_file = file.release();
    return applyer;
  });
}
