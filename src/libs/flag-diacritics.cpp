// Flag diacritics: parsing of flag-diacritic names and the making of their records.

#include "flag-diacritics.h"

#include <cstdlib>
#include <vector>

#include "error.h"
#include "fat-print.h"

namespace kora {
namespace {

constexpr uint32_t kMaxFlagValue = 32767;

// How the fields after "@X." are laid out for each action.
enum class Form {
  kAttribute,       // C: attribute
  kAttributeValue,  // P, N, U: attribute "." value
  kOptionalValue,   // D, R: attribute, or attribute "." value
  kTwoAttributes,   // S, E: attribute "." attribute
  kName,            // I, L, T, X: a name that may hold "."
  kFunctionName,    // F: a name ending with "("
};

enum class Parse { kNotFlag, kFlag, kIllFormed, kBadFunctionName };

struct ParsedFlag {
  int action = NO_FLAG_ACTION;
  int first_begin = 0, first_end = 0;    // the attribute or name: [begin, end)
  int second_begin = 0, second_end = 0;  // the value or second attribute, empty when absent
};

int action_of_letter(uint32_t letter) {
  switch (letter) {
    case 'C': return CLEAR_SETTING;
    case 'P': return POSITIVE_SETTING;
    case 'N': return NEGATIVE_SETTING;
    case 'U': return UNIFY_TEST;
    case 'D': return DISALLOW_TEST;
    case 'R': return REQUIRE_TEST;
    case 'I': return INSERT_SUBNET;
    case 'S': return SET_TO_ATTR;
    case 'E': return EQUAL_ATTR_TEST;
    case 'L': return LIST_ACTION;
    case 'T': return EXCLUDE_LIST;
    case 'F': return FUNCTION_ACTION;
    case 'X': return EXTERNAL_ACTION;
    default: return NO_FLAG_ACTION;
  }
}

Form form_of(int action) {
  switch (action) {
    case CLEAR_SETTING: return Form::kAttribute;
    case POSITIVE_SETTING:
    case NEGATIVE_SETTING:
    case UNIFY_TEST: return Form::kAttributeValue;
    case DISALLOW_TEST:
    case REQUIRE_TEST: return Form::kOptionalValue;
    case SET_TO_ATTR:
    case EQUAL_ATTR_TEST: return Form::kTwoAttributes;
    case FUNCTION_ACTION: return Form::kFunctionName;
    default: return Form::kName;
  }
}

// The index of the first "@" (or also ".", with `stop_at_dot`) at or after `i` that no "%"
// protects, or the index of the terminator.
int field_end(const uint32_t *name, int i, bool stop_at_dot) {
  while (name[i] != 0 && name[i] != '@' && !(stop_at_dot && name[i] == '.')) {
    if (name[i] == '%' && name[i + 1] != 0) i++;
    i++;
  }
  return i;
}

bool ends_with_at(const uint32_t *name) {
  int n = fat_strlen(name);
  return n > 0 && name[n - 1] == '@';
}

// Parses `name`; with `report`, an unknown action letter in a flag-like name is reported.
Parse parse_flag(const uint32_t *name, bool report, ParsedFlag *flag) {
  if (name == nullptr || name[0] != '@' || name[1] == 0 || name[1] >= 128) return Parse::kNotFlag;
  if (name[1] == 'F' && name[2] == '@' && name[3] == 0) {
    flag->action = FAIL_ACTION;
    return Parse::kFlag;
  }
  if (name[2] != '.') return Parse::kNotFlag;
  flag->action = action_of_letter(name[1]);
  if (flag->action == NO_FLAG_ACTION) {
    if (report && ends_with_at(name)) flag_diacr_action(name);
    return Parse::kNotFlag;
  }
  Form form = form_of(flag->action);
  bool names = form == Form::kName || form == Form::kFunctionName;
  int end = field_end(name, 3, !names);
  flag->first_begin = 3;
  flag->first_end = end;
  if (name[end] == 0 && !names && form != Form::kAttribute) return Parse::kNotFlag;
  if (end == 3 || name[end] == 0) return Parse::kIllFormed;
  if (name[end] == '.') {
    if (form == Form::kAttribute) return Parse::kIllFormed;
    flag->second_begin = end + 1;
    end = field_end(name, end + 1, true);
    flag->second_end = end;
    if (end == flag->second_begin || name[end] != '@') return Parse::kIllFormed;
  } else if (form == Form::kAttributeValue || form == Form::kTwoAttributes) {
    return Parse::kIllFormed;
  }
  if (name[end + 1] != 0) return Parse::kIllFormed;
  if (form == Form::kFunctionName && name[flag->first_end - 1] != '(')
    return Parse::kBadFunctionName;
  return Parse::kFlag;
}

// The field [begin, end) of `name` as a new terminated array.
std::vector<uint32_t> field(const uint32_t *name, int begin, int end) {
  std::vector<uint32_t> codes(name + begin, name + end);
  codes.push_back(0);
  return codes;
}

}  // namespace

int flag_diacr_action(const uint32_t *name) {
  if (name == nullptr || name[0] == 0 || name[1] == 0) return NO_FLAG_ACTION;
  if (name[1] == 'F' && name[2] == '@') return FAIL_ACTION;
  int action = name[1] < 128 ? action_of_letter(name[1]) : NO_FLAG_ACTION;
  if (action == NO_FLAG_ACTION)
    error_printf("flag_diacr_action: No such action '%c'", static_cast<char>(name[1]));
  return action;
}

int is_flag_diacritic(const uint32_t *name, int report) {
  ParsedFlag flag;
  Parse result = parse_flag(name, report == 1, &flag);
  if (report == 1 && (result == Parse::kIllFormed || result == Parse::kBadFunctionName)) {
    FILE *stream = message_stream();
    std::fputs("Symbol '", stream);
    print_fat(stream, name);
    std::fputs("' looks like an illformed flag diacritic.", stream);
    if (result == Parse::kBadFunctionName)
      std::fputs("\n    Function name must end with '('", stream);
    flush_message_as_error();
  }
  return result == Parse::kFlag;
}

FLAG_DIACRITIC *make_flag_diacr(const uint32_t *name) {
  ParsedFlag parsed;
  if (parse_flag(name, false, &parsed) != Parse::kFlag) return nullptr;
  auto *flag = static_cast<FLAG_DIACRITIC *>(std::calloc(1, sizeof(FLAG_DIACRITIC)));
  if (flag == nullptr) out_of_memory("MAKE_FLAG_DIACR");
  flag->action = parsed.action;
  if (parsed.action == FAIL_ACTION) return flag;
  std::vector<uint32_t> first = field(name, parsed.first_begin, parsed.first_end);
  intern_flag_attribute(&flag->attribute, first.data());
  switch (form_of(parsed.action)) {
    case Form::kName:
    case Form::kFunctionName: intern_fat_symbol(&flag->value, first.data()); break;
    case Form::kTwoAttributes:
      intern_flag_attribute(&flag->value,
                            field(name, parsed.second_begin, parsed.second_end).data());
      break;
    default:
      if (parsed.second_end > parsed.second_begin)
        intern_flag_value(&flag->value, field(name, parsed.second_begin, parsed.second_end).data());
      break;
  }
  return flag;
}

int intern_flag_attribute(uint32_t *out, const uint32_t *name) {
  return intern_symbol_in_map(attribute_label_map(), out, name);
}

int intern_flag_value(uint32_t *out, const uint32_t *name) {
  int status = intern_symbol_in_map(value_label_map(), out, name);
  if (*out != ID_NO_SYMBOL && *out > kMaxFlagValue) {
    warning("id of the flag value greater than 32767; some flag actions may fail.");
    status += 8;
  }
  return status;
}

FLAG_DIACRITIC *read_flag_diacritic(const uint32_t *name) {
  return is_flag_diacritic(name, 1) ? make_flag_diacr(name) : nullptr;
}

}  // namespace kora
