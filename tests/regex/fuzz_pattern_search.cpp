// libFuzzer target: arbitrary patterns and subjects through wklib::pattern_search.
//
// Input layout: one option byte, then the pattern, a NUL byte, and the subject
// (whatever follows a second NUL is ignored). Option byte bits:
//   0x01 CaseSense, 0x02 word, 0x04 zero_match,
//   0x08 CaseSense is set before the pattern (else after it, as the installer does),
//   0x10 plain (non-pattern) search instead of the regular expression,
//   0x20 the pattern bytes pick tokens of a dialect subset and the subject bytes
//        characters of a small alphabet; the engine's answer is then also compared
//        with a slow reference matcher (tests/regex/reference_matcher.h).
// Besides crashes, sanitizer reports and hangs, every successful search is checked
// against what a caller relies on: the whole match is the caller's text at the
// reported position, the sub-matches tile it in order, and a repeated search of the
// same text (after another search has reused the engine's scratch state) gives the
// same answer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "regex/szrex.h"
#include "support/pattern_search.h"
#include "tests/regex/reference_matcher.h"

namespace {

struct outcome {
  bool found = false;
  int position = 0;
  std::string whole;
  std::vector<std::string> parts;
  std::vector<int> positions;

  bool operator==(const outcome& o) const {
    return found == o.found && position == o.position && whole == o.whole && parts == o.parts &&
           positions == o.positions;
  }
};

[[noreturn]] void fail(const char* what, const std::string& pattern, const std::string& subject) {
  std::fprintf(stderr, "pattern_search invariant broken: %s\n  pattern (%zu bytes): ", what,
               pattern.size());
  for (unsigned char c : pattern) std::fprintf(stderr, "\\x%02x", c);
  std::fprintf(stderr, "\n  subject (%zu bytes): ", subject.size());
  for (unsigned char c : subject) std::fprintf(stderr, "\\x%02x", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

bool lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Whether `at` is the trail byte of a double-byte character, scanning from the start.
bool trail_at(const std::string& text, std::size_t at) {
  std::size_t p = 0;
  while (p < at)
    p += (lead_byte(static_cast<unsigned char>(text[p])) && p + 1 < text.size()) ? 2 : 1;
  return p != at;
}

bool word_byte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// A search of `subject`, or with `next` set the next match after the last one.
outcome run(wklib::pattern_search& finder, const std::string& subject, bool next = false) {
  outcome o;
  o.found = next ? finder.search_next() : finder.search(subject.c_str());
  if (!o.found) return o;
  o.position = finder.submatch_pos(0);
  wklib::string whole = finder.submatch(-1);
  o.whole.assign(whole.c_str(), whole.length());
  for (int i = 0; i < finder.segment_count(); ++i) {
    wklib::string part = finder.submatch(i);
    o.parts.emplace_back(part.c_str(), part.length());
    o.positions.push_back(finder.submatch_pos(i));
  }
  return o;
}

void check(const outcome& o, const wklib::pattern_search& finder, const std::string& pattern,
           const std::string& subject, unsigned char options) {
  if (!o.found) return;
  const bool plain = (options & 0x10) != 0;
  if (o.position < 0 || static_cast<std::size_t>(o.position) > subject.size())
    fail("match position outside the subject", pattern, subject);
  if (subject.compare(o.position, o.whole.size(), o.whole) != 0)
    fail("whole match is not the subject's text at the match position", pattern, subject);
  if (o.position > 0 && trail_at(subject, o.position))
    fail("match starts on a trail byte", pattern, subject);
  if (!(options & 0x04) && o.whole.empty() && !plain)
    fail("empty match accepted with zero_match 0", pattern, subject);
  if (options & 0x02) {
    std::size_t end = o.position + o.whole.size();
    bool before =
        o.position > 0 && word_byte(subject[o.position - 1]) && !trail_at(subject, o.position - 1);
    // A match that ends on a lead byte (a pattern or needle ending in one) is
    // followed by a trail byte, which is no letter even when its value is one; the
    // two search modes may judge it either way.
    bool after = end < subject.size() && word_byte(subject[end]) && !trail_at(subject, end);
    if (before || after) fail("word option accepted a match inside a word", pattern, subject);
  }
  if (plain) return;
  if (static_cast<int>(o.parts.size()) != finder.segment_count())
    fail("sub-match count differs from the segment count", pattern, subject);
  std::string joined;
  int at = o.position;
  for (std::size_t i = 0; i < o.parts.size(); ++i) {
    if (o.positions[i] != at)
      fail("sub-match position is not where the previous ends", pattern, subject);
    at += static_cast<int>(o.parts[i].size());
    joined += o.parts[i];
  }
  if (joined != o.whole) fail("sub-matches do not tile the whole match", pattern, subject);
}

// Tokens of the subset the reference matcher models, and a subject alphabet with
// double-byte characters (サ is 0x83 0x54: its trail byte is the letter T).
std::string tokens_to_pattern(const std::string& bytes) {
  static const char* const tokens[] = {"a",    "b",    "c",       "T",     "あ",  "サ",    ".",
                                       "[ab]", "[^a]", "[あ-ん]", "(",     "|",   ")",     "*",
                                       "+",    "?",    "*?",      "+?",    "??",  "{1,2}", "{2}",
                                       "{0,}", "^",    "$",       "[a-c]", ".*?", "[^\n]"};
  const std::size_t count = sizeof tokens / sizeof tokens[0];
  std::string out;
  for (unsigned char c : bytes) out += tokens[c % count];
  return out;
}

std::string bytes_to_subject(const std::string& bytes) {
  static const char* const alphabet[] = {"a", "b", "c", "T", "\n", "あ", "サ", "a", "b"};
  std::string out;
  for (unsigned char c : bytes) out += alphabet[c % (sizeof alphabet / sizeof alphabet[0])];
  return out;
}

// The engine alone against the reference matcher, for patterns inside its subset.
void compare_with_reference(const std::string& pattern, const std::string& subject) {
  reference_matcher reference;
  if (!reference.compile(pattern)) return;
  SzRexPattern record{};
  record.size = SzRexPatternSize;
  if (!SzRexInit(&record)) fail("SzRexInit failed", pattern, subject);
  if (!SzRexCompile(&record, pattern.c_str())) {
    SzRexFree(&record);
    return;
  }
  // From the start; then from the middle of the text (the first character boundary
  // there), as a reader going on in the same text does, and anchored there.
  const int size = static_cast<int>(subject.size());
  int middle = 0;
  while (middle < size / 2)
    middle += (lead_byte(static_cast<unsigned char>(subject[middle])) && middle + 1 < size) ? 2 : 1;
  for (int round = 0; round < 3; ++round) {
    const int from = round == 0 ? 0 : middle;
    const bool anchored = round == 2;
    int start = 0, length = 0;
    bool expected = reference.find(subject, &start, &length, from);
    if (anchored && expected && start != from) expected = false;
    record.start = from;
    const bool found = SzRexFindIn(&record, subject.c_str(), size, anchored ? 1 : 0) != 0;
    if (record.error != SzRexErrorNone) break;  // a search that gave up within its limits
    const int got_start = record.match_start, got_length = record.match_length;
    if (found != expected || (found && (got_start != start || got_length != length))) {
      std::fprintf(stderr, "from %d%s: expected %s %d+%d, got %s %d+%d\n", from,
                   anchored ? " anchored" : "", expected ? "match" : "no match", start, length,
                   found ? "match" : "no match", got_start, got_length);
      SzRexFree(&record);
      fail("the engine and the reference matcher disagree", pattern, subject);
    }
  }
  SzRexFree(&record);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Defaults the command line may override: a slow input is a failure, not a long
  // run (any input taking more than 30 s is reported as a timeout), and the
  // dialect's tokens are offered to the mutator. A search that runs into the step
  // budget takes several seconds in this instrumented build, and one search may
  // call the engine a few times: 30 s leaves room for that and still catches a hang.
  static std::vector<char*> args;
  static char timeout[] = "-timeout=30";
  static std::string dict = std::string("-dict=") + TAMARI_FUZZ_DICT;
  bool has_timeout = false, has_dict = false;
  for (int i = 0; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "-timeout=", 9) == 0) has_timeout = true;
    if (std::strncmp((*argv)[i], "-dict=", 6) == 0) has_dict = true;
  }
  args.assign(*argv, *argv + *argc);
  if (!has_timeout) args.insert(args.begin() + 1, timeout);
  if (!has_dict) args.insert(args.begin() + 1, &dict[0]);
  *argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  *argv = args.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const unsigned char options = data[0];
  const char* rest = reinterpret_cast<const char*>(data + 1);
  const std::size_t rest_size = size - 1;
  const void* split = std::memchr(rest, '\0', rest_size);
  std::string pattern, subject;
  if (split) {
    std::size_t n = static_cast<const char*>(split) - rest;
    pattern.assign(rest, n);
    const char* s = rest + n + 1;
    std::size_t m = rest_size - n - 1;
    const void* end = std::memchr(s, '\0', m);
    subject.assign(s, end ? static_cast<const char*>(end) - s : m);
  } else {
    pattern.assign(rest, rest_size);
  }

  if (options & 0x20) {
    pattern = tokens_to_pattern(pattern);
    subject = bytes_to_subject(subject.substr(0, 64));
    if (!(options & 0x10)) compare_with_reference(pattern, subject);
  }

  wklib::pattern_search finder;
  const int case_sense = options & 0x01;
  if (options & 0x10) finder.set_option("use_regular", 0);
  if (options & 0x08) finder.set_option("CaseSense", case_sense);
  if (!finder.set_pattern(pattern.c_str())) {
    if (finder.search(subject.c_str()))
      fail("search succeeded after a failed set_pattern", pattern, subject);
    return 0;
  }
  if (!(options & 0x08)) finder.set_option("CaseSense", case_sense);
  finder.set_option("word", (options >> 1) & 1);
  finder.set_option("zero_match", (options >> 2) & 1);

  const outcome first = run(finder, subject);
  check(first, finder, pattern, subject, options);
  // The plain search has no segments but answers sub-match 0 as the whole match.
  const int parts = (options & 0x10) ? 1 : finder.segment_count();
  if (finder.submatch(parts).length() != 0 || finder.submatch(-2).length() != 0)
    fail("sub-match outside the segments is not empty", pattern, subject);

  // Another subject in between reuses the engine's per-search state; searching the
  // first subject again must give the same answer.
  const std::string other = "x" + subject + subject;
  check(run(finder, other), finder, pattern, other, options);
  if (!(run(finder, subject) == first))
    fail("a repeated search gave another answer", pattern, subject);

  // A reader going on in the same text: each next match lies after the last one and
  // keeps every rule of a match.
  if (first.found && !(options & 0x10)) {
    std::size_t start = first.position, end = first.position + first.whole.size();
    for (int i = 0; i < 4; ++i) {
      const outcome next = run(finder, subject, true);
      if (!next.found) break;
      check(next, finder, pattern, subject, options);
      const std::size_t at = static_cast<std::size_t>(next.position);
      if (at < end || (start == end && at == start))
        fail("search_next did not move on past the last match", pattern, subject);
      start = at;
      end = at + next.whole.size();
    }
  }

  // A reader continuing after a match: the next search over the rest of the text.
  if (first.found) {
    std::size_t next = first.position + (first.whole.empty() ? 1 : first.whole.size());
    if (next <= subject.size()) {
      const std::string tail = subject.substr(next);
      check(run(finder, tail), finder, pattern, tail, options);
    }
  }
  return 0;
}
