/*
 * kora: a finite-state network library.
 *
 * This is the whole public interface: plain records and functions, usable from C and C++.
 * The library keeps its state in one global context, filled by initialize_kora() and released
 * by reclaim_kora(). It is single-threaded: never call into it from two threads at once.
 *
 * Failures are reported, not thrown. Warnings and errors are delivered to the callbacks set
 * with set_warning_function() and set_error_function(), or printed on standard error as
 * "\n*** Warning: %s ***\n" and "\n*** ERROR: %s ***\n". An error ends the process only when
 * parameter word KORA_QUIT_ON_ERROR is set and word KORA_INTERACTIVE is not.
 */
#ifndef KORA_H
#define KORA_H

#include <stdint.h>
#include <stdio.h>

#if defined(KORA_BUILDING_LIBRARY)
#define KORA_API __attribute__((visibility("default")))
#else
#define KORA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------------------------
 * Interface parameters: 51 signed 32-bit words that steer the library. Callers read and write
 * them directly through int_parameters()->word[position]; the positions are fixed.
 * ------------------------------------------------------------------------------------------- */

#define KORA_PARAMETER_COUNT 51

typedef struct INT_PARAMETERS {
  int32_t word[KORA_PARAMETER_COUNT];
} INT_PARAMETERS;

enum {
  KORA_ERROR_COUNT = 0,           /* errors seen by the current compilation */
  KORA_MAX_ERRORS = 1,            /* the regex parser gives up past this many errors (10) */
  KORA_ERROR_SEEN = 4,            /* set to 1 by error reporting when KORA_QUIT_ON_ERROR is set */
  KORA_LOG_FILE_ACCESS = 5,       /* record every file opened for reading or writing */
  KORA_REPORT_BAD_CHARS = 10,     /* report bad characters during conversion (1) */
  KORA_VERBOSE = 12,              /* informational messages (1) */
  KORA_RECORD_REGEX_SOURCE = 15,  /* keep the source of a compiled regex as its SOURCE property */
  KORA_MINIMIZE = 16,             /* minimize the results of calculus operations (1) */
  KORA_QUIT_ON_ERROR = 17,        /* an error ends the process unless KORA_INTERACTIVE is set (1) */
  KORA_READ_BY_DEFINITION = 22,
  KORA_COMPOSE_FLAG_AS_SPECIAL = 24,
  KORA_VECTORIZE_THRESHOLD = 27,  /* (50) */
  KORA_COMPOSE_FAILURE_TOKENS = 28,
  KORA_SPACE_LABEL_VECTORS = 31,  /* print a blank between the labels of a label vector */
  KORA_CHAR_ENCODING = 44,        /* 1 = UTF-8, 2 = ISO-8859-1 (1) */
  KORA_INTERACTIVE = 47           /* errors never end the process (1) */
};

/* Character encodings of thin (8-bit) text. */
enum { KORA_UTF8 = 1, KORA_LATIN1 = 2 };

/* ---------------------------------------------------------------------------------------------
 * The library context.
 * ------------------------------------------------------------------------------------------- */

typedef struct STRING_BUFFER STRING_BUFFER; /* growable thin or fat string */
typedef struct PAGE PAGE;                   /* formatted output with margins */
typedef struct LAB_VECTOR LAB_VECTOR;       /* growable vector of label ids */

#define KORA_HEADER_NAME_COUNT 7

typedef struct FST_CONTEXT {
  int spare0;
  int owned;                    /* 1 when reclaiming frees the record and its parameter copy */
  const char *copyright_holder; /* default copyright holder of saved files */
  int spare3;
  int spare4;
  int in_char_encoding;         /* encoding of text read: KORA_UTF8 or KORA_LATIN1 */
  int out_char_encoding;        /* encoding of text written */
  int message_buffer_size;
  FILE *message_file;           /* where multi-part messages are assembled */
  char *message_buffer;         /* an assembled message, read back from message_file */
  INT_PARAMETERS *parameters;
  STRING_BUFFER *thin_buffer;   /* scratch, 80 one-byte characters */
  STRING_BUFFER *wide_buffer;   /* scratch, 80 four-byte characters */
  PAGE *page;                   /* 1920 characters, indentation 0, right margin 72 */
  LAB_VECTOR *label_vector;     /* scratch, 512 label ids */
  char *output_buffer;          /* line output of printing */
  int output_buffer_size;       /* 10000 */
  int line_width;               /* 72 */
  const char *eol_string;       /* ends every output line: "\r\n"; the caller may set "\n" */
  int *index_buffer;            /* scratch */
  int index_buffer_size;        /* 10000 */
  const char *header_names[KORA_HEADER_NAME_COUNT]; /* standard header properties of files */
  int header_name_count;
} FST_CONTEXT;

/* Fills the default context, creates the memory heaps and the label maps, and returns the
 * default context. Call it once before anything else; it may be called again after
 * reclaim_kora(), which starts afresh. */
KORA_API FST_CONTEXT *initialize_kora(void);

/* Releases everything the library holds: every network, definition, label and heap, and the
 * context's buffers. Every pointer the library handed out becomes invalid. */
KORA_API void reclaim_kora(FST_CONTEXT *context);

/* The default context; before initialize_kora() it exists but is not filled. */
KORA_API FST_CONTEXT *get_default_kora_context(void);

/* The interface parameters; the record is the library's, callers write its words directly. */
KORA_API INT_PARAMETERS *int_parameters(void);

/* Sets the encoding of text read and written (and word KORA_CHAR_ENCODING) to KORA_UTF8 or
 * KORA_LATIN1 and returns 0. Any other code is reported as an error and returns 1, changing
 * nothing. */
KORA_API int set_char_encoding(FST_CONTEXT *context, int code);

/* Sets only the encoding of text read. 1 and 2 are taken as given, anything else means UTF-8.
 * Returns 0. */
KORA_API int set_input_char_encoding(FST_CONTEXT *context, int code);

/* ---------------------------------------------------------------------------------------------
 * Errors and warnings. A callback receives the finished message, an empty string and 0.
 * A null callback restores printing on standard error.
 * ------------------------------------------------------------------------------------------- */

typedef void (*kora_message_function)(const char *message, const char *extra, int code);

KORA_API void set_error_function(kora_message_function function);
KORA_API void set_warning_function(kora_message_function function);

/* ---------------------------------------------------------------------------------------------
 * Identification and file names.
 * ------------------------------------------------------------------------------------------- */

/* Constant strings owned by the library. */
KORA_API const char *libkora_version(void);
KORA_API const char *libkora_build(void);

/* With null, returns the copyright holder written into saved files (owned by the library).
 * Otherwise replaces it by a copy of holder and returns the new one. */
KORA_API const char *copyright_holder(const char *holder);

/* Returns a new string (free it with free()): "" gives the current directory followed by "/";
 * a name starting with "~" gives the home directory followed by "/" and what comes after the
 * first "/" of the name; any other name is copied. */
KORA_API char *expand_file_name(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* KORA_H */
