// Inputs that once broke the pattern search or the engine under it (found by
// regex_pattern_search_fuzz), kept as ordinary cases.
#include <gtest/gtest.h>

#include <string>

#include "support/pattern_search.h"
#include "tests/regex/szrex_test_util.h"

namespace {

std::string str(const wklib::string& s) { return std::string(s.c_str(), s.length()); }

// The whole pattern can match where its segments, matched one by one, cannot be
// assigned (here the alternation is cut by the segment marks). Trying every split
// of the matched text among the `.*` segments took time exponential in the number
// of segments (the fuzzer's input below ran for minutes); a split that failed once
// must not be tried again.
TEST(fuzz_regressions, SegmentsThatCannotBeAssignedFailWithoutTryingEverySplit) {
  wklib::pattern_search finder("x.*\\f.*\\f.*\\f.*\\f.*\\f.*\\f.*|y\\fz");
  ASSERT_TRUE(finder.valid());
  ASSERT_EQ(8, finder.segment_count());
  const std::string text = "x" + std::string(60, 'a');
  EXPECT_FALSE(finder.search(text.c_str()))
      << "expected no match: the last segment z occurs nowhere, got " << str(finder.submatch(-1));
  EXPECT_EQ("", str(finder.submatch(0))) << "a failed search leaves no sub-match";

  // The same segments when a split exists: the first segment takes as much as the
  // rest allows.
  wklib::pattern_search ending("x.*\\f.*\\f.*\\f.*\\f.*\\f.*\\fab");
  const std::string found = "x" + std::string(60, 'a') + "ab";
  ASSERT_TRUE(ending.search(found.c_str())) << "expected a match in " << found;
  EXPECT_EQ(found, str(ending.submatch(-1)));
  EXPECT_EQ("x" + std::string(60, 'a'), str(ending.submatch(0)));
  for (int i = 1; i <= 5; ++i)
    EXPECT_EQ("", str(ending.submatch(i))) << "expected segment " << i << " empty";
  EXPECT_EQ("ab", str(ending.submatch(6)));
  EXPECT_EQ(61, ending.submatch_pos(6));
}

TEST(fuzz_regressions, FuzzerInputWithAlternationAcrossSegments) {
  // Four segments: `".*`, an alternation cut in half, `.*?`, and a literal that is
  // not in the text; the whole pattern matches through its first alternative.
  wklib::pattern_search finder(
      "\".*\\f.*|\\\x04<a hef.*6?>\\f.*?\\f</\xa1\xc3\xc1\xd0"
      "1\\<af >");
  ASSERT_TRUE(finder.valid());
  const std::string text = "<IMG" + std::string(75, '\xcb') +
                           " S#RC\xbd\"/icons/co.*|\\\x04<a href.*6?>\\f.*?\\f<\x97kF/compre\"";
  EXPECT_FALSE(finder.search(text.c_str()))
      << "expected no assignment of the segments, got " << str(finder.submatch(-1));
}

// A lazy segment before a segment of literal text: only the places where that text
// follows are tried, on character boundaries, and the shortest working one wins.
TEST(fuzz_regressions, LazySegmentBeforeLiteralText) {
  wklib::pattern_search finder("<\\f.*?\\f> end");
  ASSERT_TRUE(finder.search("x <a> b> end"));
  EXPECT_EQ("a> b", str(finder.submatch(1))) << "the first \"> \" is not followed by end";
  EXPECT_EQ(3, finder.submatch_pos(1));
  EXPECT_EQ("> end", str(finder.submatch(2)));

  // サ is 0x83 0x54: its trail byte is the letter T, which must not end the link text.
  wklib::pattern_search link("<\\f.*?\\fT>");
  ASSERT_TRUE(link.search("<サT>"));
  EXPECT_EQ("サ", str(link.submatch(1)));
  EXPECT_FALSE(link.search("<サ>")) << "expected no match: T> occurs only across サ";

  wklib::pattern_search quoted("\"\\f.*?\\f\"");
  ASSERT_TRUE(quoted.search("  \"ptex-w32.tar.bz2\", \"latex.tar.bz2\",\n"));
  EXPECT_EQ("ptex-w32.tar.bz2", str(quoted.submatch(1)));
}

// The word option next to a double-byte character: サ is 0x83 0x54, and its trail
// byte is no letter T. (The fuzzer's input was a needle ending on a lead byte, whose
// match is followed by a trail byte; both modes may judge that either way, so only
// the character-wise cases are fixed here.)
TEST(fuzz_regressions, WordOptionNextToADoubleByteCharacter) {
  for (int regular = 0; regular < 2; ++regular) {
    wklib::pattern_search finder;
    ASSERT_TRUE(finder.set_option("use_regular", regular));
    ASSERT_TRUE(finder.set_pattern("x"));
    ASSERT_TRUE(finder.set_option("word", 1));
    ASSERT_TRUE(finder.search("サx")) << "expected a whole word after サ, use_regular " << regular;
    EXPECT_EQ(2, finder.submatch_pos(0)) << "use_regular " << regular;
    EXPECT_FALSE(finder.search("サTx")) << "expected no match after the letter T, use_regular "
                                        << regular << ", got one at " << finder.submatch_pos(0);
    ASSERT_TRUE(finder.search("xサ")) << "expected a whole word before サ, use_regular " << regular;
    EXPECT_EQ(0, finder.submatch_pos(0));
  }
}

// A repeated group holding repetitions: the matcher matches the group under ever
// smaller limits, and once remembered nothing under a limit short of the subject's
// end, so each pass cost a power of the length (a 161-byte text ran into the step
// budget and reported no match, error 51). The fuzzer's input was
// `(([^\n]*[^\n]*[^\n]*.*))?[あ-ん]` with the word option. The larger text keeps the
// passes from hiding in the budget.
TEST(fuzz_regressions, RepeatedGroupOfRepetitionsFindsItsMatch) {
  for (int n : {80, 600}) {
    const std::string text = std::string(n, 'a') + "x" + std::string(n, 'a');
    test_record r;
    ASSERT_EQ(1, r.compile("(a*a*a*.*)?x"));
    const int found = SzRexFind(&r.record, text.c_str());
    EXPECT_EQ(SzRexErrorNone, r.record.error)
        << n << " a's: expected no error code, got " << r.record.error;
    ASSERT_EQ(1, found) << n << " a's: expected the match 0+" << n + 1 << ", got none";
    EXPECT_EQ(0, r.record.match_start);
    EXPECT_EQ(n + 1, r.record.match_length);

    wklib::pattern_search finder("(a*a*a*.*)?x");
    ASSERT_TRUE(finder.search(text.c_str())) << n << " a's: expected the pattern search to find it";
    EXPECT_EQ(std::string(n, 'a') + "x", str(finder.submatch(-1)));
  }
}

// The plain search has no segments, yet sub-match 0 is its whole match (the fuzz
// target once took the segment count for the number of sub-matches).
TEST(fuzz_regressions, PlainSearchAnswersSubmatchZero) {
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_option("use_regular", 0));
  ASSERT_TRUE(finder.set_pattern("zip"));
  ASSERT_TRUE(finder.set_option("word", 1));
  ASSERT_TRUE(finder.search("a.zip zipper"));
  EXPECT_EQ(2, finder.submatch_pos(0));
  EXPECT_EQ("zip", str(finder.submatch(-1)));
  EXPECT_EQ("zip", str(finder.submatch(0)));
  EXPECT_EQ("", str(finder.submatch(1))) << "expected nothing past sub-match 0";
}

}  // namespace

