// The names of a mirror directory or of the save directory, in the order they came.
#pragma once

#include <vector>

#include "support/string.h"

using name_list = std::vector<wklib::string>;

// What reading a listing gives.
enum listing_result : int {
  listing_complete = 0,
  listing_cancelled = 1,
  listing_failed = 2,
};
