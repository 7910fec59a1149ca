// Inputs that once broke the pattern search or the engine under it.
#include <gtest/gtest.h>

#include "support/pattern_search.h"
