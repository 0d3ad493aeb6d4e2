// Saving the defined networks to a network file and defining the networks of a file under their
// names: save_defined_nets, load_defined_nets and load_defined_net of kora.h. A saved
// definition carries its name as the NETWORKNAME property and the character D as TYPE.
// Tested in tests/formats/files_test.cpp.
#pragma once

#include "kora.h"