// "$" matched the 0x0A of 0x9A 0x0A, which is the second half of one character:
// a match started on a trail byte. `.*` stopped at that byte too.
TEST(fuzz_regressions, LineFeedAfterALeadByteIsNoLineEnd) {
  const std::string text = " \x9A\nref*?][A\x84";
  wklib::pattern_search end("$");
  ASSERT_TRUE(end.search(text.c_str())) << "expected the end of the text to match";
  EXPECT_EQ(static_cast<int>(text.size()), end.submatch_pos(0))
      << "expected the match at the end, not at the trail byte 2";

  wklib::pattern_search any(".*x");
  const std::string pair_then_x = "a\x9A\nx";
  ASSERT_TRUE(any.search(pair_then_x.c_str())) << "0x9A 0x0A is one character for .*";
  EXPECT_EQ(pair_then_x, str(any.submatch(-1)));

  wklib::pattern_search real_line_end("a$");
  ASSERT_TRUE(real_line_end.search("xa\nb"));
  EXPECT_EQ(1, real_line_end.submatch_pos(0)) << "a real line feed still ends the line";
}

// search_next goes on where the last match ended; a pattern ending in a lone lead
// byte ends its match inside a character, and the next search began on the trail
// byte, where it found a match (class, then 0x83) that starts inside a character.
TEST(fuzz_regressions, SearchNextNeverStartsOnATrailByte) {
  wklib::pattern_search finder("[A-\x83\x93]\x83");
  const char text[] = "\x83\x65\x83\x58\x83\x67";  // three katakana: テ, ス, ト
  ASSERT_TRUE(finder.search(text));
  EXPECT_EQ(0, finder.submatch_pos(0));
  EXPECT_EQ(3, finder.submatch(-1).length());
  int matches = 1;
  while (finder.search_next()) {
    const int at = finder.submatch_pos(0);
    EXPECT_EQ(0, at % 2) << "a match began at " << at << ", inside a character";
    if (++matches > 3) break;
  }
}

// A repetition's memo covers a window of positions; each new limit of a greedy pass
// placed the window afresh and widened it again, so a 70-byte subject ended with
// memos of gigabytes. No memo may need more cells than the subject has positions.
TEST(fuzz_regressions, MemoWindowsNeverOutgrowTheSubject) {
  test_record r;
  ASSERT_EQ(1, r.compile("[ab]*[^\n][^\n]*?$+?[a-c]+?[^\n][^\n][^\n].*?.*?{2}||.*?.*?.*?.*?"
                         "[^\n][^\n]Tサ"));
  const std::string subject =
      "acaaaaaaaaaaaaaaaaaaaaサああサb\nああaabbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";
  for (int round = 0; round < 2; ++round) SzRexFind(&r.record, subject.c_str());
  for (const SzRexMemo& memo : r.record.state->memos)
    EXPECT_LE(memo.size, subject.size() + 1)
        << "expected at most " << subject.size() + 1 << " cells, got " << memo.size;
}
