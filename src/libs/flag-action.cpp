// The actions of flag diacritics on the flag register.

#include "flag-action.h"

#include <string>

#include "define.h"
#include "error.h"
#include "functions-table.h"

namespace kora {
namespace {

constexpr uint32_t kLargestFlagValue = 32767;

bool names_definition(int action) {
  switch (action) {
    case INSERT_SUBNET:
    case LIST_ACTION:
    case EXCLUDE_LIST:
    case FUNCTION_ACTION:
    case EXTERNAL_ACTION: return true;
    default: return false;
  }
}

// The definition that a flag of action I, T, F, L or X names, or null when there is none.
void *named_definition(const FLAG_DIACRITIC *flag) {
  switch (flag->action) {
    case INSERT_SUBNET:
    case EXCLUDE_LIST: return defined_net(flag->value);
    case FUNCTION_ACTION: return lookup_function(flag->value);
    default: return defined_list(flag->value);
  }
}

// Unify: an unset attribute takes the value, an equal one stays, and a negative setting of
// another value is replaced by the value.
bool unify(FlagRegister *reg, uint32_t attribute, uint32_t value) {
  const uint32_t r = reg->get(attribute);
  if (r == value) return true;
  if (r == 0 || ((r & NEGATIVE_FLAG_VALUE) != 0 && r != (value ^ NEGATIVE_FLAG_VALUE))) {
    reg->set(attribute, value);
    return true;
  }
  return false;
}

bool disallow(const FlagRegister &reg, uint32_t attribute, uint32_t value) {
  const uint32_t r = reg.get(attribute);
  if (value == 0) return r == 0;
  if ((r & NEGATIVE_FLAG_VALUE) != 0) return r == (value ^ NEGATIVE_FLAG_VALUE);
  return r != value;
}

bool require(const FlagRegister &reg, uint32_t attribute, uint32_t value) {
  const uint32_t r = reg.get(attribute);
  return value == 0 ? r != 0 : r == value;
}

bool equal_attributes(const FlagRegister &reg, uint32_t attribute, uint32_t other) {
  const uint32_t r = reg.get(attribute), s = reg.get(other);
  return r == s || r == 0 || s == 0;
}

}  // namespace

char flag_action_letter(int action) {
  static const char letters[] = "?CPNUDRFISELTFX";
  return action >= 0 && action <= EXTERNAL_ACTION ? letters[action] : '?';
}

int flag_action(FlagRegister *reg, const FLAG_DIACRITIC *flag, void **out) {
  if (out != nullptr) *out = nullptr;
  const int action = flag->action;
  if (action < NO_FLAG_ACTION || action > EXTERNAL_ACTION) {
    error_printf("flag_action: Unknown flag action: %d", action);
    return 0;
  }
  const uint32_t attribute = flag->attribute, value = flag->value;
  if (!names_definition(action) && value > kLargestFlagValue)
    error_printf("flag_action: Id of the flag value is %d, greater than 32767", static_cast<int>(value));
  switch (action) {
    case NO_FLAG_ACTION: return 1;
    case CLEAR_SETTING:
    case POSITIVE_SETTING: reg->set(attribute, value); return 1;
    case NEGATIVE_SETTING: reg->set(attribute, value ^ NEGATIVE_FLAG_VALUE); return 1;
    case UNIFY_TEST: return unify(reg, attribute, value);
    case DISALLOW_TEST: return disallow(*reg, attribute, value);
    case REQUIRE_TEST: return require(*reg, attribute, value);
    case FAIL_ACTION: return 0;
    case SET_TO_ATTR: reg->set(attribute, reg->get(value)); return 1;
    case EQUAL_ATTR_TEST: return equal_attributes(*reg, attribute, value);
    default: break;
  }
  void *definition = named_definition(flag);
  if (definition == nullptr) {
    flag_error(flag);
    return 0;
  }
  if (out != nullptr) *out = definition;
  return 1;
}

void flag_error(const FLAG_DIACRITIC *flag) {
  const char *kind = nullptr;
  switch (flag->action) {
    case INSERT_SUBNET: kind = "network"; break;
    case LIST_ACTION:
    case EXTERNAL_ACTION: kind = "list"; break;
    case EXCLUDE_LIST: kind = "transducer"; break;
    case FUNCTION_ACTION: kind = "function"; break;
    default: programming_error("flag_error", "%d is a bad value for flag action", flag->action);
  }
  std::string name;
  append_label(name, flag->value, 0);
  std::string message = "Action fails because the symbol '";
  message += name;
  message += "' in '@";
  message += flag_action_letter(flag->action);
  message += '.';
  message += name;
  message += "@'\n    is not defined as a ";
  message += kind;
  message += '.';
  error(message.c_str());
}

}  // namespace kora
