// The table of user-defined regex functions.

#include "functions-table.h"

#include <cstdlib>
#include <vector>

#include "context.h"
#include "error.h"
#include "hash-tbl.h"
#include "heap.h"
#include "label.h"

namespace kora {
namespace {

constexpr int kFunctionBuckets = 61;
constexpr unsigned kRecordsPerBlock = 24;

HASH_TABLE *the_function_table() {
  if (user_functions.table == nullptr) {
    user_functions.table = make_hash_table(kFunctionBuckets, "Function table");
    user_functions.records =
        init_heap(sizeof(FUNCTION_RECORD), kRecordsPerBlock, "Function records");
  }
  return user_functions.table;
}

// Frees what the record owns and the record itself.
void release_record(FUNCTION_RECORD *func) {
  free_lab_vector(func->parameters);
  std::free(func->body);
  free_cell(func, user_functions.records);
}

}  // namespace

FUNCTION_RECORD *define_function_record(uint32_t id, LAB_VECTOR *parameters, char *body) {
  FUNCTION_RECORD *func = lookup_function(id);
  if (func != nullptr) {
    if (parameter(KORA_VERBOSE)) {
      FILE *stream = message_stream();
      std::fputs("Function '", stream);
      print_function_signature(id, func->parameters, stream);
      std::fputs("' is being redefined.", stream);
      flush_message_as_warning();
    }
    free_lab_vector(func->parameters);
    std::free(func->body);
  } else {
    func = static_cast<FUNCTION_RECORD *>(cell_alloc(user_functions.records));
    if (func == nullptr) out_of_memory("DEFINE_FUNCTION_RECORD");
    func->name = id;
    if (id_table_insert(user_functions.table, id, func) != 0)
      out_of_memory("DEFINE_FUNCTION_RECORD");
  }
  func->parameters = parameters;
  func->body = body;
  func->encoding = parameter(KORA_CHAR_ENCODING);
  return func;
}

FUNCTION_RECORD *lookup_function(uint32_t id) {
  return static_cast<FUNCTION_RECORD *>(id_table_lookup(the_function_table(), id));
}

void print_function_signature(uint32_t id, const LAB_VECTOR *parameters, FILE *stream) {
  if (stream == nullptr) stream = stdout;
  print_label(id, stream, 0);
  for (int i = 0; parameters != nullptr && i < parameters->length; ++i) {
    if (i > 0) std::fputs(", ", stream);
    print_label(parameters->items[i], stream, 0);
  }
  std::fputc(')', stream);
}

void free_function_table() {
  if (user_functions.table == nullptr) return;
  std::vector<void *> records = hash_values(user_functions.table);
  free_hash_table(user_functions.table);
  user_functions.table = nullptr;
  for (void *func : records) release_record(static_cast<FUNCTION_RECORD *>(func));
  free_heap(user_functions.records);
  user_functions.records = nullptr;
}

}  // namespace kora
