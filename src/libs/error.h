// The library's single channel for trouble: warnings, errors, fatal conditions and the
// message stream in which messages made of several pieces are assembled.
#pragma once

#include <cstddef>
#include <cstdio>

#include "kora.h"

namespace kora {

// Where warnings and errors go. Defined in globals.cpp with the rest of the library's state.
struct MessageChannel {
  kora_message_function error_function = nullptr;    // null: standard error
  kora_message_function warning_function = nullptr;  // null: standard error
  // Where the message stream records the length of its text on each flush (a size_t, which the
  // context record has no field for).
  size_t message_length = 0;
};
extern MessageChannel message_channel;

// The callbacks of warning() and error() (set_warning_function and set_error_function of
// kora.h); null restores printing on standard error.
void set_warning_callback(kora_message_function function);
void set_error_callback(kora_message_function function);

// The warning callback with (text, "", 0), or "\n*** Warning: %s ***\n" on standard error.
void warning(const char *text);
void warning_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The error callback with (text, "", 0), or "\n*** ERROR: %s ***\n" on standard error (which then
// also sets the error-seen word when quit-on-error is on). Ends the process with status 1 when
// quit-on-error is on and interactive is off; otherwise returns.
void error(const char *text);
void error_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Messages that the library prints in a layout of their own rather than as "*** ... ***" (the
// lexicon compiler's "\nline %lld: ..." reports, its lists of names): with a callback installed,
// the callback receives `message`; without one, `printed` goes to standard error as it is.
// Neither ends the process: the failure that follows such an error is reported with error().
void warning_or_print(const char *message, const char *printed);
void error_or_print(const char *message, const char *printed);

// Reports "Out of memory: <WHAT>" (upper case) as an error and ends the process in every case.
[[noreturn]] void out_of_memory(const char *what);

// Zeroed memory of `bytes`, owned by the caller (std::free); when none can be had,
// out_of_memory(what).
void *allocate_or_die(size_t bytes, const char *what);

// A broken internal invariant: reports it on standard error and ends the process.
[[noreturn]] void programming_error(const char *where, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// A failed consistency check that the library survives: reported on standard error.
void programmer_alert(const char *where, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// Reports "In <where>: Length is negative or zero: <length>" for a length below 1.
void check_length(int length, const char *where);

// Reports that `operation` cannot work on a compacted network and returns `result`.
template <typename T>
T compacted_net_error(const char *operation, T result) {
  error_printf("Cannot apply '%s' to a compacted net. Please uncompact first.", operation);
  return result;
}

// Exactly one of a string and a stream must be given: returns 0 if so, else reports and returns 1.
int check_input_source(const char *string, FILE *stream);

// The stream in which a message is assembled piece by piece, then delivered (and the stream
// emptied) by one of the flushes. An empty message is not delivered.
FILE *message_stream();
void flush_message_as_warning();
void flush_message_as_error();

// Closes the message stream and frees its buffer (part of reclaiming the library).
void close_message_stream(FST_CONTEXT *context);

[[noreturn]] void assertion_failed(const char *condition, const char *file, int line);

}  // namespace kora

// An internal assertion: names the condition, the source file and the line, and ends the process.
#define KORA_ASSERT(condition) \
  ((condition) ? (void)0 : ::kora::assertion_failed(#condition, __FILE__, __LINE__))
