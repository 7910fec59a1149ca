// wklib::pattern_search: segments, options, case folding, sub-matches and positions,
// and the inputs the fuzzer (regex_pattern_search_fuzz) once broke.
#include "support/pattern_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "tests/support/pattern_search_util.h"

namespace {

std::string str(const wklib::string& s) { return std::string(s.c_str(), s.length()); }

void set_options(wklib::pattern_search* finder, const char* list) {
  std::istringstream in(list);
  for (std::string item; in >> item;) {
    const std::size_t eq = item.find('=');
    ASSERT_TRUE(finder->set_option(item.substr(0, eq).c_str(), std::stoi(item.substr(eq + 1))))
        << item;
  }
}

struct row {
  const char* before;  // options set before the pattern: "name=value name=value"
  const char* pattern;
  const char* after;     // options set after it (CaseSense then lowers only the text)
  const char* text;      // nullptr: search_next on the row before's object
  const char* expected;  // found()
} const rows[] = {
    {"", "a\\\\fb", "", "a\\fb", "0:a\\fb"},  // an escaped backslash before f is no separator
    {"", "ソf", "", "xソf", "1:ソf"},          // nor is the trail byte 0x5C of ソ
    {"", "x{1,,2}?\\fy", "", "x{1,,2y", "0:x{1,,2|y"},  // two commas: no counted repetition
    // Case folding: the whole match keeps the capitals of the searched text.
    {"", "<a href.*?>\\f.*?\\f</a>", "CaseSense=0", "x <A HREF=\"a.zip\">a.zip</A> y",
     "2:<A HREF=\"a.zip\">|a.zip|</A>"},
    {"CaseSense=0", "README", "", "see ReadMe now", "4:ReadMe"},
    {"", "README", "CaseSense=0", "see ReadMe now", ""},
    // Each segment consumes only its part of the match but sees the text around it.
    {"", "size \\f[0-9]+\\f(?=kb)", "", "size 12kb", "0:size |12|"},
    {"", "x=\\f(?<=x=)[0-9]+", "", "ax=12", "1:x=|12"},
    {"", "[a-z]+\\f(?<!b)[0-9]+", "", "ab12 c3", "5:c|3"},
    {"", "\"\\f.*?\\f\"(?=,)", "", "\"a\" \"b\",", "0:\"|a\" \"b|\""},
    {"", "AFPL Ghostscript \\f[0-9]*\\.[0-9]*", "", "x AFPL Ghostscript 8.14",
     "2:AFPL Ghostscript |8.14"},
    {"", "\"\\f.*?\\f\"", "", "a \"\" b", "2:\"||\""},  // an empty value is the shortest split
    {"", "<\\f[0-9]*?\\fx", "", "<1ax", ""},  // a lazy segment checks every byte
    {"", "<\\f[0-9]*?\\fx", "", "<12x", "0:<|12|x"},
    {"", "x\\f[a-z]*\\f[a-z]\\f!", "", "xabc!", "0:x|ab|c|!"},  // greedy segments give back
    {"", "<a href=\"\\fjsclasses-[0-9]*\\.zip\\f\">jsclasses-[0-9]*\\.zip</a>", "",
     "<li><a href=\"jsclasses-20080304.zip\">jsclasses-20080304.zip</a>",
     "4:<a href=\"|jsclasses-20080304.zip|\">jsclasses-20080304.zip</a>"},
    // A match the options reject is searched for again in the text from one character
    // after its start: `^` and `\<` hold there, and the segments see that text.
    {"", "^x*", "zero_match=0", "ax", "1:x"},
    {"", "\\<x*", "zero_match=0", "ax", "1:x"},
    {"", "^\\fx*", "zero_match=0", "ax", "1:|x"},
    {"", "[0-9]*", "", "ab12", "0:"},
    {"", "[0-9]*", "zero_match=0", "ab12", "2:12"},
    {"", "[0-9]*", "zero_match=0", "abc", ""},
    {"", "tex", "word=1", "latex tex_x tex.", "12:tex"},
    // search_next goes on after the last match in the same text, with its positions
    // and case folding; after an empty match one character later, not on a trail byte.
    {"", "<a href.*?>\\f.*?\\f</a>", "CaseSense=0",
     "<A HREF=\"a.zip\">a.zip</A> x <a href=\"B.zip\">B.zip</a>\n<a href=y>y</a>",
     "0:<A HREF=\"a.zip\">|a.zip|</A>"},
    {"", "", "", nullptr, "28:<a href=\"B.zip\">|B.zip|</a>"},
    {"", "", "", nullptr, "54:<a href=y>|y|</a>"},
    {"", "", "", nullptr, ""},
    {"", "", "", nullptr, ""},  // the end stays the end
    {"", "[0-9]+", "", "a12", "1:12"},
    {"", "", "", nullptr, ""},
    {"", "", "", nullptr, ""},
     // not the last digit again: a search that found nothing stays at the end
    {"", "[0-9]*", "", "表1", "0:"},
    {"", "", "", nullptr, "2:1"},
    {"", "", "", nullptr, "3:"},
    {"", "", "", nullptr, ""},
    // The plain search.
    {"use_regular=0", "a.b", "", "axb", ""},
    {"use_regular=0", "T", "", "サ", ""},
    {"use_regular=0 CaseSense=0", "ABC", "", "xAbC", "1:AbC"},
    {"use_regular=0", "zip", "word=1", "a.zip zipper", "2:zip"},
    // Fuzzer inputs. A lazy segment before literal text tries only the places where
    // that text follows, on character boundaries; サ is 0x83 0x54, and its trail byte
    // is no letter T, for the segments and for the word option in both modes.
    {"", "<\\f.*?\\f> end", "", "x <a> b> end", "2:<|a> b|> end"},
    {"", "<\\f.*?\\fT>", "", "<サT>", "0:<|サ|T>"},
    {"", "<\\f.*?\\fT>", "", "<サ>", ""},
    {"", "\"\\f.*?\\f\"", "", "  \"ptex-w32.tar.bz2\", \"latex.tar.bz2\",\n",
     "2:\"|ptex-w32.tar.bz2|\""},
    {"", "x", "word=1", "サx", "2:x"},
    {"", "x", "word=1", "サTx", ""},
    {"", "x", "word=1", "xサ", "0:x"},
    {"use_regular=0", "x", "word=1", "サx", "2:x"},
    {"use_regular=0", "x", "word=1", "サTx", ""},
    {"use_regular=0", "x", "word=1", "xサ", "0:x"},
    // The 0x0A of 0x9A 0x0A is the second half of one character: no line end for `$`
    // or `.*`.
    {"", "$", "", " \x9A\nref*?][A\x84", "12:"},
    {"", ".*x", "", "a\x9A\nx", "0:a\x9A\nx"},
    // A pattern ending in a lone lead byte ends its match inside a character; the
    // next search must not begin on the trail byte (テ, ス, ト).
    {"", "[A-\x83\x93]\x83", "", "\x83\x65\x83\x58\x83\x67", "0:\x83\x65\x83"},
    {"", "", "", nullptr, ""},
};

TEST(pattern_search, Table) {
  std::unique_ptr<wklib::pattern_search> finder;
  for (const row& r : rows) {
    if (r.text) {
      finder = std::make_unique<wklib::pattern_search>();
      set_options(finder.get(), r.before);
      ASSERT_TRUE(finder->set_pattern(r.pattern)) << r.pattern;
      set_options(finder.get(), r.after);
    }
    EXPECT_EQ(r.expected, found(*finder, r.text))
        << "[" << r.before << "] " << r.pattern << " [" << r.after << "] in "
        << (r.text ? r.text : "(search_next)");
  }
}

// Segments that cannot be assigned although the whole pattern matches (the
// alternation is cut by the segment marks): trying every split of the match among
// the `.*` segments took time exponential in their number (the fuzzer's input ran
// for minutes). When a split exists, the first segment takes what the rest allows.
TEST(pattern_search, FuzzerInputsWithManySegments) {
  const std::string as(60, 'a');
  const struct {
    const char* pattern;
    std::string text, expected;
  } cases[] = {
      {"x.*\\f.*\\f.*\\f.*\\f.*\\f.*\\f.*|y\\fz", "x" + as, ""},
      {"x.*\\f.*\\f.*\\f.*\\f.*\\f.*\\fab", "x" + as + "ab", "0:x" + as + "||||||ab"},
      {"\".*\\f.*|\\\x04<a hef.*6?>\\f.*?\\f</\xa1\xc3\xc1\xd0"
       "1\\<af >",
       "<IMG" + std::string(75, '\xcb') +
           " S#RC\xbd\"/icons/co.*|\\\x04<a href.*6?>\\f.*?\\f<\x97kF/compre\"",
       ""},
  };
  for (const auto& c : cases) {
    wklib::pattern_search finder(c.pattern);
    ASSERT_TRUE(finder.valid()) << c.pattern;
    EXPECT_EQ(c.expected, found(finder, c.text.c_str())) << c.pattern;
  }
}

TEST(pattern_search, InvalidPatternsOptionsAndSubMatchesOutsideTheSegments) {
  wklib::pattern_search finder;
  EXPECT_FALSE(finder.search("abc")) << "no pattern yet";
  EXPECT_FALSE(finder.search_next()) << "no search yet";
  std::string many;
  for (int i = 0; i <= wklib::pattern_search::max_segments; ++i) many += "a\\f";
  for (const std::string& bad : {std::string("(a"), std::string(""), many + "a"}) {
    EXPECT_FALSE(finder.set_pattern(bad.c_str())) << bad.substr(0, 20);
    EXPECT_FALSE(finder.valid()) << bad.substr(0, 20);
    EXPECT_FALSE(finder.search("(a")) << bad.substr(0, 20);
  }
  wklib::pattern_search options;
  for (const char* name : {"casesense", "WORD", "Zero_Match", "use_regular", "aimai"})
    EXPECT_TRUE(options.set_option(name, 1)) << name;
  for (const char* name : {"Case", ""}) EXPECT_FALSE(options.set_option(name, 0)) << name;
  options.set_option("use_regular", 0);
  EXPECT_FALSE(options.set_pattern("")) << "the plain search needs a needle";
  ASSERT_TRUE(options.set_pattern("zip"));
  ASSERT_TRUE(options.search("a.zip"));
  EXPECT_EQ("", str(options.submatch(1))) << "the plain search has sub-match 0 only";
  ASSERT_TRUE(finder.set_pattern("[0-9]+"));
  ASSERT_TRUE(finder.search("1 2"));
  EXPECT_EQ("", str(finder.submatch(1))) << "past the last segment";
  EXPECT_EQ("", str(finder.submatch(-2)));
  EXPECT_FALSE(finder.search("abc"));
  EXPECT_EQ("", str(finder.submatch(0))) << "a failed search clears the sub-matches";
  EXPECT_EQ("", str(finder.submatch(-1)));
  ASSERT_TRUE(finder.set_pattern("[0-9]\\f [0-9]"));
  ASSERT_TRUE(finder.search("1 2"));
  ASSERT_TRUE(finder.set_pattern("[0-9]+"));
  EXPECT_EQ("", str(finder.submatch(1))) << "the sub-match of a segment the pattern no longer has";
  EXPECT_FALSE(finder.search_next()) << "a new pattern has searched nothing yet";
  wklib::plain_search empty;
  empty.set(wklib::string());
  EXPECT_EQ(-1, empty.find("abc", 3, 0)) << "an empty needle is found nowhere";
}

}  // namespace
