#include "support/pattern_search.h"

#include <cstdint>
#include <cstring>

#include "regex/szrex.h"
#include "regex/szrex_fuzzy.h"

namespace wklib {

// An engine record with its fuzzy context and the lazy mark of its segment.
struct pattern_record {
  SzRexPattern record{};
  SzRexFuzzy fuzzy{};
  unsigned char lazy = 0;
  bool ready = false;
  // The segment's text when it is nothing but literal characters (`</a>`, `"`):
  // it then matches at the start of a text exactly when the text begins with it.
  string literal;
  // The segment is `.*` (or lazy `.*?`): any run of characters within one line.
  bool any_run = false;
  // The bytes every match of the segment ends with (">" for `<a href.*?>`), if known.
  string tail;

  bool init() {
    fuzzy.size = SzRexFuzzySize;
    if (!SzRexFuzzyInit(&fuzzy)) return false;
    record.size = SzRexPatternSize;
    ready = SzRexInit(&record) != 0;
    return ready;
  }
  void release() {
    if (ready) SzRexFree(&record);
    SzRexFuzzyFree(&fuzzy);
    ready = false;
  }
  // Compiles `text`, through the fuzzy conversion first when `fuzzy_mode` is set.
  bool compile(const char* text, bool fuzzy_mode) {
    if (!ready) return false;
    if (fuzzy_mode) {
      text = SzRexFuzzyConvertPattern(&fuzzy, text);
      if (!text) return false;
    }
    if (!SzRexCompile(&record, text)) return false;
    const char* bytes = nullptr;
    const int n = fuzzy_mode ? 0 : SzRexLiteralTail(&record, &bytes);
    tail = n > 0 ? string(bytes, n) : string();
    return true;
  }
  // The first match in the `length` bytes at `text` from `from` on: true with its
  // start and length.
  bool find(const char* text, int length, int from, int* start, int* taken) {
    record.start = from;
    if (!SzRexFindIn(&record, text, length, 0)) return false;
    *start = record.match_start;
    *taken = record.match_length;
    return true;
  }
  // The match at `at` that ends at `limit` at the latest; the text around it is seen
  // by anchors and lookarounds. True with its length.
  bool match_at(const char* text, int length, int at, int limit, int* taken) {
    if (!SzRexMatchAt(&record, text, length, at, limit)) return false;
    *taken = record.match_length;
    return true;
  }
  // Whether the segment matches exactly the bytes from `at` to `end`.
  bool matches_whole(const char* text, int length, int at, int end) {
    const int n = tail.length();
    if (n > 0 && (end - at < n || std::memcmp(text + end - n, tail.c_str(), n) != 0)) return false;
    int taken = 0;
    return match_at(text, length, at, end, &taken) && taken == end - at;
  }
};

namespace {

// The system's lead bytes, asked once: the segment loops step over every character.
struct lead_table {
  bool lead[256];
  lead_table() {
    for (int c = 0; c < 256; ++c) lead[c] = is_lead_byte(static_cast<unsigned char>(c));
  }
};
const lead_table& leads() {
  static const lead_table table;
  return table;
}

inline int char_length(const char* text, int at) {
  return (leads().lead[static_cast<unsigned char>(text[at])] && text[at + 1] != '\0') ? 2 : 1;
}

// The segment text ends in a lazy quantifier: a `?` after `*`, `+`, `?`, or after a
// `}` closing a brace group of digits with at most one comma.
bool ends_lazy(const string& text) {
  int n = text.length();
  if (n < 2 || text[n - 1] != '?') return false;
  const char* s = text.c_str();
  int q = n - 2;  // the quantifier character
  char c = s[q];
  if (c == '}') {
    int commas = 0;
    int i = q - 1;
    for (; i >= 0 && s[i] != '{'; --i) {
      if (s[i] == ',') {
        if (++commas > 1) return false;
        continue;
      }
      try {
        to_digit(s[i]);
      } catch (const bad_lexical_cast&) {
        return false;
      }
    }
    if (i < 0) return false;
  } else if (c != '*' && c != '+' && c != '?') {
    return false;
  }
  return !(q > 0 && is_lead_byte(static_cast<unsigned char>(s[q - 1])));
}

// Whether q starts a character, counting from `from`, a character start before it:
// an even run of lead bytes (back to `from`) ends at q - 1.
bool boundary(const char* text, int from, int q) {
  int run = 0;
  for (int i = q - 1; i >= from && leads().lead[static_cast<unsigned char>(text[i])]; --i) ++run;
  return (run & 1) == 0;
}

// Where a run of characters from `at` (a character boundary) ends within its line:
// at the first line feed that is a character of its own, or at `end`.
int run_in_line(const char* text, int at, int end) {
  for (int p = at; p < end;) {
    const void* hit = std::memchr(text + p, '\n', static_cast<std::size_t>(end - p));
    if (!hit) break;
    const int q = static_cast<int>(static_cast<const char*>(hit) - text);
    if (boundary(text, at, q)) return q;
    p = q + 1;
  }
  return end;
}

// Whether `text` holds no character with a meaning in the dialect, so that it
// matches exactly itself.
bool plain_literal(const string& text) {
  if (text.empty()) return false;
  for (int i = 0; i < text.length(); ++i)
    if (std::strchr("\\()*+?.[]{}|^$", text[i])) return false;
  return true;
}

bool ieq(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
    char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

}  // namespace

pattern_search::pattern_search() {
  whole_ = new pattern_record;
  whole_->init();
}

pattern_search::pattern_search(const char* pattern) : pattern_search() { set_pattern(pattern); }

pattern_search::~pattern_search() {
  free_records();
  whole_->release();
  delete whole_;
}

void pattern_search::free_records() {
  for (pattern_record* r : segments_) {
    r->release();
    delete r;
  }
  segments_.clear();
}

bool pattern_search::set_option(const char* name, int value) {
  if (!name) return false;
  unsigned char v = static_cast<unsigned char>(value);
  if (ieq(name, "CaseSense"))
    case_sense_ = v;
  else if (ieq(name, "word"))
    word_ = v;
  else if (ieq(name, "zero_match"))
    zero_match_ = v;
  else if (ieq(name, "use_regular"))
    use_regular_ = v;
  else if (ieq(name, "aimai"))
    aimai_ = v;
  else
    return false;
  return true;
}

bool pattern_search::set_pattern(const char* text) {
  valid_ = false;
  source_ = nullptr;
  if (!text) return false;
  if (!use_regular_ && !aimai_) {
    if (!*text) return false;
    string needle(text);
    if (!case_sense_) needle.lower();
    plain_.set(needle);
    if (submatches_.empty()) submatches_.push_back(string());
    positions_.assign(submatches_.size(), 0);
    pattern_text_ = text;
    valid_ = true;
    return true;
  }
  free_records();
  whole_->release();
  if (!whole_->init()) return false;
  string copy(text);
  if (!case_sense_) copy.lower();
  const bool fuzzy_mode = aimai_ != 0;
  if (aimai_ && !use_regular_) {
    pattern_record* only = new pattern_record;
    if (!only->init() || !only->compile(copy.c_str(), true) ||
        !whole_->compile(copy.c_str(), true)) {
      only->release();
      delete only;
      return false;
    }
    segments_.push_back(only);
    if (submatches_.empty()) submatches_.push_back(string());
    positions_.assign(submatches_.size(), 0);
    pattern_text_ = text;
    valid_ = true;
    return true;
  }
  string whole;
  auto add_segment = [&](const string& segment, bool may_be_lazy) {
    whole += segment;
    pattern_record* r = new pattern_record;
    segments_.push_back(r);
    string compiled = segment;
    if (may_be_lazy && ends_lazy(segment)) {
      r->lazy = 1;
      compiled.erase(compiled.length() - 1, 1);
    }
    if (!fuzzy_mode && plain_literal(compiled)) r->literal = compiled;
    r->any_run = !fuzzy_mode && compiled == ".*";
    return r->init() && r->compile(compiled.c_str(), fuzzy_mode) &&
           segments_.size() <= static_cast<std::size_t>(max_segments);
  };
  const char* s = copy.c_str();
  int segment_start = 0;
  int n = copy.length();
  for (int i = 0; i < n;) {
    if (is_lead_byte(static_cast<unsigned char>(s[i])) && s[i + 1] != '\0') {
      i += 2;
    } else if (s[i] == '\\' && s[i + 1] == '\\') {
      i += 2;
    } else if (s[i] == '\\' && s[i + 1] == 'f') {
      if (!add_segment(string(s + segment_start, i - segment_start), true)) return false;
      i += 2;
      segment_start = i;
    } else {
      ++i;
    }
  }
  if (!add_segment(string(s + segment_start, n - segment_start), false)) return false;
  if (!whole_->compile(whole.c_str(), fuzzy_mode)) return false;
  while (submatches_.size() < segments_.size()) submatches_.push_back(string());
  positions_.assign(submatches_.size(), 0);
  pattern_text_ = text;
  valid_ = true;
  return true;
}

bool pattern_search::search(const char* text) {
  if (!valid_ || !text) return false;
  for (string& s : submatches_) s.clear();
  whole_match_.clear();
  if (!use_regular_ && !aimai_) return search_plain(text);
  return search_regular(text);
}

bool pattern_search::search_plain(const char* text) {
  string lowered;
  const char* haystack = text;
  if (!case_sense_) {
    lowered = text;
    lowered.lower();
    haystack = lowered.c_str();
  }
  int length = static_cast<int>(std::strlen(text));
  int at = plain_.find(haystack, length, 0, word_ != 0);
  if (at < 0) return false;
  match_position_ = at;
  whole_match_.assign(text + at, plain_.needle().length());
  if (!submatches_.empty()) submatches_[0] = whole_match_;
  if (!positions_.empty()) positions_[0] = at;
  return true;
}

bool pattern_search::search_regular(const char* text) {
  source_ = text;
  const int length = static_cast<int>(std::strlen(text));
  if (aimai_) {
    if (!SzRexFuzzyConvertSubject(&whole_->fuzzy, text, static_cast<std::uint32_t>(length))) {
      source_ = nullptr;  // search_next must not read the previous search's text
      return false;
    }
    working_.assign(whole_->fuzzy.subject, static_cast<int>(whole_->fuzzy.subject_length));
  } else if (!case_sense_) {
    // Copied and lowered in one pass.
    string::lower_copy(text, working_.buffer(length), length);
    working_.set_length(length);
    work_ = working_.c_str();
    work_length_ = length;
    return search_working(0);
  } else {
    // Nothing to convert: the caller's text is searched as it is.
    work_ = text;
    work_length_ = length;
    return search_working(0);
  }
  if (!case_sense_) working_.lower();
  work_ = working_.c_str();
  work_length_ = working_.length();
  return search_working(0);
}

bool pattern_search::search_next() {
  if (!valid_ || !source_ || (!use_regular_ && !aimai_)) return false;
  for (string& s : submatches_) s.clear();
  whole_match_.clear();
  if (next_from_ > work_length_) return false;
  // A match may end inside a character (a pattern ending in a lone lead byte): go on
  // from the next character, never from a trail byte.
  int from = next_from_;
  if (from > 0 && from < work_length_ && is_trail_position(work_, from)) ++from;
  return search_working(from);
}

// Searches the working copy from `position` on; a search continuing after an empty
// match starts one character later, so that it cannot find that match again. A
// match the options reject is searched for again from one character after its
// start, in the text from there on: what lies before the retry point is no longer
// part of the text (`^` holds there, `\<` sees no letter before it).
bool pattern_search::search_working(int position) {
  const char* work = work_;
  const int work_length = work_length_;
  int origin = 0;
  int start = 0, length = 0;
  for (;;) {
    if (position > work_length ||
        !whole_->find(work + origin, work_length - origin, position - origin, &start, &length)) {
      next_from_ = work_length + 1;
      return false;
    }
    start += origin;
    bool accepted = true;
    if (length == 0 && !zero_match_) accepted = false;
    if (accepted && word_) {
      bool before = start > 0 && is_word_char(static_cast<unsigned char>(work[start - 1])) &&
                    !is_trail_position(work, start - 1);
      bool after = start + length < work_length &&
                   is_word_char(static_cast<unsigned char>(work[start + length]));
      accepted = !before && !after;
    }
    if (accepted) break;
    if (start >= work_length) {
      next_from_ = work_length + 1;
      return false;
    }
    position = origin = start + char_length(work, start);
  }
  next_from_ = length > 0 ? start + length
                          : (start < work_length ? start + char_length(work, start) : start + 1);
  // Positions in the caller's text.
  int source_start = start, source_match_length = length;
  if (aimai_) SzRexFuzzyMapBack(&whole_->fuzzy, &source_start, &source_match_length);
  match_position_ = source_start;
  whole_match_.assign(source_ + source_start, source_match_length);
  if (segments_.size() == 1) {
    // The one segment is the whole pattern: its match is the whole match.
    submatches_[0] = whole_match_;
    positions_[0] = source_start;
    return true;
  }
  origin_ = origin;
  split_origin_ = start - origin;
  split_length_ = length;
  // A 32-bit size can wrap for a long match over many segments: a short table would be overrun.
  if (static_cast<std::size_t>(length) + 1 > SIZE_MAX / (segments_.size() + 1)) return false;
  failed_splits_.assign((segments_.size() + 1) * (static_cast<std::size_t>(length) + 1), false);
  return assign_segments(start - origin, start - origin + length, 0, 0);
}

// Assigns segments `index` onwards to the match from `at` to `end` (offsets in the
// text the match was found in). The recursion is one level per segment (at most
// max_segments). The answer depends only on the segment and the offset in the
// match, so a failure is remembered and never worked out twice.
bool pattern_search::assign_segments(int at, int end, int index, int depth) {
  const std::size_t split = static_cast<std::size_t>(index) * (split_length_ + 1) +
                            static_cast<std::size_t>(at - split_origin_);
  if (failed_splits_[split]) return false;
  if (assign_segment(at, end, index, depth)) return true;
  failed_splits_[split] = true;
  return false;
}

// Segment `index` and, through assign_segments, the ones after it. Each segment
// consumes its part of the match only, but reads the whole text: a lookbehind sees
// what precedes its part, a lookahead what follows it, `$` the line's end.
bool pattern_search::assign_segment(int at, int end, int index, int depth) {
  const int count = static_cast<int>(segments_.size());
  if (index == count) return at == end;
  if (depth > max_segments) return false;
  const char* text = work_ + origin_;
  const int text_length = work_length_ - origin_;
  pattern_record* segment = segments_[index];
  auto record_submatch = [&](int taken) {
    int s = origin_ + at, n = taken;
    if (aimai_) SzRexFuzzyMapBack(&whole_->fuzzy, &s, &n);
    submatches_[index].assign(source_ + s, n);
    positions_[index] = s;
  };
  if (segment->lazy) {
    // The shortest part the segment matches whole after which the rest can be
    // assigned. When the next segment is literal text, only the places where that
    // text follows are worth trying.
    const string* follow = index + 1 < count ? &segments_[index + 1]->literal : nullptr;
    // A `.*?` segment matches every part up to the line's end and none beyond it.
    const int stop = segment->any_run ? run_in_line(text, at, end) : end;
    const int follow_length = follow ? follow->length() : 0;
    const char* follow_text = follow ? follow->c_str() : nullptr;
    for (int k = at; k <= stop;) {
      if (follow_length > 0) {
        if (text[k] != follow_text[0]) {
          // The next character that begins like the text that follows.
          const void* hit =
              std::memchr(text + k, follow_text[0], static_cast<std::size_t>(stop - k + 1));
          if (!hit) break;
          const int q = static_cast<int>(static_cast<const char*>(hit) - text);
          if (!boundary(text, k, q)) {
            k = q + 1;
            continue;
          }
          k = q;
        }
        if (end - k < follow_length || std::memcmp(text + k, follow_text, follow_length) != 0) {
          if (k == stop) break;
          k += char_length(text, k);
          continue;
        }
      }
      if ((segment->any_run || segment->matches_whole(text, text_length, at, k)) &&
          assign_segments(k, end, index + 1, depth + 1)) {
        record_submatch(k - at);
        return true;
      }
      if (k == stop) break;
      k += char_length(text, k);
    }
    return false;
  }
  // Greedy: the longest match at the start, shortened one character at a time while
  // the rest cannot be assigned.
  int room = end;
  for (;;) {
    int taken = 0;
    if (!segment->literal.empty()) {
      // Literal text matches where the text begins with it, never on a trail byte.
      const int n = segment->literal.length();
      if (room - at < n || std::memcmp(text + at, segment->literal.c_str(), n) != 0 ||
          (at > 0 && is_trail_position(text, at)))
        return false;
      taken = n;
    } else if (segment->any_run) {
      taken = run_in_line(text, at, room) - at;
    } else if (!segment->match_at(text, text_length, at, room, &taken)) {
      return false;
    }
    if (assign_segments(at + taken, end, index + 1, depth + 1)) {
      record_submatch(taken);
      return true;
    }
    if (taken == 0) return false;
    room = at + taken - (is_trail_position(text, at + taken - 1) ? 2 : 1);
  }
}

string pattern_search::submatch(int n) const {
  if (n == -1) return whole_match_;
  if (n >= 0 && n < static_cast<int>(segments_.size()) && n < static_cast<int>(submatches_.size()))
    return submatches_[n];
  if (n == 0 && segments_.empty() && !submatches_.empty()) return submatches_[0];
  return string();
}

int pattern_search::submatch_pos(int n) const {
  if (n < 0) return match_position_;
  if (n < static_cast<int>(positions_.size())) return positions_[n];
  return match_position_;
}

}  // namespace wklib
