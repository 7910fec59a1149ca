// The matcher: longest alternatives, greedy and lazy repetition, anchors, words,
// Shift_JIS boundaries, the lookarounds, and the explicit limits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "tests/regex/szrex_test_util.h"

namespace {

TEST(SzRexFind, LongestAlternativeWins) {
  EXPECT_EQ("0:abcd", find_text("ab|abcd", "abcd"));
  EXPECT_EQ("0:abcd", find_text("(ab|abcd)", "abcd"));
  EXPECT_EQ("1:bcd", find_text("(b|bc)d?", "abcd")) << "the longest complete match";
  EXPECT_EQ("0:", find_text("a*", "baaa")) << "an empty match at 0 beats a later longer one";
  EXPECT_EQ("2:x", find_text("x|y", "abx"));
}

TEST(SzRexFind, LazyAndGreedyOnAnchorTags) {
  const char* html = "<a href=\"x\">y</a><a href=\"z\">";
  EXPECT_EQ("0:<a href=\"x\">", find_text("<a href.*?>", html));
  EXPECT_EQ(std::string("0:") + html, find_text("<a href.*>", html));
  EXPECT_EQ("0:<a href=\"x\">y</a>", find_text("<a href.*?>.*?</a>", html));
  EXPECT_EQ("0:<b>", find_text("<.+?>", "<b>c</b>"));
  EXPECT_EQ("0:<b>c</b>", find_text("<.+>", "<b>c</b>"));
  EXPECT_EQ("0:\"ab\"", find_text("\".*?\"", "\"ab\" \"cd\""));
}

TEST(SzRexFind, LineFeedsBoundDotAndDollar) {
  EXPECT_EQ("0:ab", find_text("a.*", "ab\ncd")) << "a trailing .* extends to the line end";
  EXPECT_EQ("0:a\x9A\nb", find_text("a.*", "a\x9A\nb")) << "0x9A 0x0A is one character";
  EXPECT_EQ("0:a\x9A\x9A", find_text("a.*", "a\x9A\x9A\nb")) << "a line feed after a character";
  EXPECT_EQ("", find_text("a.b", "a\nb"));
  EXPECT_EQ("", find_text("a.*b", "a\nb"));
  EXPECT_EQ("0:a", find_text("a$", "a\nb"));
  EXPECT_EQ("1:b", find_text("b$", "ab"));
  EXPECT_EQ("", find_text("^a", "ba\nab")) << "^ is the subject start, not a line start";
  EXPECT_EQ("0:ab", find_text("^ab", "ab\nab"));
  EXPECT_EQ("3:", find_text("$", "abc"));
}

TEST(SzRexFind, Classes) {
  EXPECT_EQ("4:0", find_text("[0-9]+", "ver 0.23"));
  EXPECT_EQ("0:", find_text("[0-9]*", "ver"));
  EXPECT_EQ("4:0.23", find_text("[0-9]*\\.[0-9]*", "ver 0.23"));
  EXPECT_EQ("1:い", find_text("[あ-ん]", "aいb"));
  EXPECT_EQ("0:x", find_text("[^あ]", "xあ"));
  EXPECT_EQ("1:\n", find_text("[^a]", "a\n")) << "a negated class takes a line feed";
  EXPECT_EQ("", find_text("[]", "abc")) << "an empty class matches nothing";
  EXPECT_EQ("0:a", find_text("[^]", "abc"));
  EXPECT_EQ("1:う", find_text("[a-あい-ん]", "!う"));
  EXPECT_EQ("0:\x81\x40", find_text("[a-あ]", "\x81\x40"))
      << "a mixed range spans double-byte codes";
}

TEST(SzRexFind, WordsAndWordBoundaries) {
  EXPECT_EQ("", find_text("\\<abc\\>", "xabc"));
  EXPECT_EQ("", find_text("\\<abc\\>", "abc_"));
  EXPECT_EQ("1:abc", find_text("\\<abc\\>", " abc."));
  EXPECT_EQ("2:foo", find_text("\\w", "  foo9")) << "digits are not word characters";
  EXPECT_EQ("0:ab", find_text("\\w", "ab cd"));
  EXPECT_EQ("3:cd", find_text("\\<cd", "ab cd"));
  EXPECT_EQ("0:ab", find_text("ab\\>", "ab cd"));
  // A trail byte that is an ASCII letter is neither a word character nor a word end.
  EXPECT_EQ("2:x", find_text("\\<x", "\x83\x54x"));
}

TEST(SzRexFind, NeverMatchesOnATrailByte) {
  EXPECT_EQ("", find_text("T", "サ")) << "サ is 0x83 0x54";
  EXPECT_EQ("2:T", find_text("T", "サT"));
  EXPECT_EQ("", find_text("\\\\", "ソ")) << "ソ ends in 0x5C";
  EXPECT_EQ("2:\\", find_text("\\\\", "ソ\\"));
  EXPECT_EQ("2:T", find_text("[A-Z]", "サT"));
  EXPECT_EQ("0:サ", find_text(".", "サ"));
}

TEST(SzRexFind, Lookarounds) {
  EXPECT_EQ("0:foo", find_text("foo(?=bar)", "foobar"));
  EXPECT_EQ("", find_text("foo(?=bar)", "foobaz"));
  EXPECT_EQ("1:12", find_text("(?<=v)[0-9]+", "v12"));
  EXPECT_EQ("4:3", find_text("(?<=v)[0-9]+", "x1 v3"));
  EXPECT_EQ("4:a", find_text("(?<!x)a", "xa ya"));
  EXPECT_EQ("0:a", find_text("(?<!x)a", "ab"));
  // (?!X) ends the match where it stands unless X, followed by the rest, matches.
  EXPECT_EQ("0:foo", find_text("foo(?!bar)baz", "foobaz"));
  EXPECT_EQ("", find_text("foo(?!bar)baz", "foobarbaz"));
  EXPECT_EQ("5:foo", find_text("foo(?!x)", "foox foo"));
  // A lookbehind tests the text before where it stands, wherever that is, and its
  // content may end nowhere else.
  EXPECT_EQ("0:ab", find_text("a(?<=a)b", "ab"));
  EXPECT_EQ("", find_text("a(?<=b)", "ab")) << "a lookbehind consumes nothing";
  EXPECT_EQ("2:d", find_text("(?<=a|bc)d", "bcd"));
  EXPECT_EQ("3:y", find_text("(?<=x.*)y", "x--y")) << "unbounded content";
  EXPECT_EQ("2:b", find_text("(?<=a+?)b", "aab"));
  EXPECT_EQ("2:ac", find_text("[a-z](?<!b)c", "bcac"));
  EXPECT_EQ("2:x", find_text("(?<=[あ-ん])x", "あx")) << "a double-byte character before";
  EXPECT_EQ("", find_text("(?<=T)x", "サx")) << "the trail byte of サ is no T";
}

TEST(SzRexFind, RepetitionForms) {
  EXPECT_EQ("0:aa", find_text("a{2}", "aaa"));
  EXPECT_EQ("0:aaa", find_text("a{2,3}", "aaaa"));
  EXPECT_EQ("", find_text("a{2,3}", "a"));
  EXPECT_EQ("0:abab", find_text("(ab)+", "ababa"));
  EXPECT_EQ("0:ab", find_text("(ab|a)*b", "ab")) << "the atom gives back when the rest fails";
  EXPECT_EQ("0:texinst2008.zip", find_text("texinst[0-9]*\\.zip", "texinst2008.zip"));
  EXPECT_EQ("4:texinst.zip", find_text("texinst[0-9]*\\.zip", "abc texinst.zip"));
  EXPECT_EQ("0:aaab", find_text("a*?b", "aaab"));
  EXPECT_EQ("0:b", find_text("a??b", "b"));
  EXPECT_EQ("0:xyz", find_text("x(y|yz)?", "xyz"));
  EXPECT_EQ("0:", find_text("(a*)+", "b")) << "an empty mandatory repetition is accepted";
  EXPECT_EQ("2:xx", find_text("x+", "abxx"));
}

TEST(SzRexFind, StartOffsetAndResultFields) {
  test_record r;
  ASSERT_EQ(1, r.compile("[0-9]+"));
  r.record.start = 3;
  ASSERT_EQ(1, SzRexFind(&r.record, "12 345"));
  EXPECT_EQ(3, r.record.match_start);
  EXPECT_EQ(3, r.record.match_length);
  r.record.start = 0;
  r.record.error = 99;
  EXPECT_EQ(0, SzRexFind(&r.record, "abc"));
  EXPECT_EQ(0, r.record.error) << "a search clears the error code";
}

TEST(SzRexFind, ScratchBuffersAreReusedAcrossSubjects) {
  test_record r;
  ASSERT_EQ(1, r.compile("a[0-9]*?b"));
  ASSERT_EQ(1, SzRexFind(&r.record, "xxxxxxxxxxxxxxxxxxxxxa12b"));
  EXPECT_EQ(21, r.record.match_start);
  ASSERT_EQ(1, SzRexFind(&r.record, "a1b")) << "marks from the longer subject must not leak";
  EXPECT_EQ(0, r.record.match_start);
  EXPECT_EQ(3, r.record.match_length);
  ASSERT_EQ(1, SzRexFind(&r.record, "zza9999b"));
  EXPECT_EQ(2, r.record.match_start);
}

// Memos are kept per search and per limit, never cleared in bulk: what one search
// remembered must not answer for the next subject of the same length, nor for the
// same node under another limit.
TEST(SzRexFind, MemosNeverOutliveTheirSearchOrLimit) {
  test_record r;
  ASSERT_EQ(1, r.compile("a*?b"));
  EXPECT_EQ(0, SzRexFind(&r.record, "aaac"));
  ASSERT_EQ(1, SzRexFind(&r.record, "aaab")) << "the failures remembered in \"aaac\" leaked";
  EXPECT_EQ(0, r.record.match_start);
  EXPECT_EQ(4, r.record.match_length);
  // The group is matched under shrinking limits; its inner repetitions must see each.
  EXPECT_EQ("0:aab", find_text("(a*a*.*)?b", "aabaa"));
  EXPECT_EQ("0:xxyxxy", find_text("((x|y)*y)*", "xxyxxyxx"));
}

// `.*` tries its continuation from the line end backwards; the start filters answer
// those falling starts from what they found for the later ones.
TEST(SzRexFind, StartFiltersUnderFallingStarts) {
  EXPECT_EQ("0:x@@b@@b", find_text("x.*\\<b", "x@@b@@b@@"));
  EXPECT_EQ("0:x@@ab@@cd", find_text("x.*\\w", "x@@ab@@cd@@"));
  EXPECT_EQ("0:xab@cd@", find_text("x.*\\>@", "xab@cd@ef"));
  EXPECT_EQ("0:x1a2", find_text("x.*[0-9]", "x1a2b"));
  EXPECT_EQ("0:xabzab", find_text("x.*ab", "xabzab_"));
  EXPECT_EQ("0:x表b", find_text("x.*[^a]b", "x表bab"));
  EXPECT_EQ("", find_text("x.*\\w", "x@@@@")) << "no word after x";
}

// SzRexFindIn: the subject ends at the given length; `anchored` wants the match at
// the start offset; a later start still sees the text before it.
TEST(SzRexFind, FindInALengthOfAText) {
  test_record r;
  ASSERT_EQ(1, r.compile("b$"));
  const char text[] = "abc";
  ASSERT_EQ(1, SzRexFindIn(&r.record, text, 2, 0)) << "the subject ends after \"ab\"";
  EXPECT_EQ(1, r.record.match_start);
  EXPECT_EQ(0, SzRexFindIn(&r.record, text, 3, 0));

  test_record word;
  ASSERT_EQ(1, word.compile("\\<[a-z]+"));
  word.record.start = 2;
  ASSERT_EQ(1, SzRexFindIn(&word.record, "ab cd", 5, 0));
  EXPECT_EQ(3, word.record.match_start) << "\\< at 2 must see the letter before it";
  word.record.start = 2;
  EXPECT_EQ(0, SzRexFindIn(&word.record, "ab cd", 5, 1)) << "anchored at 2: no word starts there";
  word.record.start = 3;
  ASSERT_EQ(1, SzRexFindIn(&word.record, "ab cd", 5, 1));
  EXPECT_EQ(2, word.record.match_length);

  test_record caret;
  ASSERT_EQ(1, caret.compile("^x"));
  caret.record.start = 1;
  EXPECT_EQ(0, SzRexFindIn(&caret.record, "xx", 2, 0)) << "^ is the start of the text only";

  test_record behind;
  ASSERT_EQ(1, behind.compile("(?<=v)[0-9]+"));
  behind.record.start = 0;
  EXPECT_EQ(0, SzRexFindIn(&behind.record, "v12", 3, 1)) << "the match begins at 1, not 0";
  ASSERT_EQ(1, SzRexFindIn(&behind.record, "v12", 3, 0));
  EXPECT_EQ(1, behind.record.match_start);
  behind.record.start = 1;
  ASSERT_EQ(1, SzRexFindIn(&behind.record, "v12", 3, 1)) << "the lookbehind sees before 1";
  EXPECT_EQ(2, behind.record.match_length);
}

// SzRexMatchAt: a match that consumes nothing beyond the limit, its lookarounds
// reading the whole text.
TEST(SzRexFind, MatchAtConsumesUpToTheLimitOnly) {
  struct row {
    const char* pattern;
    const char* subject;
    int at, limit;
    int expected;  // match length, -1 for none
  } rows[] = {
      {"[0-9]+", "1234", 0, 2, 2},          {"[0-9]+", "1234", 1, 4, 3},
      {"foo(?=bar)", "foobar", 0, 3, 3},    {"(?<=v)[0-9]+", "v12", 1, 3, 2},
      {"(?<=v)[0-9]+", "v12", 0, 3, -1},    {"a.*", "abc\nd", 0, 2, 2},
      {"[0-9]+$", "12\n", 0, 1, -1},        {"x\\>", "xy", 0, 1, -1},
      {"[a-z]*(?!c)", "abc", 0, 2, 1},
  };
  for (const row& r : rows) {
    test_record t;
    ASSERT_EQ(1, t.compile(r.pattern)) << r.pattern;
    const int found = SzRexMatchAt(&t.record, r.subject, static_cast<int>(std::strlen(r.subject)),
                                   r.at, r.limit);
    EXPECT_EQ(r.expected, found ? t.record.match_length : -1)
        << r.pattern << " at " << r.at << " up to " << r.limit << " in " << r.subject;
  }
}

// Explicit limits: any pattern and any subject end with an answer.
TEST(SzRexLimits, HugeSubjects) {
  std::string subject(1 << 20, 'a');
  EXPECT_EQ("", find_text("a*b", subject.c_str()));
  EXPECT_EQ("", find_text("(a|aa)*b", subject.c_str()));
  EXPECT_EQ("", find_text("a*?b", subject.c_str()));
  EXPECT_EQ("", find_text("\\wb", subject.c_str()));
  subject.back() = 'b';
  EXPECT_EQ(std::string("0:") + subject, find_text("a+b", subject.c_str()));
  EXPECT_EQ(std::string("0:") + subject, find_text("a.*?b", subject.c_str()));
}

TEST(SzRexLimits, DeeplyNestedAndLongPatterns) {
  std::string chain;
  for (int i = 0; i < SzRexMaxBranchNodes; ++i) chain += "a?";
  std::string subject(SzRexMaxBranchNodes, 'a');
  EXPECT_EQ("0:" + subject, find_text(chain.c_str(), subject.c_str()));
  std::string groups;
  for (int i = 0; i < 30; ++i) groups += "(a|";
  groups += "b";
  for (int i = 0; i < 30; ++i) groups += ")*";
  EXPECT_EQ("0:b", find_text(groups.c_str(), "b"));
}

TEST(SzRexLimits, CostlyPatternsAnswerRightOrGiveUpWithACode) {
  // An alternation under a star over 20,000 bytes: an engine may find the match
  // or stop at its step budget, but never answer wrongly, hang or crash.
  test_record r;
  ASSERT_EQ(1, r.compile("(ab|a)*(c|b?c)"));
  std::string subject;
  for (int i = 0; i < 10000; ++i) subject += "ab";
  for (const char* tail : {"", "c"}) {
    const std::string text = subject + tail;
    auto begin = std::chrono::steady_clock::now();
    const int found = SzRexFind(&r.record, text.c_str());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_LT(seconds, 60.0) << "tail \"" << tail << "\"";
    if (found) {
      EXPECT_EQ('c', *tail) << "a match where there is none";
      EXPECT_EQ(0, r.record.match_start);
      EXPECT_EQ(static_cast<int>(text.size()), r.record.match_length);
    } else {
      EXPECT_TRUE(r.record.error == SzRexErrorBudget || (*tail == 0 && r.record.error == 0))
          << "tail \"" << tail << "\": expected the match or the budget code, got no match with "
          << r.record.error;
    }
  }
  // The record stays usable and the next search clears the code.
  EXPECT_EQ(1, SzRexFind(&r.record, "abc"));
  EXPECT_EQ(0, r.record.error);
  EXPECT_EQ(3, r.record.match_length);
}

}  // namespace
