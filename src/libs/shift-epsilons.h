// Shifting initial epsilons: the beginning of every path of a transducer realigned so that the
// one-sided EPSILONs among its first symbols move to the end of that stretch
// (shift_initial_epsilons in kora.h). See shift-epsilons.cpp for the method and its cost.
#pragma once

#include "kora.h"

namespace kora {

// The realigned copy of `net` (left unchanged), determinized and minimized, in the
// representation `net` had; null for a virtual network (reported) or one without start state.
NET *shift_initial_epsilons_fsm(NET *net, int budget);

}  // namespace kora
