// wklib::pattern_search: segments, options, case folding, sub-matches and positions.
#include "support/pattern_search.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string str(const wklib::string& s) { return std::string(s.c_str(), s.length()); }

TEST(pattern_search, PatternWithoutSeparatorIsOneSegment) {
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_pattern("texinst[0-9]*\\.zip"));
  EXPECT_EQ(1, finder.segment_count());
  ASSERT_TRUE(finder.search("w32/texinst2008.zip 12"));
  EXPECT_EQ("texinst2008.zip", str(finder.submatch(-1)));
  EXPECT_EQ("texinst2008.zip", str(finder.submatch(0)));
  EXPECT_EQ(4, finder.submatch_pos(0));
  EXPECT_EQ("", str(finder.submatch(1))) << "past the last segment";
  EXPECT_EQ("", str(finder.submatch(-2)));
  EXPECT_FALSE(finder.search("texinst.tar.gz"));
  EXPECT_EQ("", str(finder.submatch(0))) << "a failed search clears the sub-matches";
}

TEST(pattern_search, AnchorLinkWithCaseFoldingAfterThePattern) {
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_pattern("<a href.*?>\\f.*?\\f</a>"));
  EXPECT_TRUE(finder.set_option("CaseSense", 0));
  EXPECT_EQ(3, finder.segment_count());
  ASSERT_TRUE(finder.search("x <A HREF=\"a.zip\">a.zip</A> y"));
  EXPECT_EQ("<A HREF=\"a.zip\">a.zip</A>", str(finder.submatch(-1)))
      << "the whole match keeps the capitals of the searched text";
  EXPECT_EQ("<A HREF=\"a.zip\">", str(finder.submatch(0)));
  EXPECT_EQ("a.zip", str(finder.submatch(1)));
  EXPECT_EQ("</A>", str(finder.submatch(2)));
  EXPECT_EQ(2, finder.submatch_pos(0));
  EXPECT_EQ(18, finder.submatch_pos(1));
  EXPECT_EQ(23, finder.submatch_pos(2));
}

TEST(pattern_search, CaseFoldingBeforeThePatternLowersBoth) {
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_option("CaseSense", 0));
  ASSERT_TRUE(finder.set_pattern("README"));
  EXPECT_TRUE(finder.search("see ReadMe now"));
  EXPECT_EQ("ReadMe", str(finder.submatch(-1)));
  wklib::pattern_search strict;
  ASSERT_TRUE(strict.set_pattern("README"));
  strict.set_option("CaseSense", 0);
  EXPECT_FALSE(strict.search("see ReadMe now"))
      << "set after the pattern, only the text is lowered and README stays in capitals";
}

