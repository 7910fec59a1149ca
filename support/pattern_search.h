// wklib::pattern_search: the one way the installer and the plug-in match text.
//
// A pattern in SzRex dialect may be divided by the two characters `\f` into
// segments; after a successful search the text each segment matched is
// submatch(0), submatch(1), ... in pattern order and submatch(-1) is the whole match.
//
//   wklib::pattern_search finder;
//   finder.set_pattern("<a href.*?>\\f.*?\\f</a>");
//   finder.set_option("CaseSense", 0);      // after set_pattern: only the text is lowered
//   if (finder.search(line)) use(finder.submatch(1), finder.submatch_pos(0));
//
// Options (one byte each): "CaseSense" (1), "word" (0), "zero_match" (1),
// "use_regular" (1), "aimai" (0); names compare without regard to case.
// An object is used by one thread at a time.
#pragma once

#include <vector>

#include "support/plain_search.h"
#include "support/string.h"

namespace wklib {

struct pattern_record;  // an SzRex record with its fuzzy context and lazy mark

class pattern_search {
 public:
  pattern_search();
  explicit pattern_search(const char* pattern);
  ~pattern_search();
  pattern_search(const pattern_search&) = delete;
  pattern_search& operator=(const pattern_search&) = delete;

  // True when `name` is one of the five options; stores the value for the next
  // set_pattern or search.
  bool set_option(const char* name, int value);
  // True on success: the object becomes valid. False leaves it invalid.
  bool set_pattern(const char* text);
  // True when a match was found and its segments could be assigned.
  bool search(const char* text);
  bool search(const string& text) { return search(text.c_str()); }
  // The next match in the text of the last search, after the last match found (the
  // text must still be there, unchanged). Positions stay those of that text. A reader
  // going through a whole page this way prepares the page once, not once per match.
  // Pattern mode only: false in the plain mode.
  bool search_next();

  // Sub-match n (0 <= n < segment_count()), the whole match for n = -1, else empty.
  string submatch(int n) const;
  // Offset in the searched text where sub-match n begins; submatch_pos(0) is where
  // the whole match begins.
  int submatch_pos(int n) const;

  bool valid() const { return valid_; }
  int segment_count() const { return static_cast<int>(segments_.size()); }
  const string& pattern() const { return pattern_text_; }

  // The most segments (`\f`-separated parts) a pattern may have.
  static const int max_segments = 255;

 private:
  void free_records();
  bool assign_segments(int at, int end, int index, int depth);
  bool assign_segment(int at, int end, int index, int depth);
  bool search_regular(const char* text);
  bool search_working(int position);
  bool search_plain(const char* text);

  unsigned char case_sense_ = 1;
  unsigned char word_ = 0;
  unsigned char zero_match_ = 1;
  unsigned char use_regular_ = 1;
  unsigned char aimai_ = 0;

  int match_position_ = 0;
  pattern_record* whole_ = nullptr;
  std::vector<pattern_record*> segments_;
  std::vector<string> submatches_;
  std::vector<int> positions_;  // where each sub-match begins in the searched text
  string whole_match_;
  string pattern_text_;
  bool valid_ = false;
  plain_search plain_;
  // The caller's text of the current search (sub-matches are cut from it) and the
  // working copy the engine searches (lowered or converted).
  const char* source_ = nullptr;
  string working_;
  // What the engine searches: the working copy, or the caller's text itself when it
  // needs neither lowering nor conversion.
  const char* work_ = nullptr;
  int work_length_ = 0;
  int next_from_ = 0;  // where search_next goes on in it
  // Where the text the current match was found in begins in the working copy: after
  // a rejected match the search goes on in the text from the retry point.
  int origin_ = 0;
  // Segment assignment of the current match: (segment, offset in the match) pairs
  // already known to fail. Without them a failing assignment tries every split of
  // the match among the segments, which is exponential in their number.
  int split_origin_ = 0;
  int split_length_ = 0;
  std::vector<bool> failed_splits_;
};

}  // namespace wklib
