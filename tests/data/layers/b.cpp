#include "a.h"
#include "c.h"