// One search each. Expected: the sub-matches joined by '|', and where the first begins.
// Lookarounds hold through the pattern search: each segment consumes only its part
// of the match but sees the text around it.
TEST(pattern_search, SegmentsOfOneSearch) {
  struct row {
    const char* pattern;
    const char* text;
    const char* parts;  // nullptr: no match
    int position;
  } rows[] = {
      {"foo(?=bar)", "foobar", "foo", 0},
      {"(?<=v)[0-9]+", "v12", "12", 1},
      {"(?<!x)a", "xa ya", "a", 4},
      {"size \\f[0-9]+\\f(?=kb)", "size 12kb", "size |12|", 0},
      {"x=\\f(?<=x=)[0-9]+", "ax=12", "x=|12", 1},
      {"[a-z]+\\f(?<=b)[0-9]+", "ab12 cb3", "ab|12", 0},
      {"[a-z]+\\f(?<!b)[0-9]+", "ab12 c3", "c|3", 5},
      {"\"\\f.*?\\f\"(?=,)", "\"a\" \"b\",", "\"|a\" \"b|\"", 0},
      {"<\\f[a-z]*\\f(?=>)", "<ab>", "<|ab|", 0},
      {"foo(?=bar)", "foobaz", nullptr, 0},
      {"AFPL Ghostscript \\f[0-9]*\\.[0-9]*", "x AFPL Ghostscript 8.14", "AFPL Ghostscript |8.14",
       2},
      {"GSview [0-9]*\\.[0-9]*", "GSview 4.9", "GSview 4.9", 0},
      {"\"\\f.*?\\f\"", "name = \"tex live\" and \"x\"", "\"|tex live|\"", 7},
      {"\"\\f.*?\\f\"", "a \"\" b", "\"||\"", 2},  // an empty value is the shortest split
      {"\"\\f.*?\\f\"", "\"日本語\"", "\"|日本語|\"", 0},
      {"<\\f[0-9]*?\\fx", "<1ax", nullptr, 0},  // a lazy segment checks every byte
      {"<\\f[0-9]*?\\fx", "<12x", "<|12|x", 0},
      {"x\\f[a-z]*\\f[a-z]\\f!", "xabc!", "x|ab|c|!", 0},  // greedy segments give back
      {"<a href=\"\\fjsclasses-[0-9]*\\.zip\\f\">jsclasses-[0-9]*\\.zip</a>",
       "<li><a href=\"jsclasses-20080304.zip\">jsclasses-20080304.zip</a>",
       "<a href=\"|jsclasses-20080304.zip|\">jsclasses-20080304.zip</a>", 4},
  };
  for (const row& r : rows) {
    wklib::pattern_search finder(r.pattern);
    ASSERT_TRUE(finder.valid()) << r.pattern;
    const bool found = finder.search(r.text);
    std::string parts;
    for (int i = 0; found && i < finder.segment_count(); ++i)
      parts += (i ? "|" : "") + str(finder.submatch(i));
    EXPECT_EQ(r.parts ? r.parts : "(none)", found ? parts : "(none)")
        << r.pattern << " on " << r.text;
    if (found && r.parts) {
      EXPECT_EQ(r.position, finder.submatch_pos(0)) << r.pattern;
    }
  }
}

// A match the options reject is searched for again in the text from one character
// after its start: `^` and `\<` hold at that point.
TEST(pattern_search, RetryAfterARejectedMatchSearchesTheTextFromThere) {
  for (const char* pattern : {"^x*", "\\<x*"}) {
    wklib::pattern_search finder(pattern);
    finder.set_option("zero_match", 0);
    ASSERT_TRUE(finder.search("ax")) << pattern << ": expected x at 1";
    EXPECT_EQ("x", str(finder.submatch(-1))) << pattern;
    EXPECT_EQ(1, finder.submatch_pos(0)) << pattern;
  }
  wklib::pattern_search split("^\\fx*");
  split.set_option("zero_match", 0);
  ASSERT_TRUE(split.search("ax")) << "the segments must see the text the retry searched";
  EXPECT_EQ("x", str(split.submatch(1)));
  EXPECT_EQ(1, split.submatch_pos(1));
}

TEST(pattern_search, Options) {
  wklib::pattern_search finder;
  EXPECT_TRUE(finder.set_option("casesense", 0));
  EXPECT_TRUE(finder.set_option("WORD", 0));
  EXPECT_TRUE(finder.set_option("Zero_Match", 1));
  EXPECT_TRUE(finder.set_option("use_regular", 1));
  EXPECT_TRUE(finder.set_option("aimai", 0));
  EXPECT_FALSE(finder.set_option("Case", 0));
  EXPECT_FALSE(finder.set_option("", 0));
}

TEST(pattern_search, ZeroLengthMatches) {
  wklib::pattern_search finder("[0-9]*");
  ASSERT_TRUE(finder.search("ab12"));
  EXPECT_EQ("", str(finder.submatch(-1)));
  EXPECT_EQ(0, finder.submatch_pos(0));
  finder.set_option("zero_match", 0);
  ASSERT_TRUE(finder.search("ab12"));
  EXPECT_EQ("12", str(finder.submatch(-1)));
  EXPECT_EQ(2, finder.submatch_pos(0));
  EXPECT_FALSE(finder.search("abc"));
}

