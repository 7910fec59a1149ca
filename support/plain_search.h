// wklib::plain_search: a Boyer-Moore-Horspool substring search over Shift_JIS bytes
// that never reports an occurrence starting on the trail byte of a double-byte
// character. The table is built once per needle and reused for every text.
#pragma once

#include "support/string.h"

namespace wklib {

class plain_search {
 public:
  plain_search() = default;
  // Takes the needle and builds its shift table.
  void set(const string& needle);
  const string& needle() const { return needle_; }
  // Offset of the first occurrence at or after `from` in `text` (`length` bytes),
  // -1 if none. With `whole_word`, an occurrence whose neighbouring bytes are word
  // characters (ASCII letters and `_`) is skipped.
  int find(const char* text, int length, int from, bool whole_word = false) const;

 private:
  string needle_;
  int shift_[256] = {};
};

}  // namespace wklib
