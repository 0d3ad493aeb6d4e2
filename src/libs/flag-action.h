// What a flag diacritic does on a path: the flag register and the action of each flag on it.
//
// The register holds one 32-bit word per flag attribute (by its id in the "Attribute" map): 0
// means unset, a value id (below 32768) a positive setting, and the value id with bit 0x8000
// set a negative one. Paths start from an all-unset register; each flag met on the path, in
// order, reads and writes it through flag_action, and a flag that fails cuts the path. Flags
// that name a definition (I, T: a defined network; F: a defined function; L, X: a defined
// list) succeed when the definition exists and hand it to the caller. Every action is O(1)
// apart from the growth of the register. Tested in tests/operations/flag_action_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "label.h"

namespace kora {

// Bit of a register word that marks a negative setting.
constexpr uint32_t NEGATIVE_FLAG_VALUE = 0x8000;

// The flag register: one word per attribute, all unset to begin with.
class FlagRegister {
 public:
  uint32_t get(uint32_t attribute) const {
    return attribute < words_.size() ? words_[attribute] : 0;
  }
  void set(uint32_t attribute, uint32_t value) {
    if (attribute >= words_.size()) words_.resize(attribute + 1, 0);
    words_[attribute] = value;
  }
  // Every attribute unset again.
  void clear() { words_.assign(words_.size(), 0); }

 private:
  std::vector<uint32_t> words_;
};

// The letter of a flag action ('C', 'P', ... 'X'; 'F' for code 7), or '?' for any other code.
char flag_action_letter(int action);

// Carries out `flag` on `reg`: 1 when the flag succeeds, 0 when it fails. For I and T `*out`
// receives the defined network named by the flag, for F the function record, for L and X the
// defined list (all still owned by the definitions); for any other action, and on failure, 0.
// `out` may be null. An undefined name is reported with the flag error; an action code above
// 14 with "flag_action: Unknown flag action: %d" (and fails); a value id of 32768 or more of an
// action other than I, L, X, T and F with "flag_action: Id of the flag value is %d, greater
// than 32767" before the action is carried out.
int flag_action(FlagRegister *reg, const FLAG_DIACRITIC *flag, void **out);

// Reports that the definition named by a flag of action I, L, T, F or X does not exist:
// "Action fails because the symbol 'name' in '@L.name@'\n    is not defined as a list." (a
// network for I, a list for L and X, a transducer for T, a function for F). Any other action
// is the fatal programming error "%d is a bad value for flag action".
void flag_error(const FLAG_DIACRITIC *flag);

}  // namespace kora
