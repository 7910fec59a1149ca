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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/pattern_search.h"
#include "tests/regex/reference_matcher.h"

namespace {

struct outcome {
  bool found = false;
  int position = 0;
  std::string whole;
  std::vector<std::pair<int, std::string>> parts;  // where each sub-match begins, and its text
  bool operator==(const outcome& o) const {
    return std::tie(found, position, whole, parts) ==
           std::tie(o.found, o.position, o.whole, o.parts);
  }
};

[[noreturn]] void fail(const char* what, const std::string& pattern, const std::string& subject) {
  std::fprintf(stderr, "pattern_search invariant broken: %s\n", what);
  for (const std::string* s : {&pattern, &subject}) {
    std::fprintf(stderr, "  %s (%zu bytes): ", s == &pattern ? "pattern" : "subject", s->size());
    for (unsigned char c : *s) std::fprintf(stderr, "\\x%02x", c);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

bool trail_at(const std::string& text, std::size_t at) {
  return reference_boundary(text, static_cast<int>(at)) != static_cast<int>(at);
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
  const wklib::string whole = finder.submatch(-1);
  o.whole.assign(whole.c_str(), whole.length());
  for (int i = 0; i < finder.segment_count(); ++i) {
    const wklib::string part = finder.submatch(i);
    o.parts.emplace_back(finder.submatch_pos(i), std::string(part.c_str(), part.length()));
  }
  return o;
}

void check(const outcome& o, const wklib::pattern_search& finder, const std::string& pattern,
           const std::string& subject, unsigned char options) {
  if (!o.found) return;
  const bool plain = (options & 0x10) != 0;
  auto expect = [&](bool ok, const char* what) {
    if (!ok) fail(what, pattern, subject);
  };
  expect(o.position >= 0 && static_cast<std::size_t>(o.position) <= subject.size(),
         "match position outside the subject");
  expect(subject.compare(o.position, o.whole.size(), o.whole) == 0,
         "whole match is not the subject's text at the match position");
  expect(!trail_at(subject, o.position), "match starts on a trail byte");
  expect((options & 0x04) || !o.whole.empty() || plain, "empty match accepted with zero_match 0");
  if (options & 0x02) {
    // A match that ends on a lead byte (a pattern or needle ending in one) is
    // followed by a trail byte, which is no letter even when its value is one; the
    // two search modes may judge it either way.
    const std::size_t end = o.position + o.whole.size();
    const bool before =
        o.position > 0 && word_byte(subject[o.position - 1]) && !trail_at(subject, o.position - 1);
    const bool after = end < subject.size() && word_byte(subject[end]) && !trail_at(subject, end);
    expect(!before && !after, "word option accepted a match inside a word");
  }
  if (plain) return;
  expect(static_cast<int>(o.parts.size()) == finder.segment_count(),
         "sub-match count differs from the segment count");
  std::string joined;
  for (const auto& part : o.parts) {
    expect(part.first == o.position + static_cast<int>(joined.size()),
           "sub-match position is not where the previous ends");
    joined += part.second;
  }
  expect(joined == o.whole, "sub-matches do not tile the whole match");
}

// Tokens of the subset the reference matcher models, and a subject alphabet with
// double-byte characters (サ is 0x83 0x54: its trail byte is the letter T).
template <std::size_t n>
std::string pick(const std::string& bytes, const char* const (&choices)[n]) {
  std::string out;
  for (unsigned char c : bytes) out += choices[c % n];
  return out;
}
const char* const tokens[] = {"a",    "b",    "c",       "T",     "あ",  "サ",    ".",
                              "[ab]", "[^a]", "[あ-ん]", "(",     "|",   ")",     "*",
                              "+",    "?",    "*?",      "+?",    "??",  "{1,2}", "{2}",
                              "{0,}", "^",    "$",       "[a-c]", ".*?", "[^\n]"};
const char* const alphabet[] = {"a", "b", "c", "T", "\n", "あ", "サ", "a", "b"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Defaults the command line may override: the dialect's tokens for the mutator, and
  // a time-out that catches a hang but leaves room for a few searches that run into the
  // step budget (several seconds each in this instrumented build).
  static std::vector<char*> args(*argv, *argv + *argc);
  static char timeout[] = "-timeout=30";
  static std::string dict = std::string("-dict=") + TAMARI_FUZZ_DICT;
  for (char* given : {timeout, &dict[0]}) {
    const std::size_t name = std::strchr(given, '=') - given + 1;
    bool set = false;
    for (int i = 0; i < *argc; ++i) set = set || std::strncmp((*argv)[i], given, name) == 0;
    if (!set) args.insert(args.begin() + 1, given);
  }
  *argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  *argv = args.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const unsigned char options = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = rest.find('\0');
  std::string pattern = rest.substr(0, split), subject;
  if (split != std::string::npos)
    subject = rest.substr(split + 1, rest.find('\0', split + 1) - split - 1);
  if (options & 0x20) {
    pattern = pick(pattern, tokens);
    subject = pick(subject.substr(0, 64), alphabet);
    const std::string differs = (options & 0x10) ? "" : engine_against_reference(pattern, subject);
    if (!differs.empty()) fail(differs.c_str(), pattern, subject);
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
  if (!first.found) return 0;
  // A reader going on in the same text: each next match lies after the last one and
  // keeps every rule of a match.
  std::size_t start = first.position, end = first.position + first.whole.size();
  for (int i = 0; i < 4 && !(options & 0x10); ++i) {
    const outcome next = run(finder, subject, true);
    if (!next.found) break;
    check(next, finder, pattern, subject, options);
    const std::size_t at = static_cast<std::size_t>(next.position);
    if (at < end || (start == end && at == start))
      fail("search_next did not move on past the last match", pattern, subject);
    start = at;
    end = at + next.whole.size();
  }
  // A reader continuing after a match: the next search over the rest of the text.
  const std::size_t next = first.position + (first.whole.empty() ? 1 : first.whole.size());
  if (next <= subject.size()) {
    const std::string tail = subject.substr(next);
    check(run(finder, tail), finder, pattern, tail, options);
  }
  return 0;
}
