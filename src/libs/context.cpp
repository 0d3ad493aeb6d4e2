// The library's start and end, its settings and its identification.
//
// initialize_kora fills the one default context and creates the memory heaps; reclaim_kora
// releases everything at once, so that a later initialize_kora starts afresh.

#include "context.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "alph.h"
#include "define.h"
#include "error.h"
#include "lab-vect.h"
#include "label.h"
#include "page.h"
#include "print.h"
#include "prop-names.h"
#include "stack.h"
#include "str-buf.h"
#include "struct.h"

namespace kora {
namespace {

constexpr const char *kDefaultCopyrightHolder = "the kora developers";

// Word positions and defaults of the interface parameters that are not 0.
constexpr INT_PARAMETERS default_parameters() {
  INT_PARAMETERS p{};
  const int ones[] = {7, 9, 10, 11, 12, 13, 16, 17, 20, 21, 25, 30, 32, 33, 34, 36, 42, 44, 45, 47};
  for (int position : ones) p.word[position] = 1;
  p.word[KORA_MAX_ERRORS] = 10;
  p.word[26] = 254;
  p.word[KORA_VECTORIZE_THRESHOLD] = 50;
  p.word[37] = 5000;
  return p;
}

INT_PARAMETERS parameters = default_parameters();
FST_CONTEXT default_context{};

// 1 until the heaps are made; set again by reclaim_kora.
bool heaps_to_create = true;

// Settings that outlive a context: made on first need, freed by reclaim_kora.
struct Configuration {
  char *copyright_holder;
};
Configuration *configuration = nullptr;

Configuration *the_configuration() {
  if (configuration == nullptr) {
    configuration = static_cast<Configuration *>(std::calloc(1, sizeof(Configuration)));
    if (configuration == nullptr) out_of_memory("CONFIG_INIT");
    configuration->copyright_holder = strdup(kDefaultCopyrightHolder);
    if (configuration->copyright_holder == nullptr) out_of_memory("CONFIG_INIT");
  }
  return configuration;
}

void free_configuration() {
  if (configuration == nullptr) return;
  std::free(configuration->copyright_holder);
  std::free(configuration);
  configuration = nullptr;
}

void create_heaps() {
  if (!heaps_to_create) return;
  make_network_heaps();
  make_label_maps();
  define_latin1_lists();
  make_names_table();
  heaps_to_create = false;
}

void fill_default_context(FST_CONTEXT *c) {
  static const char *const header_names[KORA_HEADER_NAME_COUNT] = {
      "COPYRIGHT", "AUTHORS", "CHARENCODING", "SOURCE", "LANGUAGE", "CREATION-DATE", "VERSION"};
  c->spare0 = 0;
  c->owned = 0;
  c->copyright_holder = kDefaultCopyrightHolder;
  c->spare3 = 1;
  c->spare4 = 0;
  c->in_char_encoding = KORA_UTF8;
  c->out_char_encoding = KORA_UTF8;
  c->parameters = &parameters;
  c->thin_buffer = make_thin_buffer(80);
  c->wide_buffer = make_fat_buffer(80);
  c->eol_string = "\r\n";
  c->page = make_page(1920, 0, 72);
  c->label_vector = make_lab_vector(512);
  create_heaps();
  c->output_buffer_size = 10000;
  c->output_buffer = static_cast<char *>(allocate_or_die(c->output_buffer_size, "MAKE_FST_CONTEXT"));
  c->line_width = 72;
  c->index_buffer_size = 10000;
  c->index_buffer =
      static_cast<int *>(allocate_or_die(sizeof(int) * c->index_buffer_size, "MAKE_FST_CONTEXT"));
  std::memcpy(c->header_names, header_names, sizeof header_names);
  c->header_name_count = KORA_HEADER_NAME_COUNT;
}

void release_context(FST_CONTEXT *c) {
  close_message_stream(c);
  free_string_buffer(c->thin_buffer);
  free_string_buffer(c->wide_buffer);
  free_page(c->page);
  free_lab_vector(c->label_vector);
  std::free(c->output_buffer);
  std::free(c->index_buffer);
  bool owned = c->owned;
  INT_PARAMETERS *parameter_copy = c->parameters;
  std::memset(c, 0, sizeof *c);
  if (owned) {
    std::free(parameter_copy);
    std::free(c);
  }
}

}  // namespace

FST_CONTEXT *context() { return &default_context; }

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API FST_CONTEXT *initialize_kora(void) {
  fill_default_context(&default_context);
  create_heaps();
  reset_line_buffer();
  return &default_context;
}

KORA_API void reclaim_kora(FST_CONTEXT *c) {
  free_definitions();
  free_live_networks();
  free_names_table();
  free_label_maps();
  free_all_stacks();
  free_all_heaps();
  forget_network_heaps();
  forget_alph_item_heaps();
  heaps_to_create = true;
  free_configuration();
  if (c != nullptr) release_context(c);
}

KORA_API FST_CONTEXT *get_default_kora_context(void) { return &default_context; }

KORA_API INT_PARAMETERS *int_parameters(void) { return &parameters; }

KORA_API int set_char_encoding(FST_CONTEXT *c, int code) {
  if (code != KORA_UTF8 && code != KORA_LATIN1) {
    error_printf(
        "Character encoding code 'd' is not valid.\nOnly %d (UTF-8) and %d (ISO-8859-1) are "
        "currently supported",
        KORA_UTF8, KORA_LATIN1);
    return 1;
  }
  parameters.word[KORA_CHAR_ENCODING] = code;
  c->in_char_encoding = code;
  c->out_char_encoding = code;
  return 0;
}

KORA_API int set_input_char_encoding(FST_CONTEXT *c, int code) {
  c->in_char_encoding = (code == KORA_UTF8 || code == KORA_LATIN1) ? code : KORA_UTF8;
  return 0;
}

KORA_API const char *libkora_version(void) { return "libkora-  date Mon 05/03/2010 "; }

KORA_API const char *libkora_build(void) { return ""; }

KORA_API const char *copyright_holder(const char *holder) {
  Configuration *config = the_configuration();
  if (holder != nullptr) {
    char *copy = strdup(holder);
    if (copy == nullptr) out_of_memory("COPYRIGHT_HOLDER");
    std::free(config->copyright_holder);
    config->copyright_holder = copy;
  }
  return config->copyright_holder;
}

// "~" stands for the home directory: $HOME, else $windir, else the current directory.
KORA_API char *expand_file_name(const char *name) {
  std::string expanded;
  if (name == nullptr || name[0] == '\0' || name[0] == '~') {
    const char *home = name != nullptr && name[0] == '~' ? std::getenv("HOME") : nullptr;
    if (home == nullptr && name != nullptr && name[0] == '~') home = std::getenv("windir");
    char directory[PATH_MAX];
    if (home == nullptr) home = getcwd(directory, sizeof directory) != nullptr ? directory : ".";
    expanded.assign(home, strnlen(home, 260));
    expanded += '/';
    if (name != nullptr && name[0] == '~') {
      const char *slash = std::strchr(name, '/');
      if (slash != nullptr) expanded += slash + 1;
    }
  } else {
    expanded = name;
  }
  char *result = strdup(expanded.c_str());
  if (result == nullptr) out_of_memory("EXPAND_FILE_NAME");
  return result;
}

}  // extern "C"
