// The answer of a pattern search in one string, for tables of expected answers.
#pragma once

#include <algorithm>
#include <string>

#include "support/pattern_search.h"

// "" when nothing matches, else "position:sub-match|sub-match|..." (the plain search's
// one sub-match is its whole match). A sub-match that does not begin where the one
// before it ends is preceded by "@its position", and a whole match other than the
// sub-matches joined follows as "=whole match". A null `text` goes on with search_next.
inline std::string found(wklib::pattern_search& finder, const char* text) {
  if (!(text ? finder.search(text) : finder.search_next())) return "";
  std::string out = std::to_string(finder.submatch_pos(0)) + ":", joined;
  for (int i = 0, at = finder.submatch_pos(0); i < std::max(1, finder.segment_count()); ++i) {
    const wklib::string part = finder.submatch(i);
    if (i) out += "|";
    if (finder.submatch_pos(i) != at) out += "@" + std::to_string(finder.submatch_pos(i));
    out.append(part.c_str(), part.length());
    joined.append(part.c_str(), part.length());
    at = finder.submatch_pos(i) + part.length();
  }
  const wklib::string whole = finder.submatch(-1);
  if (joined != std::string(whole.c_str(), whole.length())) out += "=" + std::string(whole.c_str());
  return out;
}
