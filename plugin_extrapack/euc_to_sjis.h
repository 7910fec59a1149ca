// EUC-JP to Shift_JIS, for the package's web page (portable core).
#pragma once

#include "support/string.h"

// Converts `length` bytes of EUC-JP into `out`: JIS X 0208 characters by the
// row and cell rule, half-width katakana (single shift 2) unchanged, the
// supplementary set (single shift 3) as the same row and cell of the main set,
// every CR, LF and CR LF as one LF, NUL bytes dropped. False, with `out`
// emptied, when the data ends in the first byte of a two-byte character.
bool euc_to_sjis(const char* data, int length, wklib::string& out);
