// Settings reached through the interface: the default context and the interface parameters, the
// error and warning callbacks, character encodings, the copyright holder, version strings and
// file-name expansion.

#include "settings.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boundary.h"
#include "context.h"
#include "error.h"

namespace kora {
namespace {

Configuration *the_configuration() {
  if (configuration == nullptr) {
    configuration = static_cast<Configuration *>(std::calloc(1, sizeof(Configuration)));
    if (configuration == nullptr) out_of_memory("CONFIG_INIT");
    configuration->copyright_holder = strdup(kDefaultCopyrightHolder);
    if (configuration->copyright_holder == nullptr) out_of_memory("CONFIG_INIT");
  }
  return configuration;
}

}  // namespace

void free_configuration() {
  if (configuration == nullptr) return;
  std::free(configuration->copyright_holder);
  std::free(configuration);
  configuration = nullptr;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API FST_CONTEXT *get_default_kora_context(void) {
  return guarded(__func__, nullptr, [&]() -> FST_CONTEXT * { return context(); });
}

KORA_API INT_PARAMETERS *int_parameters(void) {
  return guarded(__func__, nullptr, [&]() -> INT_PARAMETERS * { return &interface_parameters; });
}

KORA_API void set_error_function(kora_message_function function) {
  guarded(__func__, [&] { set_error_callback(function); });
}

KORA_API void set_warning_function(kora_message_function function) {
  guarded(__func__, [&] { set_warning_callback(function); });
}

KORA_API int set_char_encoding(FST_CONTEXT *c, int code) {
  return guarded(__func__, 1, [&]() -> int {
    if (code != KORA_UTF8 && code != KORA_LATIN1) {
      error_printf(
          "Character encoding code 'd' is not valid.\nOnly %d (UTF-8) and %d (ISO-8859-1) are "
          "currently supported",
          KORA_UTF8, KORA_LATIN1);
      return 1;
    }
    int_parameters()->word[KORA_CHAR_ENCODING] = code;
    c->in_char_encoding = code;
    c->out_char_encoding = code;
    return 0;
  });
}

KORA_API int set_input_char_encoding(FST_CONTEXT *c, int code) {
  return guarded(__func__, 1, [&]() -> int {
    c->in_char_encoding = (code == KORA_UTF8 || code == KORA_LATIN1) ? code : KORA_UTF8;
    return 0;
  });
}

KORA_API const char *libkora_version(void) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    return "libkora-  date Mon 05/03/2010 ";
  });
}

KORA_API const char *libkora_build(void) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    return "";
  });
}

KORA_API const char *copyright_holder(const char *holder) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    Configuration *config = the_configuration();
    if (holder != nullptr) {
      char *copy = strdup(holder);
      if (copy == nullptr) out_of_memory("COPYRIGHT_HOLDER");
      std::free(config->copyright_holder);
      config->copyright_holder = copy;
    }
    return config->copyright_holder;
  });
}

// "~" stands for the home directory: $HOME, else $windir, else the current directory.
KORA_API char *expand_file_name(const char *name) {
  return guarded(__func__, nullptr, [&]() -> char * {
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
  });
}

}  // extern "C"
