// Warnings, errors and fatal reports, delivered to the caller's callbacks or to standard error.

#include "error.h"

#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "context.h"

namespace {

// Messages are formatted into at most this many characters.
constexpr int kMessageSize = 1000;

// The message is copied out before the stream is rewound for the next one, so that a report
// may assemble a message of its own.
void flush_message(void (*report)(const char *)) {
  FST_CONTEXT *context = kora::context();
  FILE *stream = context->message_file;
  if (stream == nullptr) return;
  std::fflush(stream);
  long length = std::ftell(stream);
  if (length <= 0) return;
  std::string message(context->message_buffer, static_cast<size_t>(length));
  std::rewind(stream);
  report(message.c_str());
}

}  // namespace

namespace kora {

void set_error_callback(kora_message_function function) {
  message_channel.error_function = function;
}
void set_warning_callback(kora_message_function function) {
  message_channel.warning_function = function;
}

void warning(const char *text) {
  if (message_channel.warning_function != nullptr) {
    message_channel.warning_function(text, "", 0);
    return;
  }
  std::fprintf(stderr, "\n*** Warning: %s ***\n", text);
}

void warning_printf(const char *format, ...) {
  char text[kMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  warning(text);
}

void error(const char *text) {
  INT_PARAMETERS *parameters = int_parameters();
  if (message_channel.error_function != nullptr) {
    message_channel.error_function(text, "", 0);
  } else {
    std::fprintf(stderr, "\n*** ERROR: %s ***\n", text);
    std::fflush(stderr);
    if (parameters->word[KORA_QUIT_ON_ERROR]) {
      // Applyers report errors from several threads at once: the word is set atomically, and
      // written only when it changes.
      int32_t *seen = &parameters->word[KORA_ERROR_SEEN];
      if (__atomic_load_n(seen, __ATOMIC_RELAXED) != 1) __atomic_store_n(seen, 1, __ATOMIC_RELAXED);
    }
  }
  if (parameters->word[KORA_QUIT_ON_ERROR] && !parameters->word[KORA_INTERACTIVE]) std::exit(1);
}

void error_printf(const char *format, ...) {
  char text[kMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  error(text);
}

void warning_or_print(const char *message, const char *printed) {
  if (message_channel.warning_function != nullptr)
    message_channel.warning_function(message, "", 0);
  else
    std::fputs(printed, stderr);
}

void error_or_print(const char *message, const char *printed) {
  if (message_channel.error_function != nullptr) {
    message_channel.error_function(message, "", 0);
  } else {
    std::fputs(printed, stderr);
    std::fflush(stderr);
  }
}

// The allocating operation is named in upper case whatever the caller wrote (a table's name
// such as "compose_fst" serves too).
void out_of_memory(const char *what) {
  char name[kMessageSize];
  size_t length = 0;
  for (; what[length] != '\0' && length + 1 < sizeof name; length++)
    name[length] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[length])));
  name[length] = '\0';
  error_printf("Out of memory: %s", name);
  std::exit(1);
}

void *allocate_or_die(size_t bytes, const char *what) {
  void *memory = std::calloc(1, bytes);
  if (memory == nullptr) out_of_memory(what);
  return memory;
}

void programming_error(const char *where, const char *format, ...) {
  std::fprintf(stderr, "\nPROGRAMMING ERROR in %s :\n  ", where);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n\n  ---- Please report ----\n\n");
  std::exit(1);
}

void programmer_alert(const char *where, const char *format, ...) {
  std::fprintf(stderr, "\nProgrammer alert in %s :\n  ", where);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n");
}

void check_length(int length, const char *where) {
  if (length < 1) error_printf("In %s: Length is negative or zero: %d", where, length);
}

int check_input_source(const char *string, FILE *stream) {
  if (string == nullptr && stream == nullptr) {
    error("Must specify either an input string or\n    an input stream.");
    return 1;
  }
  if (string != nullptr && stream != nullptr) {
    error("Cannot use an input string and\n    an input stream. Only one should be specified.");
    return 1;
  }
  return 0;
}

// The message stream writes into memory: the context's message buffer, which the stream grows
// as needed. Should it not be opened, the pieces go straight to standard error.
FILE *message_stream() {
  FST_CONTEXT *context = kora::context();
  if (context->message_file == nullptr)
    context->message_file =
        open_memstream(&context->message_buffer, &message_channel.message_length);
  return context->message_file != nullptr ? context->message_file : stderr;
}

void flush_message_as_warning() { flush_message(warning); }
void flush_message_as_error() { flush_message(error); }

void close_message_stream(FST_CONTEXT *context) {
  if (context->message_file != nullptr) std::fclose(context->message_file);
  context->message_file = nullptr;
  std::free(context->message_buffer);
  context->message_buffer = nullptr;
}

void assertion_failed(const char *condition, const char *file, int line) {
  const char *slash = std::strrchr(file, '/');
  programming_error("assertion", "Assertion failed: %s, file %s, line %d\n", condition,
                    slash != nullptr ? slash + 1 : file, line);
}

}  // namespace kora
