#include "support/plain_search.h"

namespace wklib {

void plain_search::set(const string& needle) {
  needle_ = needle;
  int m = needle_.length();
  for (int& s : shift_) s = m;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(needle_.c_str());
  for (int i = 0; i < m - 1; ++i) shift_[p[i]] = m - 1 - i;
}

int plain_search::find(const char* text, int length, int from, bool whole_word) const {
  const int m = needle_.length();
  if (m == 0 || from < 0) return -1;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(needle_.c_str());
  int q = from;
  while (q <= length - m) {
    int i = m - 1;
    while (i >= 0 && t[q + i] == p[i]) --i;
    if (i < 0) {
      bool accepted = !is_trail_position(text, q);
      if (accepted && whole_word) {
        bool before = q > 0 && is_word_char(t[q - 1]) && !is_trail_position(text, q - 1);
        bool after = q + m < length && is_word_char(t[q + m]) && !is_trail_position(text, q + m);
        accepted = !before && !after;
      }
      if (accepted) return q;
      ++q;
      continue;
    }
    q += shift_[t[q + m - 1]];
  }
  return -1;
}

}  // namespace wklib
