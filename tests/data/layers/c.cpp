#include "kora.h"