// search_next goes on after the last match in the same text; positions stay those of
// that text, and the case folding of the first search still holds.
TEST(pattern_search, SearchNextGoesThroughAWholePage) {
  wklib::pattern_search finder("<a href.*?>\\f.*?\\f</a>");
  finder.set_option("CaseSense", 0);
  EXPECT_FALSE(finder.search_next()) << "no search yet";
  const char page[] = "<A HREF=\"a.zip\">a.zip</A> x <a href=\"B.zip\">B.zip</a>\n<a href=y>y</a>";
  ASSERT_TRUE(finder.search(page));
  EXPECT_EQ("a.zip", str(finder.submatch(1)));
  ASSERT_TRUE(finder.search_next());
  EXPECT_EQ("B.zip", str(finder.submatch(1)));
  EXPECT_EQ(28, finder.submatch_pos(0));
  EXPECT_EQ(44, finder.submatch_pos(1));
  ASSERT_TRUE(finder.search_next());
  EXPECT_EQ("y", str(finder.submatch(1)));
  EXPECT_EQ("<a href=y>y</a>", str(finder.submatch(-1)));
  EXPECT_FALSE(finder.search_next());
  EXPECT_FALSE(finder.search_next()) << "the end stays the end";

  // After an empty match the next search starts one character later, not on a trail byte.
  wklib::pattern_search digits("[0-9]*");
  ASSERT_TRUE(digits.search("表1"));
  EXPECT_EQ(0, digits.submatch_pos(0));
  ASSERT_TRUE(digits.search_next());
  EXPECT_EQ(2, digits.submatch_pos(0));
  EXPECT_EQ("1", str(digits.submatch(-1)));
  ASSERT_TRUE(digits.search_next());
  EXPECT_EQ(3, digits.submatch_pos(0)) << "the empty match at the end";
  EXPECT_FALSE(digits.search_next());

  ASSERT_TRUE(digits.set_pattern("[0-9]+"));
  EXPECT_FALSE(digits.search_next()) << "a new pattern has searched nothing yet";
}

TEST(pattern_search, WholeWords) {
  wklib::pattern_search finder("tex");
  finder.set_option("word", 1);
  ASSERT_TRUE(finder.search("latex tex_x tex."));
  EXPECT_EQ(12, finder.submatch_pos(0));
}

TEST(pattern_search, InvalidPatterns) {
  wklib::pattern_search finder;
  EXPECT_FALSE(finder.search("abc")) << "no pattern yet";
  EXPECT_FALSE(finder.set_pattern("(a"));
  EXPECT_FALSE(finder.valid());
  EXPECT_FALSE(finder.search("(a"));
  EXPECT_FALSE(finder.set_pattern(""));
  EXPECT_TRUE(finder.set_pattern("a\\\\fb")) << "an escaped backslash before f is no separator";
  EXPECT_EQ(1, finder.segment_count());
  ASSERT_TRUE(finder.search("a\\fb"));
  std::string many;
  for (int i = 0; i <= wklib::pattern_search::max_segments; ++i) many += "a\\f";
  many += "a";
  EXPECT_FALSE(finder.set_pattern(many.c_str()));
}

TEST(pattern_search, PlainMode) {
  wklib::pattern_search finder;
  finder.set_option("use_regular", 0);
  EXPECT_FALSE(finder.set_pattern(""));
  ASSERT_TRUE(finder.set_pattern("a.b"));
  EXPECT_FALSE(finder.search("axb"));
  ASSERT_TRUE(finder.search("xxa.b"));
  EXPECT_EQ(2, finder.submatch_pos(0));
  EXPECT_EQ("a.b", str(finder.submatch(-1)));
  ASSERT_TRUE(finder.set_pattern("T"));
  EXPECT_FALSE(finder.search("サ")) << "no match on a trail byte";
  finder.set_option("CaseSense", 0);
  ASSERT_TRUE(finder.set_pattern("ABC"));
  ASSERT_TRUE(finder.search("xAbC"));
  EXPECT_EQ("AbC", str(finder.submatch(-1)));
}

}  // namespace
