// make_applyer: an applyer over the first network of a saved network file, reading a string, a
// text file or the standard input. It sits above the file formats, which the applyer itself
// does not need.

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
