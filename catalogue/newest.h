// Choosing among the archives of one package: how a name matches the package's
// pattern, and which of several matching names is the newest.
#pragma once

#include "catalogue/name_list.h"
#include "support/pattern_search.h"
#include "support/string.h"

// The pattern is found somewhere in the name.
bool name_matches_found(wklib::pattern_search& pattern, const wklib::string& name);
// The pattern's match is the whole name.
bool name_matches_whole(wklib::pattern_search& pattern, const wklib::string& name);

// The value of a name: the first run of decimal digits in it, 0 when it has none.
// A run too large for 32 bits counts as 0xFFFFFFFF.
unsigned long name_number(wklib::pattern_search& digits, const wklib::string& name);

// Index of the name with the greatest number; the earliest among equals, 0 for an
// empty list. Numbers, not texts: tex323w.zip is newer than tex33w.zip.
int newest_by_number(const name_list& names);
