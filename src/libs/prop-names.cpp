// The "Names" table of shared property keys.

#include "prop-names.h"

#include <cstdlib>
#include <cstring>

#include "hash-tbl.h"
#include "label.h"

namespace kora {
namespace {

// The standard keys, then the names that property values share.
constexpr const char *kNames[] = {
    "NETWORKNAME", "DEFINITION", "SIGMA", "SAVED-SIGMA", "EQV-VECTOR", "DEFINED_LISTS",
    "COMPACTED-P", "VECTORIZE-N", "AUTHORS", "CHARENCODING", "CHARNAMES", "COMPOUNDHAR",
    "COPYRIGHT", "DATE", "DIACRITICS", "FUNCTION", "LANGUAGE", "LITERALNAMES",
    "NEUTRALLINKINGCHAR", "OPERATION", "POSTFIXLINKINGCHAR", "PREFIXLINKINGCHAR", "SOURCE",
    "STATUS", "TAGS", "TOOLVERSIONS", "TRANSCRIPT", "TYPE", "VERSIONSTRING",
    "WORD-TO-FILEPOS-MAP", "0", "?", "NIL", "OTHER"};

constexpr int kBuckets = 101;

// Longer than any name of the table.
constexpr size_t kLongestName = 32;

unsigned hash_name(const void *key) { return fat_hash(static_cast<const uint32_t *>(key)); }

int compare_names(const void *a, const void *b) {
  return fat_strcmp(static_cast<const uint32_t *>(a), static_cast<const uint32_t *>(b));
}

void free_name(void *key, void *) { std::free(key); }

}  // namespace

void make_names_table() {
  if (property_names != nullptr) return;
  property_names = make_hash_table(kBuckets, "Names");
  for (const char *name : kNames) {
    FAT_STR fat = thin_to_fat(name);
    hash_insert(property_names, fat, fat, hash_name, compare_names);
  }
}

void free_names_table() {
  if (property_names == nullptr) return;
  map_hash(property_names, free_name);
  free_hash_table(property_names);
  property_names = nullptr;
}

FAT_STR shared_name(const uint32_t *name) {
  if (property_names == nullptr || name == nullptr) return nullptr;
  void *found = nullptr;
  hash_lookup(property_names, name, &found, hash_name, compare_names);
  return static_cast<FAT_STR>(found);
}

FAT_STR standard_name(const char *name) {
  uint32_t fat[kLongestName + 1];
  size_t length = std::strlen(name);
  if (length > kLongestName) return nullptr;
  for (size_t i = 0; i <= length; i++) fat[i] = static_cast<unsigned char>(name[i]);
  return shared_name(fat);
}

bool is_shared_string(const uint32_t *s) {
  if (s == nullptr) return false;
  if (shared_name(s) == s) return true;
  uint32_t id = ID_NO_SYMBOL;
  if (lookup_symbol(&id, s) != 0) return false;
  const LABEL *label = label_record(id);
  return label != nullptr && label->arity == 1 && label->name == s;
}

}  // namespace kora
