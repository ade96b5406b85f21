// random.h -- the show's generator, for the shell and the sections; it lives in
// common/random.h so that the layers below the shell can use it too.
#pragma once

#include "common/random.h"
