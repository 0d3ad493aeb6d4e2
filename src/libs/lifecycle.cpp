// initialize_kora fills the one default context, creates the memory heaps and the tables of
// labels, names and definitions, and installs the hooks through which lower modules reach
// higher ones; reclaim_kora releases everything at once, so that a later initialize_kora
// starts afresh.

#include "lifecycle.h"

#include <cstdlib>
#include <cstring>

#include "alph.h"
#include "bin-header.h"
#include "bin-in.h"
#include "bin-out.h"
#include "bin-compact.h"
#include "bin-virtual.h"
#include "boundary.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "flag-diacritics.h"
#include "flag-eliminate.h"
#include "functions.h"
#include "lab-vect.h"
#include "label.h"
#include "labelset.h"
#include "lexicon-aux.h"
#include "page.h"
#include "pars-tbl.h"
#include "print.h"
#include "prolog-out.h"
#include "regex-in.h"
#include "regex-include.h"
#include "regex-scanner.h"
#include "prop-names.h"
#include "settings.h"
#include "share.h"
#include "stack.h"
#include "str-buf.h"
#include "struct.h"
#include "virtual-net.h"

namespace kora {
namespace {

void create_heaps() {
  if (!heaps_to_create) return;
  make_network_heaps();
  set_flag_reader(read_flag_diacritic);
  make_label_maps();
  define_latin1_lists();
  make_names_table();
  add_network_freed_hook(forget_deleted_definition);
  make_parse_table_heaps();
  add_network_freed_hook(free_net_parse_tables);
  add_network_freed_hook(forget_prolog_number);
  install_standard_writer();
  install_standard_reader();
  install_virtual_formats();
  install_compacted_formats();
  install_flag_elimination();
  install_arc_optimization();
  install_labelset_hooks();
  install_virtual_net_hooks();
  set_regex_compiler(read_regex);
  set_include_readers({[](FILE *stream) { return compile_lexicon_stream(stream, nullptr); }});
  heaps_to_create = false;
}

void fill_default_context(FST_CONTEXT *c) {
  static const char *const header_names[KORA_HEADER_NAME_COUNT] = {
      "COPYRIGHT", "AUTHORS", "CHARENCODING", "SOURCE", "LANGUAGE", "CREATION-DATE", "VERSION"};
  c->spare0 = 0;
  c->owned = 0;
  c->copyright_holder = kDefaultCopyrightHolder;
  c->spare3 = 1;
  c->map_arc_blocks = 0;
  c->in_char_encoding = KORA_UTF8;
  c->out_char_encoding = KORA_UTF8;
  c->parameters = int_parameters();
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
  c->show_progress = 0;
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
}  // namespace kora

using namespace kora;

extern "C" {

KORA_API FST_CONTEXT *initialize_kora(void) {
  return guarded(__func__, nullptr, [&]() -> FST_CONTEXT * {
    fill_default_context(context());
    create_heaps();
    reset_line_buffer();
    return context();
  });
}

KORA_API void reclaim_kora(FST_CONTEXT *c) {
  guarded(__func__, [&] {
    reset_regex_scanner();
    free_network(regex_result_slot());
    regex_result_slot() = nullptr;
    free_definitions();
    free_live_networks();
    forget_prolog_numbers();
    free_names_table();
    free_label_maps();
    free_all_stacks();
    free_all_heaps();
    forget_network_heaps();
    forget_parse_table_heaps();
    forget_alph_item_heaps();
    heaps_to_create = true;
    free_configuration();
    reset_file_headers();
    if (c != nullptr) release_context(c);
  });
}

}  // extern "C"
